// Inflate and Deflate64 decoder. Blocks are decoded with the canonical Huffman codes of
// RFC 1951: every code of up to 8 bits is one look-up in a 256-entry table indexed by the
// next 8 input bits (LSB first); longer codes continue from the table entry into a small
// binary tree, one bit per step. All tables live in the first 3,744 bytes of the work buffer:
//
//   offset  size  content
//        0   320  code lengths (literal/length, then distance while a dynamic header is read)
//      320   512  code-length code lookup table, 256 u16
//      832   576  canonical code of each symbol, bit-reversed, 288 u16
//    1,408    32  distance code lengths (the 19 code-length-code lengths while a header is read)
//    1,440   512  distance lookup table, 256 u16
//    1,952   128  distance tree nodes, 32 pairs of u16
//    2,080   512  literal/length lookup table, 256 u16
//    2,592 1,152  literal/length tree nodes, 288 pairs of u16
//
// A table entry with bit 15 clear is a symbol; with bit 15 set it is the complement of a node
// index; a node's first member is taken for a 0 bit, its second for a 1 bit. Entries no code
// fills hold 0 and read as symbol 0.
//
// The bit reader keeps the behaviour of a reader that loads one byte at a time, only when
// fewer than 8 bits would be left after a step: input is pulled through ReadInput at the
// same points, and once ReadInput has returned nothing every further byte the decoder needs
// is a filler byte (0xFF) counted as an empty refill. Filler may be looked at but never
// consumed: a step that consumes a filler bit ends the entry with error 12, so a complete
// stream that ends in the last input byte still decodes, and a cut one says it was cut. While at least 16 input bytes remain
// in the buffer the decoder runs a fast loop that loads eight bytes at a time; the extra
// whole bytes it holds are given back to the buffer whenever byte-exact reading resumes.
#include "decode/inflate.h"

#include <cstring>

#include "system/system.h"

namespace {

constexpr uint32_t LENGTHS_OFFSET = 0;
constexpr uint32_t CL_LOOKUP_OFFSET = 320;
constexpr uint32_t CODES_OFFSET = 832;
constexpr uint32_t DIST_LENGTHS_OFFSET = 1408;
constexpr uint32_t DIST_LOOKUP_OFFSET = 1440;
constexpr uint32_t DIST_NODES_OFFSET = 1952;
constexpr uint32_t LIT_LOOKUP_OFFSET = 2080;
constexpr uint32_t LIT_NODES_OFFSET = 2592;

constexpr unsigned LIT_SYMBOLS = 288;    // 0-255 literals, 256 end of block, 257-287 lengths
constexpr unsigned DIST_SYMBOLS = 32;    // 30 and 31 reach 32,769 to 65,536 bytes back
constexpr unsigned CL_SYMBOLS = 19;      // code-length alphabet
constexpr unsigned MAX_CODE_BITS = 15;
constexpr unsigned TABLE_BITS = 8;       // the lookup tables are indexed by 8 bits
constexpr unsigned MAX_TREE_STEPS = 8;   // a longer walk cannot come from a valid table
constexpr uint16_t NODE_FLAG = 0x8000;
constexpr uint32_t COMPLETE_CODE = 1u << 16;  // the code value after the last 15-bit code
constexpr uint8_t FILLER_BYTE = 0xFF;    // what a read past the end of the input yields
constexpr uint32_t MAX_EXHAUSTED = 6;    // empty refills tolerated before error 12
constexpr unsigned END_OF_BLOCK = 256;
constexpr unsigned DEFLATE64_LONG_MATCH = 285;  // length symbol with 16 extra bits in Deflate64
constexpr uint32_t FAST_INPUT_MARGIN = 16;      // two 8-byte loads per fast-loop pass

// Order in which the code-length-code lengths are sent (RFC 1951, 3.2.7).
constexpr uint8_t CL_ORDER[CL_SYMBOLS] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5,
                                          11, 4, 12, 3, 13, 2, 14, 1, 15};

struct LengthCode {
  uint16_t base;
  uint8_t extra;
  uint32_t mask;  // (1 << extra) - 1
};

