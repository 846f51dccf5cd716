// Inflate and Deflate64 decoder. Blocks are decoded with the canonical Huffman codes of
// RFC 1951 through the two-level tables of inflate_tables.h, built in the work buffer for
// every block (the fixed tables only once per entry and mode).
//
// The bit reader keeps the behaviour of a reader that loads one byte at a time, only when
// fewer than 8 bits would be left after a step: input is pulled through ReadInput at the
// same points, and once ReadInput has returned nothing every further byte the decoder needs
// is a filler byte (0xFF) counted as an empty refill. Filler may be looked at but never
// consumed: a step that consumes a filler bit ends the entry with error 12, so a complete
// stream that ends in the last input byte still decodes, and a cut one says it was cut.
//
// While at least FAST_INPUT_MARGIN input bytes remain in the buffer and the window has room
// for the longest ordinary match, the decoder runs a fast loop that keeps its bits in a
// machine word refilled with whole-word loads (56 or more bits on a 64-bit build, 24 or more
// on the 32-bit stub), looks up each symbol before the one ahead of it is written, and copies
// matches in whole words; the extra whole bytes it holds are given back to the buffer
// whenever byte-exact reading resumes, and every output event (window written out, error,
// stop) happens at the same symbol as in byte-exact reading.
#include "decode/inflate.h"

#include <cstring>

#include "decode/inflate_tables.h"
#include "system/system.h"

using namespace inflate_tables;

namespace {

constexpr uint32_t COMPLETE_CODE = 1u << 16;  // the code value after the last 15-bit code
constexpr uint8_t FILLER_BYTE = 0xFF;    // what a read past the end of the input yields
constexpr uint32_t MAX_EXHAUSTED = 6;    // empty refills tolerated before error 12
constexpr unsigned END_OF_BLOCK = 256;
constexpr unsigned DEFLATE64_LONG_MATCH = 285;  // length symbol with 16 extra bits in Deflate64
// The fast loop loads a word at the input position up to three times a pass with a 64-bit word
// (five with a 32-bit one), and a pass consumes at most 31 + 29 bits: 32 bytes keep every load
// inside the buffer.
constexpr uint32_t FAST_INPUT_MARGIN = 32;
constexpr uint32_t MAX_MATCH = 258;             // the longest match but Deflate64's long ones

// Order in which the code-length-code lengths are sent (RFC 1951, 3.2.7).
constexpr uint8_t CL_ORDER[CL_SYMBOLS] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5,
                                          11, 4, 12, 3, 13, 2, 14, 1, 15};

// Length symbols 257-287: 257-264 are 3 to 10; from 265 on, E = ((S - 257) >> 2) - 1 extra bits
// over a base of ((4 + ((S - 257) & 3)) << E) + 3; 286 and 287 follow the formula. 285 is
// apart: 258 with no extra bits in Deflate, 16 extra bits over 3 in Deflate64.
constexpr unsigned lengthBase(unsigned s) {
  return s < 265 ? s - 254 : ((4 + ((s - 257) & 3)) << (((s - 257) >> 2) - 1)) + 3;
}
constexpr unsigned lengthExtra(unsigned s) { return s < 265 ? 0 : ((s - 257) >> 2) - 1; }

// Distance symbols 0-31: 0-3 are 1 to 4; from 4 on, E = (D >> 1) - 1 extra bits over a base of
// ((2 + (D & 1)) << E) + 1, so symbols 30 and 31 reach 65,536 bytes back.
constexpr unsigned distanceBase(unsigned d) { return d < 4 ? d + 1 : ((2 + (d & 1)) << ((d >> 1) - 1)) + 1; }
constexpr unsigned distanceExtra(unsigned d) { return d < 4 ? 0 : (d >> 1) - 1; }

static_assert(lengthBase(284) == 227 && lengthExtra(284) == 5 && lengthBase(287) == 387 &&
                  distanceBase(29) == 24577 && distanceBase(31) == 49153 && distanceExtra(31) == 14,
              "RFC 1951 tables and their Deflate64 continuation");