// Length symbols 257-287: 257-264 are 3 to 10; from 265 on, E = ((S - 257) >> 2) - 1 extra bits
// over a base of ((4 + ((S - 257) & 3)) << E) + 3. 285 is 258 with no extra bits in Deflate
// (Deflate64 handles it apart); 286 and 287 follow the formula.
struct LengthTable {
  LengthCode code[LIT_SYMBOLS - 257];
  constexpr LengthTable() : code() {
    for (unsigned s = 257; s < LIT_SYMBOLS; ++s) {
      unsigned i = s - 257;
      if (s < 265) {
        code[i] = {static_cast<uint16_t>(s - 254), 0, 0};
      } else {
        unsigned e = (i >> 2) - 1;
        code[i] = {static_cast<uint16_t>(((4 + (i & 3)) << e) + 3), static_cast<uint8_t>(e), (1u << e) - 1};
      }
    }
    code[DEFLATE64_LONG_MATCH - 257] = {258, 0, 0};
  }
};

// Distance symbols 0-31: 0-3 are 1 to 4; from 4 on, E = (D >> 1) - 1 extra bits over a base of
// ((2 + (D & 1)) << E) + 1, so symbols 30 and 31 reach 65,536 bytes back.
struct DistanceCode {
  uint32_t base;
  uint32_t extra;
  uint32_t mask;  // (1 << extra) - 1
};

struct DistanceTable {
  DistanceCode code[DIST_SYMBOLS];
  constexpr DistanceTable() : code() {
    for (unsigned d = 0; d < DIST_SYMBOLS; ++d) {
      if (d < 4) {
        code[d] = {d + 1, 0, 0};
      } else {
        unsigned e = (d >> 1) - 1;
        code[d] = {((2u + (d & 1)) << e) + 1, e, (1u << e) - 1};
      }
    }
  }
};

constexpr LengthTable LENGTHS;
constexpr DistanceTable DISTANCES;

inline uint64_t load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  if constexpr (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__) v = __builtin_bswap64(v);
  return v;
}

inline uint64_t lowBits(unsigned n) { return (uint64_t{1} << n) - 1; }

inline void copy8(uint8_t* dst, const uint8_t* src) {
  uint64_t chunk;
  std::memcpy(&chunk, src, 8);
  std::memcpy(dst, &chunk, 8);
}

// Copies n bytes forward as a byte-by-byte loop would, where source and destination may
// overlap (dst after src repeats the pattern of the last dst - src bytes). Never writes past
// dst + n: the window bytes just beyond still hold older data that later matches may read.
inline void copyForward(uint8_t* dst, const uint8_t* src, uint32_t n) {
  if (dst - src >= 8 || src >= dst) {
    while (n >= 8) {
      copy8(dst, src);
      src += 8;
      dst += 8;
      n -= 8;
    }
    while (n-- > 0) *dst++ = *src++;
  } else if (dst - src == 1) {
    std::memset(dst, *src, n);
  } else {
    while (n-- > 0) *dst++ = *src++;
  }
}

// The same copy for the fast loop, in whole eight-byte chunks: it may write up to 7 bytes
// past dst + n and read up to 7 past src + n, so the caller keeps 8 bytes of room behind
// both and restores the bytes past dst + n afterwards.
inline void copyChunks(uint8_t* dst, const uint8_t* src, uint32_t n) {
  uint8_t* const end = dst + n;
  uint32_t distance = static_cast<uint32_t>(dst - src);
  if (src >= dst || distance >= 8) {
    do {
      copy8(dst, src);
      dst += 8;
      src += 8;
    } while (dst < end);
  } else if (distance == 1) {
    std::memset(dst, *src, n);
  } else {
    // A period shorter than 8: byte i equals byte i - k * distance for every k once the
    // first (k - 1) * distance bytes are in place, so after a few single bytes the copy
    // continues in chunks from a multiple of the distance of at least 8.
    uint32_t stride = ((8 + distance - 1) / distance) * distance;
    uint32_t head = stride - distance;
    if (head > n) head = n;
    for (uint32_t i = 0; i < head; ++i) dst[i] = src[i];
    for (dst += head; dst < end; dst += 8) copy8(dst, dst - stride);
  }
}

// The low `len` bits of `code` in reverse order.
inline uint32_t reverseBits(uint32_t code, unsigned len) {
  uint32_t v = code;
  v = ((v & 0x5555) << 1) | ((v >> 1) & 0x5555);
  v = ((v & 0x3333) << 2) | ((v >> 2) & 0x3333);
  v = ((v & 0x0F0F) << 4) | ((v >> 4) & 0x0F0F);
  v = ((v & 0x00FF) << 8) | ((v >> 8) & 0x00FF);
  return v >> (16 - len);
}

}  // namespace

// ---- set-up --------------------------------------------------------------------------------

void Inflater::Init(InflateIo& io) {
  SFX_ASSERT("INFLATE", io.WorkBufSize >= MIN_FIXED_BUFFER, "ExtClass->WorkBufSize >= MIN_FIXED_BUFFER");
  SFX_ASSERT("INFLATE", io.OutBufSize >= MAXDICSIZE, "ExtClass->OutBufSize >= MAXDICSIZE");
  SFX_ASSERT("INFLATE", io.InBufSize > 0, "ExtClass->InBufSize > 0");
  SFX_ASSERT("INFLATE", io.InBuf != nullptr && io.OutBuf != nullptr && io.WorkBuf != nullptr,
             "ExtClass buffers != NULL");
  io_ = &io;
  uint8_t* work = io.WorkBuf;
  lengths_ = work + LENGTHS_OFFSET;
  clLookup_ = reinterpret_cast<uint16_t*>(work + CL_LOOKUP_OFFSET);
  codes_ = reinterpret_cast<uint16_t*>(work + CODES_OFFSET);
  distLengths_ = work + DIST_LENGTHS_OFFSET;
  distLookup_ = reinterpret_cast<uint16_t*>(work + DIST_LOOKUP_OFFSET);
  distNodes_ = reinterpret_cast<uint16_t*>(work + DIST_NODES_OFFSET);
  litLookup_ = reinterpret_cast<uint16_t*>(work + LIT_LOOKUP_OFFSET);
  litNodes_ = reinterpret_cast<uint16_t*>(work + LIT_NODES_OFFSET);
  winStart_ = io.OutBuf;
  winEnd_ = io.OutBuf + io.OutBufSize;
  outPos_ = winStart_;
  inPos_ = inEnd_ = io.InBuf;
  bitBuf_ = 0;
  bitCount_ = 0;
  exhausted_ = 0;
  fillerBits_ = 0;
  windowFilled_ = 0;
  error_ = 0;
  stopped_ = false;
}

// ---- input and bits --------------------------------------------------------------------------

// Fills the input buffer. Once a read has brought nothing, ReadInput is not asked again:
// every later refill only counts.
bool Inflater::refill() {
  if (exhausted_ != 0) {
    if (exhausted_ < 0xFFFF) ++exhausted_;
    return false;
  }
  uint32_t got = io_->ReadInput(io_->InBuf, io_->InBufSize);
  if (got > io_->InBufSize) got = io_->InBufSize;  // a reader never hands more than asked
  inPos_ = io_->InBuf;
  inEnd_ = io_->InBuf + got;
  if (got == 0) {
    exhausted_ = 1;
    return false;
  }
  return true;
}

// The next input byte, refilling first when the buffer is used up; -1 after the end.
int Inflater::nextByte() {
  if (inPos_ == inEnd_ && !refill()) return -1;
  return *inPos_++;
}

// Makes sure n bits can be consumed and 8 stay behind, loading one byte at a time.
inline void Inflater::needBits(unsigned n) {
  while (bitCount_ < n + TABLE_BITS) {
    int b = nextByte();
    if (b < 0) {
      b = FILLER_BYTE;
      fillerBits_ += 8;
    }
    bitBuf_ |= static_cast<uint64_t>(b) << bitCount_;
    bitCount_ += 8;
  }
}

inline uint32_t Inflater::takeBits(unsigned n) {
  needBits(n);
  uint32_t v = static_cast<uint32_t>(bitBuf_ & lowBits(n));
  bitBuf_ >>= n;
  bitCount_ -= n;
  return v;
}

// Gives whole bytes loaded ahead by the fast loop back to the input buffer, so that exactly
// 8 to 15 bits stay, as byte-at-a-time reading would have left. The fast loop reads only
// inside the current buffer, so the bytes given back are still there.
void Inflater::returnWholeBytes() {
  while (bitCount_ >= 16 && inPos_ > io_->InBuf) {
    bitCount_ -= 8;
    --inPos_;
  }
  bitBuf_ &= lowBits(bitCount_);
}

// ---- output ---------------------------------------------------------------------------------