// Table entries without their code length (symbolEntry adds it to both counts): the value and
// the extra bits of symbols 256-287 (end of block, then the lengths as in Deflate) and of the
// distance symbols 0-31, computed once at compile time rather than for every symbol of every
// block.
struct SymbolEntries {
  uint32_t length[LIT_SYMBOLS - 256];
  uint32_t distance[DIST_SYMBOLS];
};
constexpr SymbolEntries makeSymbolEntries() {
  SymbolEntries t{};
  t.length[END_OF_BLOCK - 256] = EXCEPTIONAL;
  for (unsigned s = END_OF_BLOCK + 1; s < LIT_SYMBOLS; ++s)
    t.length[s - 256] = s == DEFLATE64_LONG_MATCH ? entry(258, 0, 0) : entry(lengthBase(s), 0, lengthExtra(s));
  for (unsigned d = 0; d < DIST_SYMBOLS; ++d) t.distance[d] = entry(distanceBase(d), 0, distanceExtra(d));
  return t;
}
constexpr SymbolEntries SYMBOL_ENTRIES = makeSymbolEntries();

inline uint64_t load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  if constexpr (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__) v = __builtin_bswap64(v);
  return v;
}

inline uint64_t lowBits(unsigned n) { return (uint64_t{1} << n) - 1; }

// The fast loop's bit buffer: a machine word, 64 bits on a 64-bit build and 32 on the stub's,
// where a 64-bit buffer would take two registers and several instructions per shift.
using BitWord = uintptr_t;
// The fast loop's helpers are inlined: one left as a call takes the bit count's address, and
// the count then lives in memory.
#define INLINE __attribute__((always_inline))
constexpr unsigned WORD_BITS = sizeof(BitWord) * 8;
// A 64-bit word holds three codes and their extra bits after one refill (see decodeFast).
constexpr bool WIDE_WORD = WORD_BITS >= 64;

// Room a fast match copy needs past its end: it copies four words at once (copyChunks).
constexpr uint32_t COPY_OVERRUN = 4 * sizeof(BitWord);
// Where the bytes past a match must be put back (see decodeBlock), the copy writes at most 16
// bytes past its end: two words at once on a 64-bit build, four on the 32-bit one. Putting
// back the four words' 32 bytes would cost more than the two words' loop saves.
constexpr uint32_t KEEP_BYTES = 16;
constexpr unsigned KEEP_FIRST_WORDS = KEEP_BYTES / sizeof(BitWord);
// Window room the fast loop keeps: a match of MAX_MATCH bytes and its copy's overrun, or three
// literals, fit without a window-end test.
constexpr uint32_t FAST_OUTPUT_MARGIN = MAX_MATCH + COPY_OVERRUN;

inline BitWord lowWordBits(unsigned n) { return (BitWord{1} << n) - 1; }

inline BitWord loadWord(const uint8_t* p) {
  if constexpr (WIDE_WORD) return static_cast<BitWord>(load64(p));
  uint32_t v;
  std::memcpy(&v, p, sizeof v);
  if constexpr (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__) v = __builtin_bswap32(v);
  return v;
}

// The extra bits of an entry's code, from the bits as they were before it was consumed.
inline uint32_t extraValue(uint64_t saved, uint32_t e) {
  return static_cast<uint32_t>((saved & lowBits(consumed(e))) >> depends(e));
}

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

// The same copy for the fast loop, in whole machine words: FIRST at once (four cover most
// matches without a loop), then two at a time. It may write up to FIRST words - 1 bytes past
// dst + n and read as many past src + n, so the caller keeps that much room behind both and,
// where they matter, restores the bytes past dst + n afterwards. Words are copied in
// order, so a source at least a word before the destination repeats its pattern as a byte
// loop would; a source after the destination (a match reaching behind the window start) is
// read before it could be overwritten.
inline void copyWord(uint8_t* dst, const uint8_t* src) {
  BitWord w;
  std::memcpy(&w, src, sizeof w);
  std::memcpy(dst, &w, sizeof w);
}