// Hands `size` bytes from the window start to WriteOutput. False when the engine asked to stop.
bool Inflater::flushWindow(uint32_t size) {
  if (size != 0 && !io_->WriteOutput(winStart_, size)) stopped_ = true;
  return !stopped_;
}

// The output position reached the window end: the whole window goes out.
bool Inflater::wrapWindow() {
  outPos_ = winStart_;
  windowFilled_ = io_->OutBufSize;
  return flushWindow(io_->OutBufSize);
}

inline bool Inflater::putByte(uint8_t b) {
  *outPos_++ = b;
  return outPos_ != winEnd_ || wrapWindow();
}

// True when every byte a match of `length` at `distance` reads from window offset outOff on
// was produced by this entry. Bytes before outOff are this entry's. A distance beyond outOff
// reads first from outOff + size - distance on (distances never exceed the window size),
// for at most distance - outOff bytes before the copy reaches its own output; that stretch
// must lie inside the part of the window this entry has written.
inline bool Inflater::distanceReaches(uint32_t distance, uint32_t length, uint32_t outOff) const {
  if (distance <= outOff) return true;
  uint32_t behind = distance - outOff;
  if (length < behind) behind = length;
  return outOff + io_->OutBufSize - distance + behind <= windowFilled_;
}

// Copies `length` bytes from `distance` bytes back in the circular window. The distance is
// not checked against what this entry produced: the window keeps older bytes, and a wrong
// reference shows in the entry's CRC-32.
bool Inflater::copyMatch(uint32_t length, uint32_t distance) {
  uint32_t size = io_->OutBufSize;
  uint32_t outOff = static_cast<uint32_t>(outPos_ - winStart_);
  uint32_t srcOff = outOff >= distance ? outOff - distance : outOff + size - distance;
  while (length > 0) {
    uint32_t n = length;
    if (n > size - outOff) n = size - outOff;
    if (n > size - srcOff) n = size - srcOff;
    copyForward(winStart_ + outOff, winStart_ + srcOff, n);
    length -= n;
    outOff += n;
    srcOff += n;
    if (srcOff == size) srcOff = 0;
    if (outOff == size) {
      outOff = 0;
      if (!wrapWindow()) return false;
    }
  }
  outPos_ = winStart_ + outOff;
  return true;
}

// ---- tables ----------------------------------------------------------------------------------

// Builds the lookup table (and tree nodes for codes longer than 8 bits) of `count` code
// lengths. A set that is not a complete prefix code is accepted only when it has at most one
// code; otherwise the result is false (error 10).
bool Inflater::buildTable(const uint8_t* lengths, unsigned count, uint16_t* lookup,
                          uint16_t* nodes, unsigned maxNodes) {
  uint32_t lengthCount[MAX_CODE_BITS + 1] = {};
  unsigned used = 0;
  for (unsigned s = 0; s < count; ++s) {
    if (lengths[s] != 0) {
      ++lengthCount[lengths[s]];
      ++used;
    }
  }
  uint32_t nextCode[MAX_CODE_BITS + 1] = {};
  uint32_t code = 0;
  for (unsigned len = 1; len <= MAX_CODE_BITS; ++len) {
    code = (code + (len > 1 ? lengthCount[len - 1] : 0)) << 1;
    nextCode[len] = code;
  }
  if (((code + lengthCount[MAX_CODE_BITS]) << 1) != COMPLETE_CODE && used > 1) return false;

  for (unsigned s = 0; s < count; ++s) {
    unsigned len = lengths[s];
    if (len == 0) continue;
    codes_[s] = static_cast<uint16_t>(reverseBits(nextCode[len]++ & 0xFFFF, len));
  }

  std::memset(lookup, 0, (1u << TABLE_BITS) * sizeof(uint16_t));
  unsigned nodesUsed = 0;
  for (unsigned s = count; s-- > 0;) {
    unsigned len = lengths[s];
    if (len == 0) continue;
    uint32_t reversed = codes_[s];
    if (len <= TABLE_BITS) {
      for (uint32_t i = reversed; i < (1u << TABLE_BITS); i += 1u << len) lookup[i] = static_cast<uint16_t>(s);
      continue;
    }
    uint16_t* slot = &lookup[reversed & ((1u << TABLE_BITS) - 1)];
    for (unsigned b = TABLE_BITS; b < len; ++b) {
      if ((*slot & NODE_FLAG) == 0) {
        // A complete code never needs more nodes than symbols; the check keeps any input
        // inside the node array.
        if (nodesUsed >= maxNodes) return false;
        nodes[2 * nodesUsed] = 0;
        nodes[2 * nodesUsed + 1] = 0;
        *slot = static_cast<uint16_t>(~nodesUsed);
        ++nodesUsed;
      }
      unsigned node = static_cast<uint16_t>(~*slot);
      slot = &nodes[2 * node + ((reversed >> b) & 1)];
    }
    *slot = static_cast<uint16_t>(s);
  }
  return true;
}

bool Inflater::buildFixedTables() {
  // RFC 1951, 3.2.6: 0-143 eight bits, 144-255 nine, 256-279 seven, 280-287 eight; all 32
  // distance codes five bits.
  std::memset(lengths_, 8, 144);
  std::memset(lengths_ + 144, 9, 256 - 144);
  std::memset(lengths_ + 256, 7, 280 - 256);
  std::memset(lengths_ + 280, 8, LIT_SYMBOLS - 280);
  std::memset(distLengths_, 5, DIST_SYMBOLS);
  return buildTable(lengths_, LIT_SYMBOLS, litLookup_, litNodes_, LIT_SYMBOLS) &&
         buildTable(distLengths_, DIST_SYMBOLS, distLookup_, distNodes_, DIST_SYMBOLS);
}

// Reads a dynamic block header and builds its literal/length and distance tables. Returns 0,
// or 10 for bad lengths, or 12 when the header ran past the end of the input (which is what a
// cut stream's garbage lengths really mean).
int Inflater::readDynamicHeader() {
  unsigned hlit = takeBits(5) + 257;
  unsigned hdist = takeBits(5) + 1;
  unsigned hclen = takeBits(4) + 4;

  uint8_t* clLengths = distLengths_;  // free until the distance lengths are copied in
  std::memset(clLengths, 0, CL_SYMBOLS);
  for (unsigned i = 0; i < hclen; ++i) clLengths[CL_ORDER[i]] = static_cast<uint8_t>(takeBits(3));
  const int bad = INFLATE_BAD_TABLE;
  if (truncated()) return INFLATE_UNEXPECTED_END;
  if (!buildTable(clLengths, CL_SYMBOLS, clLookup_, nullptr, 0)) return bad;

  unsigned total = hlit + hdist;
  unsigned i = 0;
  while (i < total) {
    // Code-length codes are at most 7 bits: one look-up, no tree.
    unsigned sym = clLookup_[bitBuf_ & 0xFF] & 0x1F;
    if (sym >= CL_SYMBOLS) sym = 0;
    takeBits(clLengths[sym]);
    if (sym < 16) {
      lengths_[i++] = static_cast<uint8_t>(sym);
      continue;
    }
    uint8_t value = 0;
    unsigned run;
    if (sym == 16) {
      if (i == 0) return truncated() ? INFLATE_UNEXPECTED_END : bad;  // nothing to repeat yet
      value = lengths_[i - 1];
      run = 3 + takeBits(2);
    } else if (sym == 17) {
      run = 3 + takeBits(3);
    } else {
      run = 11 + takeBits(7);
    }
    if (run > total - i) return truncated() ? INFLATE_UNEXPECTED_END : bad;
    std::memset(lengths_ + i, value, run);
    i += run;
  }
  if (truncated()) return INFLATE_UNEXPECTED_END;
  std::memcpy(distLengths_, lengths_ + hlit, hdist);
  bool built = buildTable(lengths_, hlit, litLookup_, litNodes_, LIT_SYMBOLS) &&
               buildTable(distLengths_, hdist, distLookup_, distNodes_, DIST_SYMBOLS);
  return built ? 0 : bad;
}

// ---- symbols (byte-exact reading) -------------------------------------------------------------

// Walks the tree below a lookup entry with the bits above the low 8 (at least 8 more are
// always present after the first 8 are consumed). Returns the symbol, or -1 when the walk
// takes more steps than any table built here can have.
namespace {
inline int walkTree(const uint16_t* nodes, uint16_t entry, uint64_t bits, unsigned* steps) {
  unsigned walked = 0;
  while (entry & NODE_FLAG) {
    if (walked == MAX_TREE_STEPS) return -1;
    unsigned node = static_cast<uint16_t>(~entry);
    entry = nodes[2 * node + (bits & 1)];
    bits >>= 1;
    ++walked;
  }
  *steps = walked;
  return entry;
}
}  // namespace