template <unsigned FIRST>
inline void copyChunks(uint8_t* dst, const uint8_t* src, uint32_t n) {
  static_assert(FIRST == 2 || FIRST == 4, "a first chunk of two or four words");
  constexpr uint32_t W = sizeof(BitWord);
  uint8_t* const end = dst + n;
  // Bytes from source to destination; wraps to a huge value for a source after it. A source
  // at the destination itself (a Deflate64 distance of a whole 64 KiB window) counts as after.
  uintptr_t apart = reinterpret_cast<uintptr_t>(dst) - reinterpret_cast<uintptr_t>(src);
  if (apart - 1 >= W - 1) {
    copyWord(dst, src);
    copyWord(dst + W, src + W);
    if (FIRST == 4) {
      copyWord(dst + 2 * W, src + 2 * W);
      copyWord(dst + 3 * W, src + 3 * W);
    }
    if (n > FIRST * W) {
      dst += FIRST * W;
      src += FIRST * W;
      do {
        copyWord(dst, src);
        copyWord(dst + W, src + W);
        dst += 2 * W;
        src += 2 * W;
      } while (dst < end);
    }
  } else if (apart == 1) {
    std::memset(dst, *src, n);
  } else {
    // A period shorter than a word: byte i equals byte i - k * distance for every k once the
    // first (k - 1) * distance bytes are in place, so after a few single bytes the copy
    // continues in words from a multiple of the distance of at least a word.
    uint32_t distance = static_cast<uint32_t>(apart);
    uint32_t stride = ((W + distance - 1) / distance) * distance;
    uint32_t head = stride - distance;
    if (head > n) head = n;
    for (uint32_t i = 0; i < head; ++i) dst[i] = src[i];
    for (dst += head; dst < end; dst += W) copyWord(dst, dst - stride);
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
  litTable_ = reinterpret_cast<uint32_t*>(work + LIT_TABLE_OFFSET);
  distTable_ = reinterpret_cast<uint32_t*>(work + DIST_TABLE_OFFSET);
  clTable_ = reinterpret_cast<uint32_t*>(work + CL_TABLE_OFFSET);
  lengths_ = work + LENGTHS_OFFSET;
  clLengths_ = work + CL_LENGTHS_OFFSET;
  sorted_ = reinterpret_cast<uint16_t*>(work + SORTED_OFFSET);
  fixedBuilt_ = 0;
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

// Loads the next input byte above the bits held, filler after the end.
void Inflater::loadByte() {
  int b = nextByte();
  if (b < 0) {
    b = FILLER_BYTE;
    fillerBits_ += 8;
  }
  bitBuf_ |= static_cast<uint64_t>(b) << bitCount_;
  bitCount_ += 8;
}

// Makes sure n bits can be consumed and 8 stay behind, loading one byte at a time.
inline void Inflater::needBits(unsigned n) {
  while (bitCount_ < n + 8) loadByte();
}

inline void Inflater::dropBits(unsigned n) {
  bitBuf_ >>= n;
  bitCount_ -= n;
}

inline uint32_t Inflater::takeBits(unsigned n) {
  needBits(n);
  uint32_t v = static_cast<uint32_t>(bitBuf_ & lowBits(n));
  dropBits(n);
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

// Copies `length` bytes from `distance` bytes back in the circular window, writing the window
// out whenever the output position reaches its end. The caller has checked the distance.
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

// The table entry of symbol `sym` with a code of `len` bits in the alphabet being built.
inline uint32_t Inflater::symbolEntry(Alphabet alphabet, unsigned sym, unsigned len) const {
  uint32_t code = entry(0, len, len);
  switch (alphabet) {
    case Alphabet::CodeLength:
      return entry(sym, len, len);
    case Alphabet::Distance:
      return SYMBOL_ENTRIES.distance[sym] + code;
    case Alphabet::LiteralLength:
      break;
  }
  if (sym < 256) return LITERAL | entry(sym, 0, 0) | code;
  if (sym == DEFLATE64_LONG_MATCH && !deflateMode_) return EXCEPTIONAL | LONG_MATCH | entry(3, len, len + 16);
  return SYMBOL_ENTRIES.length[sym - 256] + code;
}

// What a bit pattern without a code reads as: symbol 0, consuming `consume` bits (the length
// of symbol 0's code at the root, the bits walked below it), and depending on `dependsOn`
// bits. A literal/length symbol 0 without a code ends the block.
uint32_t Inflater::unassignedEntry(Alphabet alphabet, const uint8_t* lengths, unsigned consume,
                                   unsigned dependsOn) const {
  unsigned dep = dependsOn > consume ? dependsOn : consume;
  if (alphabet == Alphabet::LiteralLength && lengths[0] == 0) return EXCEPTIONAL | entry(0, dep, consume);
  uint32_t e = symbolEntry(alphabet, 0, 0) & ~0xFFFFu;  // symbol 0 has no extra bits
  return e | entry(0, dep, consume);
}

// A set with at most one code: its code (all zero bits) and, for every other pattern, what a
// reader with an 8-bit table and a one-bit-per-step tree below it finds there: symbol 0 with
// its own length when one of the low 8 bits is set, else symbol 0 after the bits walked down
// to the first set bit.
void Inflater::buildSparseTable(Alphabet alphabet, const uint8_t* lengths, unsigned count, uint32_t* table,
                                unsigned rootBits) {
  unsigned only = count, len = 0;
  for (unsigned s = 0; s < count; ++s) {
    if (lengths[s] != 0) {
      only = s;
      len = lengths[s];
    }
  }
  // The pattern `p` (bit 0 first) of `width` bits, read below an empty root slot.
  auto patternEntry = [&](uint32_t p, unsigned width) -> uint32_t {
    uint32_t low = static_cast<uint32_t>(lowBits(len < 8 ? len : 8));
    if (len == 0 || (p & low) != 0) return unassignedEntry(alphabet, lengths, lengths[0], 8);
    for (unsigned b = 8; b < len && b < width; ++b)
      if ((p >> b) & 1) return unassignedEntry(alphabet, lengths, b + 1, b + 1);
    return symbolEntry(alphabet, only, len);
  };
  uint32_t rootSize = 1u << rootBits;
  for (uint32_t i = 0; i < rootSize; ++i) table[i] = patternEntry(i, rootBits);
  if (len > rootBits) {
    unsigned subBits = len - rootBits;
    uint32_t subStart = rootSize;
    uint32_t flag = alphabet == Alphabet::Distance ? DIST_SUBTABLE : EXCEPTIONAL | LIT_SUBTABLE;
    table[0] = flag | entry(subStart, subBits, 0);
    for (uint32_t k = 0; k < (1u << subBits); ++k) table[subStart + k] = patternEntry(k << rootBits, len);
  }
}

// Builds the table of `count` code lengths. A set that is not a complete prefix code is
// accepted only when it has at most one code (none at all for the code-length code, which
// then could not send a single length); otherwise the result is false (error 10).
bool Inflater::buildTable(Alphabet alphabet, const uint8_t* lengths, unsigned count, uint32_t* table,
                          unsigned rootBits, uint32_t capacity) {
  uint16_t lengthCount[MAX_CODE_BITS + 1] = {};
  for (unsigned s = 0; s < count; ++s) ++lengthCount[lengths[s]];
  unsigned used = count - lengthCount[0];
  uint32_t code = 0;
  for (unsigned len = 1; len <= MAX_CODE_BITS; ++len) code = (code + lengthCount[len]) << 1;
  if (code != COMPLETE_CODE) {
    if (used > 1 || (used == 0 && alphabet == Alphabet::CodeLength)) return false;
    buildSparseTable(alphabet, lengths, count, table, rootBits);
    return true;
  }

  // Symbols sorted by code length, then by symbol: the order of their canonical codes.
  uint16_t start[MAX_CODE_BITS + 2];
  start[1] = 0;
  for (unsigned len = 1; len <= MAX_CODE_BITS; ++len) start[len + 1] = static_cast<uint16_t>(start[len] + lengthCount[len]);
  for (unsigned s = 0; s < count; ++s)
    if (lengths[s] != 0) sorted_[start[lengths[s]]++] = static_cast<uint16_t>(s);

  const uint32_t rootSize = 1u << rootBits;
  const uint32_t rootMask = rootSize - 1;
  const uint32_t slotUnits = 1u << (MAX_CODE_BITS - rootBits);  // a root slot in 15-bit units
  const uint32_t flag = alphabet == Alphabet::Distance ? DIST_SUBTABLE : EXCEPTIONAL | LIT_SUBTABLE;
  uint32_t next = rootSize;       // where the next second-level table starts
  uint32_t prefix = rootSize;     // root pattern of the second-level table being filled
  uint32_t subStart = 0;
  unsigned subBits = 0;
  code = 0;                       // canonical code, most significant bit first
  unsigned codeLen = 0;
  // A code of `len` <= rootBits bits fills every root slot whose low `len` bits are its own.
  // Each is stored once, in the first 2^len slots, and the slots filled so far are doubled
  // before a longer code is stored: with all codes of at most `filled` bits stored, the first
  // 2^filled slots hold them, and the pattern repeats in every wider slot. What a doubling
  // copies from a slot no code has reached yet is overwritten later: in a complete code every
  // root slot either begins with a code of at most rootBits bits or points to a second-level
  // table.
  unsigned filled = 0;
  auto fillTo = [&](unsigned bits) {
    for (; filled < bits; ++filled) std::memcpy(table + (1u << filled), table, sizeof(uint32_t) << filled);
  };
  for (unsigned i = 0; i < used; ++i) {
    unsigned s = sorted_[i];
    unsigned len = lengths[s];
    code <<= len - codeLen;
    codeLen = len;
    uint32_t reversed = reverseBits(code, len);  // the order the stream sends its bits in
    uint32_t e = symbolEntry(alphabet, s, len);
    if (len <= rootBits) {
      fillTo(len);
      table[reversed] = e;
    } else {
      fillTo(rootBits);
      if ((reversed & rootMask) != prefix) {
        // A new root pattern: its table is as wide as the code that completes the slot.
        prefix = reversed & rootMask;
        uint32_t fill = 0;
        unsigned k = i, last = len;
        while (fill < slotUnits && k < used) {
          last = lengths[sorted_[k++]];
          fill += 1u << (MAX_CODE_BITS - last);
        }
        subBits = last - rootBits;
        subStart = next;
        next += 1u << subBits;
        if (next > capacity) return false;  // never for a complete code: the tables hold enough
        table[prefix] = flag | entry(subStart, subBits, 0);
      }
      for (uint32_t j = reversed >> rootBits; j < (1u << subBits); j += 1u << (len - rootBits))
        table[subStart + j] = e;
    }
    ++code;
  }
  fillTo(rootBits);
  return true;
}

bool Inflater::buildFixedTables() {
  // RFC 1951, 3.2.6: 0-143 eight bits, 144-255 nine, 256-279 seven, 280-287 eight; all 32
  // distance codes five bits. They stay built for the rest of the entry.
  unsigned mode = deflateMode_ ? 1 : 2;
  if (fixedBuilt_ == mode) return true;
  std::memset(lengths_, 8, 144);
  std::memset(lengths_ + 144, 9, 256 - 144);
  std::memset(lengths_ + 256, 7, 280 - 256);
  std::memset(lengths_ + 280, 8, LIT_SYMBOLS - 280);
  std::memset(lengths_ + LIT_SYMBOLS, 5, DIST_SYMBOLS);
  bool built = buildTable(Alphabet::LiteralLength, lengths_, LIT_SYMBOLS, litTable_, LIT_ROOT_BITS, LIT_ENOUGH) &&
               buildTable(Alphabet::Distance, lengths_ + LIT_SYMBOLS, DIST_SYMBOLS, distTable_, DIST_ROOT_BITS,
                          DIST_ENOUGH);
  fixedBuilt_ = built ? mode : 0;
  return built;
}

// Reads a dynamic block header and builds its literal/length and distance tables. Returns 0,
// or 10 for bad lengths, or 12 when the header ran past the end of the input (which is what a
// cut stream's garbage lengths really mean).
int Inflater::readDynamicHeader() {
  fixedBuilt_ = 0;
  unsigned hlit = takeBits(5) + 257;
  unsigned hdist = takeBits(5) + 1;
  unsigned hclen = takeBits(4) + 4;

  std::memset(clLengths_, 0, CL_SYMBOLS);
  for (unsigned i = 0; i < hclen; ++i) clLengths_[CL_ORDER[i]] = static_cast<uint8_t>(takeBits(3));
  const int bad = INFLATE_BAD_TABLE;
  if (truncated()) return INFLATE_UNEXPECTED_END;
  if (!buildTable(Alphabet::CodeLength, clLengths_, CL_SYMBOLS, clTable_, CL_ROOT_BITS, CL_ENTRIES)) return bad;

  unsigned total = hlit + hdist;
  unsigned i = 0;
  while (i < total) {
    // Code-length codes are at most 7 bits: the 8 bits always held decide the symbol.
    uint32_t e = clTable_[bitBuf_ & (CL_ENTRIES - 1)];
    unsigned sym = e >> 16;
    takeBits(consumed(e));
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
  bool built = buildTable(Alphabet::LiteralLength, lengths_, hlit, litTable_, LIT_ROOT_BITS, LIT_ENOUGH) &&
               buildTable(Alphabet::Distance, lengths_ + hlit, hdist, distTable_, DIST_ROOT_BITS, DIST_ENOUGH);
  return built ? 0 : bad;
}

// ---- symbols (byte-exact reading) -------------------------------------------------------------

// The entry for the next bits, loading input bytes only while the entry found depends on bits
// not loaded yet (the bits above those held read as zero, and an entry that depends on no
// more bits than are held is the same whatever follows).
uint32_t Inflater::lookup(const uint32_t* table, unsigned rootBits, uint32_t subFlag) {
  for (;;) {
    uint32_t e = table[bitBuf_ & lowBits(rootBits)];
    if (e & subFlag) e = table[((e >> 16) & LIT_VALUE_MASK) + ((bitBuf_ >> rootBits) & lowBits(depends(e)))];
    if (depends(e) <= bitCount_) return e;
    loadByte();
  }
}

// Takes the bits of entry `e` (code and extra bits) and returns the extra bits' value.
uint32_t Inflater::takeEntry(uint32_t e) {
  needBits(consumed(e));
  uint64_t saved = bitBuf_;
  dropBits(consumed(e));
  return extraValue(saved, e);
}

// ---- blocks -----------------------------------------------------------------------------------

// Decodes one length/distance pair, reading byte-exactly: `e` is the literal/length entry and
// `extra` the value of its extra bits. Returns false when decoding of the entry must end
// (engine stop, cut input, bad distance).
bool Inflater::lengthDistance(uint32_t e, uint32_t extra) {
  uint32_t length = ((e >> 16) & LIT_VALUE_MASK) + extra;
  if (e & LONG_MATCH) {
    if (extra == 0) {
      // Flush marker: the window so far goes out and decoding restarts at its start.
      uint32_t size = static_cast<uint32_t>(outPos_ - winStart_);
      if (size > windowFilled_) windowFilled_ = size;
      outPos_ = winStart_;
      return flushWindow(size);
    }
  }
  uint32_t d = lookup(distTable_, DIST_ROOT_BITS, DIST_SUBTABLE);
  uint32_t distance = (d >> 16) + takeEntry(d);
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
    if (static_cast<uint32_t>(inEnd_ - inPos_) >= FAST_INPUT_MARGIN &&
        static_cast<uint32_t>(winEnd_ - outPos_) > FAST_OUTPUT_MARGIN) {
      // Bytes just past the output position belong to this entry only once the window has
      // been written out or flushed (windowFilled_); before that no distance may reach them,
      // and the fast loop need not put back what its match copies write there.
      if (windowFilled_ != 0 ? decodeFast<true>() : decodeFast<false>()) return;
      continue;
    }
    if (exhausted_ > MAX_EXHAUSTED) {
      error_ = INFLATE_UNEXPECTED_END;
      return;
    }
    uint32_t e = lookup(litTable_, LIT_ROOT_BITS, LIT_SUBTABLE);
    uint32_t extra = takeEntry(e);
    if (truncated()) {
      error_ = INFLATE_UNEXPECTED_END;
      return;
    }
    if (e & LITERAL) {
      if (!putByte(static_cast<uint8_t>(e >> 16))) return;
    } else if ((e & (EXCEPTIONAL | LONG_MATCH)) == EXCEPTIONAL) {
      return;  // end of block
    } else if (!lengthDistance(e, extra)) {
      return;
    }
  }
}

// The fast loop: runs while at least FAST_INPUT_MARGIN bytes remain in the input buffer and
// FAST_OUTPUT_MARGIN bytes of window are left, room for the longest ordinary match and its
// copy's overrun. Its bit buffer is a machine word, refilled without a branch to WORD_BITS - 8
// or more bits. The literal/length entry of the next symbol is looked up as soon as the bits
// before it are consumed, before the current symbol's output is written, so the chain of
// look-ups does not wait for a match copy or a mispredicted branch. Each pass decodes up to
// three literals (one with a 32-bit word), or one length/distance pair: a 64-bit word holds
// three literal codes after one refill, or a length and its distance (20 + 29 of 56 bits);
// a 32-bit word is refilled after every symbol, and a distance whose extra bits do not fit
// takes them after one more refill.
// Returns true when the block ended (end code, error or stop), false when a margin ran out and
// byte-exact reading must take over.
template <bool KEEP_AHEAD>
bool Inflater::decodeFast() {
  const uint8_t* in = inPos_;
  const uint8_t* const inLimit = inEnd_ - FAST_INPUT_MARGIN;
  BitWord bits = static_cast<BitWord>(bitBuf_);  // 8 to 15 bits between steps: they fit
  unsigned count = bitCount_;
  uint8_t* out = outPos_;
  uint8_t* const winStart = winStart_;
  uint8_t* const winEnd = winEnd_;
  uint8_t* const outLimit = winEnd - FAST_OUTPUT_MARGIN;
  const uint32_t* const lit = litTable_;
  const uint32_t* const dist = distTable_;
  const uint32_t windowSize = io_->OutBufSize;
  bool ended = false;
  // All ones until the whole window holds this entry's output; from then on every distance
  // reaches bytes of it.
  auto notFilled = [&]() INLINE { return windowFilled_ == windowSize ? 0u : ~0u; };
  uint32_t notFull = notFilled();

  // Loads whole bytes above the bits held so that WORD_BITS - 8 or more are held; the bits
  // above the count are those of the next byte, loaded again (to the same value) by the next
  // refill. Every bit of the word is a stream bit after a refill, and each bit consumed since
  // leaves one fewer, so an entry looked up in a word of which no more than WORD_BITS - 15
  // bits were consumed since its refill is the right one even where fewer bits are counted,
  // and a refill does not change it.
  // With a 64-bit word only the low 6 bits of `count` are the count (see consume); with a
  // 32-bit word, where the masks would cost more than they save, all of it.
  constexpr unsigned COUNT_MASK = WIDE_WORD ? WORD_BITS - 1 : ~0u;
  auto refill = [&]() INLINE {
    bits |= loadWord(in) << (count & (WORD_BITS - 1));
    in += (WORD_BITS - 1 - (count & COUNT_MASK)) >> 3;
    count |= WORD_BITS - 8;
  };
  // The consumed count sits in the low five bits of an entry with zeros above it up to bit 8,
  // so the shift's mask is the one the shift instruction applies anyway. With a 64-bit word
  // the whole entry is subtracted from the count: as never more is consumed than is held, its
  // low 8 bits never borrow, and what the entry's upper bits leave above them is never read.
  auto consume = [&](uint32_t e) INLINE {
    unsigned n = e & (WORD_BITS - 1);
    bits >>= n;
    count -= WIDE_WORD ? e : n;
  };
  auto rootEntry = [&]() INLINE -> uint32_t { return lit[bits & lowWordBits(LIT_ROOT_BITS)]; };
  // Takes an entry's code and extra bits, all held, and returns the extra bits' value. The
  // consumed count and the code length are masked as the shift instructions mask their count
  // (the bits above each field up to that width are zero), which spares two instructions.
  auto takeHeld = [&](uint32_t e) INLINE -> uint32_t {
    BitWord saved = bits;
    consume(e);
    BitWord value = saved & lowWordBits(e & (WORD_BITS - 1));
    return static_cast<uint32_t>(value >> ((e >> 8) & (WORD_BITS - 1)));
  };
  // The same where the extra bits may not all be held (a 32-bit word): they come after a refill.
  auto takeExtra = [&](uint32_t e) INLINE -> uint32_t {
    if (WIDE_WORD || consumed(e) <= count) return takeHeld(e);
    unsigned code = depends(e), extra = consumed(e) - code;
    bits >>= code;
    count -= code;
    refill();
    uint32_t v = static_cast<uint32_t>(bits & lowWordBits(extra));
    bits >>= extra;
    count -= extra;
    return v;
  };
  auto putLiteral = [&](uint32_t e) INLINE {
    consume(e);
    uint8_t b = static_cast<uint8_t>(e >> 16);
    e = rootEntry();
    *out++ = b;
    return e;
  };

  // The output margin's test. With a 64-bit word it stays a branch of its own: the empty asm
  // keeps the compiler from folding the two margin tests into one flag computation, which
  // is slower there (and faster on the 32-bit build).
  auto outBelowLimit = [&]() INLINE {
    __asm__ volatile("");
    return out < outLimit;
  };

  // At the top of every pass the word has just been refilled and `e` is the root entry of the
  // next symbol. The margins are tested after each pass (decodeBlock tested them before the
  // first): tested after the refill, they would be found short of where the pass began.
  refill();
  uint32_t e = rootEntry();
  do {
    // Most passes are literals: laid out as the straight path.
    if (__builtin_expect((e & LITERAL) != 0, 1)) {
      e = putLiteral(e);
      if (WIDE_WORD && (e & LITERAL)) {
        e = putLiteral(e);
        if (e & LITERAL) e = putLiteral(e);
      }
      refill();
      continue;
    }
    uint32_t length;
    if ((e & EXCEPTIONAL) == 0) {
      length = (e >> 16) + takeHeld(e);  // an ordinary length has no flag: the top half is its base
    } else {
      if (e & LIT_SUBTABLE) {
        e = lit[((e >> 16) & LIT_VALUE_MASK) + ((bits >> LIT_ROOT_BITS) & lowWordBits(depends(e)))];
        if (e & LITERAL) {
          e = putLiteral(e);
          refill();
          continue;
        }
      }
      if ((e & EXCEPTIONAL) == 0) {
        length = ((e >> 16) & LIT_VALUE_MASK) + takeHeld(e);
      } else if (e & LONG_MATCH) {
        length = takeExtra(e);
        if (length == 0) {
          uint32_t size = static_cast<uint32_t>(out - winStart);
          if (size > windowFilled_) windowFilled_ = size;
          out = winStart;
          if (!flushWindow(size)) { ended = true; break; }
          if (!KEEP_AHEAD) break;  // the bytes ahead are this entry's now
          notFull = notFilled();
          refill();
          e = rootEntry();
          continue;
        }
        length += 3;
        if constexpr (WIDE_WORD) refill();
      } else {
        consume(e);  // end of block
        ended = true;
        break;
      }
    }

    // Distance: up to 15 + 14 bits. With a 64-bit word the length took at most 15 + 5 of the
    // 56 bits its refill brought (the long match refilled after its 16 extra bits).
    if constexpr (!WIDE_WORD) refill();
    uint32_t d = dist[bits & lowWordBits(DIST_ROOT_BITS)];
    if (d & DIST_SUBTABLE) d = dist[(d >> 16) + ((bits >> DIST_ROOT_BITS) & lowWordBits(depends(d)))];
    uint32_t distance = (d >> 16) + takeExtra(d);
    if constexpr (WIDE_WORD) {
      // Length and distance took at most 20 + 29 of the word's 64 bits, all stream bits after
      // the last refill (see refill): the 15 left decide the next entry, which is looked up
      // before this refill, so the chain of look-ups does not wait for its load.
      e = rootEntry();
      refill();
    } else {
      refill();
      e = rootEntry();
    }

    // A match of at most MAX_MATCH bytes whose source has COPY_OVERRUN bytes of room behind it
    // (the destination has, by the output margin) is copied in chunks, and the bytes past its
    // end are put back where a later match could still read them (KEEP_AHEAD, see
    // decodeBlock). A source behind the window start lies at the window's end, which every
    // distance may reach once the window is full (`notFull` clear). Other matches are checked
    // one by one and copied by copyMatch, which wraps.
    uint32_t outOff = static_cast<uint32_t>(out - winStart);
    uint32_t srcOff = outOff - distance;
    // All ones when the source lies behind the window start, computed without a branch (which
    // way it goes depends on the data in the first 32 KiB of every window).
    uint32_t behind = static_cast<uint32_t>(static_cast<int32_t>(srcOff) >> 31);
    srcOff += windowSize & behind;
    if ((behind & notFull) == 0 && srcOff + length + COPY_OVERRUN <= windowSize && length <= MAX_MATCH) {
      const uint8_t* src = winStart + srcOff;
      if constexpr (KEEP_AHEAD) {
        uint8_t keep[KEEP_BYTES];
        std::memcpy(keep, out + length, KEEP_BYTES);
        copyChunks<KEEP_FIRST_WORDS>(out, src, length);
        std::memcpy(out + length, keep, KEEP_BYTES);
      } else {
        copyChunks<4>(out, src, length);
      }
      out += length;
      continue;
    }
    if (!distanceReaches(distance, length, outOff)) {
      error_ = INFLATE_BAD_TABLE;
      ended = true;
      break;
    }
    outPos_ = out;
    if (!copyMatch(length, distance)) { ended = true; break; }
    out = outPos_;
    if (!KEEP_AHEAD && windowFilled_ != 0) break;  // the window was written out
    notFull = notFilled();
  } while (in <= inLimit && (WIDE_WORD ? outBelowLimit() : out < outLimit));

  inPos_ = in;
  bitBuf_ = bits;
  bitCount_ = count & COUNT_MASK;
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