// Decodes a literal/length symbol; -1 ends the block (a symbol without a code, or a walk
// too deep).
int Inflater::decodeLiteralLength() {
  uint16_t entry = litLookup_[bitBuf_ & 0xFF];
  if ((entry & NODE_FLAG) == 0) {
    unsigned len = lengths_[entry];
    if (len == 0) return -1;
    takeBits(len);
    return entry;
  }
  takeBits(TABLE_BITS);
  unsigned steps = 0;
  int sym = walkTree(litNodes_, entry, bitBuf_, &steps);
  if (sym < 0) return -1;
  takeBits(steps);
  return lengths_[sym] == 0 ? -1 : sym;
}

// Decodes a distance symbol; a pattern no code fills reads as symbol 0.
int Inflater::decodeDistance() {
  uint16_t entry = distLookup_[bitBuf_ & 0xFF];
  if ((entry & NODE_FLAG) == 0) {
    takeBits(distLengths_[entry]);
    return entry;
  }
  takeBits(TABLE_BITS);
  unsigned steps = 0;
  int sym = walkTree(distNodes_, entry, bitBuf_, &steps);
  if (sym < 0) return 0;
  takeBits(steps);
  return sym;
}

// ---- blocks -----------------------------------------------------------------------------------

// Decodes one length/distance pair whose length symbol is `sym`, reading byte-exactly.
// Returns false when decoding of the entry must end (engine stop, cut input, bad distance).
bool Inflater::lengthDistance(unsigned sym) {
  uint32_t length;
  if (sym == DEFLATE64_LONG_MATCH && !deflateMode_) {
    uint32_t v = takeBits(8);
    v |= takeBits(8) << 8;
    if (truncated()) {
      error_ = INFLATE_UNEXPECTED_END;
      return false;
    }
    if (v == 0) {
      // Flush marker: the window so far goes out and decoding restarts at its start.
      uint32_t size = static_cast<uint32_t>(outPos_ - winStart_);
      if (size > windowFilled_) windowFilled_ = size;
      outPos_ = winStart_;
      return flushWindow(size);
    }
    length = v + 3;
  } else {
    const LengthCode& lc = LENGTHS.code[sym - 257];
    length = lc.base + takeBits(lc.extra);
  }
  unsigned d = static_cast<unsigned>(decodeDistance());
  uint32_t distance = DISTANCES.code[d].base;
  unsigned extra = DISTANCES.code[d].extra;
  if (extra > 8) {
    distance += takeBits(8);
    distance += takeBits(extra - 8) << 8;
  } else {
    distance += takeBits(extra);
  }
  if (truncated()) {
    error_ = INFLATE_UNEXPECTED_END;
    return false;
  }
  if (!distanceReaches(distance, length, static_cast<uint32_t>(outPos_ - winStart_))) {
    error_ = INFLATE_BAD_TABLE;
    return false;
  }
  return copyMatch(length, distance);
}

// Decodes the symbols of a Huffman block until its end-of-block code, an error or a stop.
void Inflater::decodeBlock() {
  for (;;) {
    if (static_cast<uint32_t>(inEnd_ - inPos_) >= FAST_INPUT_MARGIN) {
      if (decodeFast()) return;
      continue;
    }
    if (exhausted_ > MAX_EXHAUSTED) {
      error_ = INFLATE_UNEXPECTED_END;
      return;
    }
    int sym = decodeLiteralLength();
    if (truncated()) {
      error_ = INFLATE_UNEXPECTED_END;
      return;
    }
    if (sym < 0 || sym == static_cast<int>(END_OF_BLOCK)) return;
    if (sym < 256) {
      if (!putByte(static_cast<uint8_t>(sym))) return;
    } else if (!lengthDistance(static_cast<unsigned>(sym))) {
      return;
    }
  }
}

// The fast loop: runs while at least FAST_INPUT_MARGIN bytes remain in the input buffer,
// keeping 56 or more bits in the bit buffer with eight-byte loads. Returns true when the block
// ended (end code, error or stop), false when the input margin ran out and byte-exact
// reading must take over.
bool Inflater::decodeFast() {
  const uint8_t* in = inPos_;
  const uint8_t* inLimit = inEnd_ - FAST_INPUT_MARGIN;
  uint64_t bits = bitBuf_;
  unsigned count = bitCount_;
  uint8_t* out = outPos_;
  uint8_t* const winEnd = winEnd_;
  const uint16_t* litLookup = litLookup_;
  const uint8_t* litLengths = lengths_;
  const uint32_t windowSize = io_->OutBufSize;
  bool ended = false;

#define SFX_REFILL()                                   \
  do {                                                 \
    bits |= load64(in) << count;                       \
    in += (63 - count) >> 3;                           \
    count |= 56;                                       \
  } while (0)
#define SFX_CONSUME(n)  \
  do {                  \
    bits >>= (n);       \
    count -= (n);       \
  } while (0)

  while (in <= inLimit) {
    SFX_REFILL();
    uint16_t entry = litLookup[bits & 0xFF];
    unsigned sym;
    if ((entry & NODE_FLAG) == 0) {
      unsigned len = litLengths[entry];
      if (len == 0) { ended = true; break; }
      SFX_CONSUME(len);
      sym = entry;
      if (sym < 256) {
        *out++ = static_cast<uint8_t>(sym);
        if (out == winEnd) {
          outPos_ = out;
          bool goOn = wrapWindow();
          out = outPos_;
          if (!goOn) { ended = true; break; }
        }
        // A second literal fits in the bits already loaded (56 - 15 > 15).
        entry = litLookup[bits & 0xFF];
        if ((entry & NODE_FLAG) != 0 || entry >= 256) continue;
        len = litLengths[entry];
        if (len == 0) continue;
        SFX_CONSUME(len);
        *out++ = static_cast<uint8_t>(entry);
        if (out == winEnd) {
          outPos_ = out;
          bool goOn = wrapWindow();
          out = outPos_;
          if (!goOn) { ended = true; break; }
        }
        continue;
      }
    } else {
      unsigned steps = 0;
      int s = walkTree(litNodes_, entry, bits >> TABLE_BITS, &steps);
      if (s < 0) { SFX_CONSUME(TABLE_BITS); ended = true; break; }
      SFX_CONSUME(TABLE_BITS + steps);
      if (litLengths[s] == 0) { ended = true; break; }
      sym = static_cast<unsigned>(s);
      if (sym < 256) {
        *out++ = static_cast<uint8_t>(sym);
        if (out == winEnd) {
          outPos_ = out;
          bool goOn = wrapWindow();
          out = outPos_;
          if (!goOn) { ended = true; break; }
        }
        continue;
      }
    }
    if (sym == END_OF_BLOCK) { ended = true; break; }

    // Length: at most 15 + 16 bits were used since the refill.
    uint32_t length;
    if (sym == DEFLATE64_LONG_MATCH && !deflateMode_) {
      length = static_cast<uint32_t>(bits & 0xFFFF);
      SFX_CONSUME(16);
      if (length == 0) {
        uint32_t size = static_cast<uint32_t>(out - winStart_);
        if (size > windowFilled_) windowFilled_ = size;
        out = winStart_;
        if (!flushWindow(size)) { ended = true; break; }
        continue;
      }
      length += 3;
    } else {
      const LengthCode& lc = LENGTHS.code[sym - 257];
      length = lc.base + static_cast<uint32_t>(bits & lc.mask);
      SFX_CONSUME(lc.extra);
    }

    // Distance: up to 15 + 14 bits, after a second load.
    SFX_REFILL();
    entry = distLookup_[bits & 0xFF];
    unsigned d;
    if ((entry & NODE_FLAG) == 0) {
      d = entry;
      SFX_CONSUME(distLengths_[d]);
    } else {
      unsigned steps = 0;
      int s = walkTree(distNodes_, entry, bits >> TABLE_BITS, &steps);
      if (s < 0) {
        d = 0;
        SFX_CONSUME(TABLE_BITS);
      } else {
        d = static_cast<unsigned>(s);
        SFX_CONSUME(TABLE_BITS + steps);
      }
    }
    const DistanceCode& dc = DISTANCES.code[d];
    uint32_t distance = dc.base + static_cast<uint32_t>(bits & dc.mask);
    SFX_CONSUME(dc.extra);

    // With 8 bytes of room behind both source and destination, the match is copied in
    // chunks and the bytes past its end are put back; otherwise copyMatch wraps.
    uint32_t outOff = static_cast<uint32_t>(out - winStart_);
    if (!distanceReaches(distance, length, outOff)) {
      error_ = INFLATE_BAD_TABLE;
      ended = true;
      break;
    }
    uint32_t srcOff = outOff >= distance ? outOff - distance : outOff + windowSize - distance;
    if (length + 8 <= static_cast<uint32_t>(winEnd - out) && length + 8 <= windowSize - srcOff) {
      uint64_t keep;
      std::memcpy(&keep, out + length, 8);
      copyChunks(out, winStart_ + srcOff, length);
      out += length;
      std::memcpy(out, &keep, 8);
      continue;
    }
    outPos_ = out;
    if (!copyMatch(length, distance)) { ended = true; break; }
    out = outPos_;
  }
#undef SFX_REFILL
#undef SFX_CONSUME

  inPos_ = in;
  bitBuf_ = bits;
  bitCount_ = count;
  outPos_ = out;
  returnWholeBytes();
  return ended;
}

// A stored block: LEN, NLEN (its one's complement) and LEN bytes copied from the input.
void Inflater::storedBlock() {
  // Drop the rest of the current byte; one whole byte then stays in the bit buffer.
  unsigned drop = bitCount_ & 7;
  bitBuf_ >>= drop;
  bitCount_ -= drop;
  returnWholeBytes();
  int b1 = nextByte(), b2 = nextByte(), b3 = nextByte();
  if (fillerBits_ != 0 || b1 < 0 || b2 < 0 || b3 < 0) {
    error_ = INFLATE_UNEXPECTED_END;
    return;
  }
  uint32_t len = static_cast<uint32_t>(bitBuf_ & 0xFF) | static_cast<uint32_t>(b1) << 8;
  uint32_t nlen = static_cast<uint32_t>(b2) | static_cast<uint32_t>(b3) << 8;
  if (nlen != (~len & 0xFFFF)) {
    error_ = INFLATE_BAD_TABLE;
    return;
  }
  while (len > 0) {
    if (inPos_ == inEnd_ && !refill()) {
      error_ = INFLATE_UNEXPECTED_END;
      return;
    }
    uint32_t n = len;
    uint32_t inLeft = static_cast<uint32_t>(inEnd_ - inPos_);
    uint32_t room = static_cast<uint32_t>(winEnd_ - outPos_);
    if (n > inLeft) n = inLeft;
    if (n > room) n = room;
    std::memcpy(outPos_, inPos_, n);
    inPos_ += n;
    outPos_ += n;
    len -= n;
    if (outPos_ == winEnd_ && !wrapWindow()) return;
  }
  int next = nextByte();
  if (next < 0) {
    next = FILLER_BYTE;
    fillerBits_ = 8;
  }
  bitBuf_ = static_cast<uint32_t>(next);
  bitCount_ = 8;
}

// ---- the entry ----------------------------------------------------------------------------------

// Decodes the entry. A stop asked by WriteOutput (the entry already produced all the bytes it
// declared) ends decoding at once with 0; the caller's CRC-32 comparison then judges it.
int Inflater::Run(bool deflateMode) {
  SFX_ASSERT("INFLATE", io_ != nullptr, "ExtClass != NULL");
  deflateMode_ = deflateMode;
  if (!refill()) return 0;  // no compressed data: nothing to decode
  bitBuf_ = *inPos_++;
  bitCount_ = 8;

  bool last = false;
  while (!last && error_ == 0 && !stopped_) {
    last = takeBits(1) != 0;
    unsigned type = takeBits(2);
    if (truncated()) {
      error_ = INFLATE_UNEXPECTED_END;
      break;
    }
    switch (type) {
      case 0:
        storedBlock();
        break;
      case 1:
        if (!buildFixedTables()) error_ = INFLATE_BAD_TABLE;
        else decodeBlock();
        break;
      case 2:
        error_ = readDynamicHeader();
        if (error_ == 0) decodeBlock();
        break;
      default:
        error_ = INFLATE_BAD_BLOCK_TYPE;
        break;
    }
  }
  if (stopped_) return 0;
  if (error_ != 0) return error_;  // the window not yet written is dropped
  flushWindow(static_cast<uint32_t>(outPos_ - winStart_));
  return 0;
}
