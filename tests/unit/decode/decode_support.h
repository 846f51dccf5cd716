// Helpers of the decoder tests: an InflateIo over byte strings that can hand input in small
// reads and records every WriteOutput call, a bit writer for hand-made Deflate streams, and a
// minimal look into peer-made ZIP archives (entry data and header fields by name).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "archive/zip_format.h"
#include "decode/inflate.h"
#include "support/zip_writer.h"

// The extraction context's three buffers with their real sizes, over in-memory data.
class MemoryIo : public InflateIo {
 public:
  explicit MemoryIo(std::string input = "", uint32_t readSize = 61440)
      : input_(std::move(input)), readSize_(readSize), in_(61440), out_(65536), work_(10240) {
    InBuf = in_.data();
    InBufSize = static_cast<uint32_t>(in_.size());
    OutBuf = out_.data();
    OutBufSize = static_cast<uint32_t>(out_.size());
    WorkBuf = work_.data();
    WorkBufSize = static_cast<uint32_t>(work_.size());
  }
  void setInput(std::string input) {
    input_ = std::move(input);
    pos_ = 0;
    output.clear();
    writes.clear();
    reads = 0;
  }
  uint32_t ReadInput(uint8_t* buffer, uint32_t size) override {
    ++reads;
    size_t n = input_.size() - pos_;
    if (n > size) n = size;
    if (n > readSize_) n = readSize_;
    std::memcpy(buffer, input_.data() + pos_, n);
    pos_ += n;
    return static_cast<uint32_t>(n);
  }
  bool WriteOutput(const uint8_t* data, uint32_t size) override {
    writes.push_back(size);
    output.append(reinterpret_cast<const char*>(data), size);
    return stopAfter == 0 || output.size() < stopAfter;
  }

  std::string output;
  std::vector<uint32_t> writes;  // sizes of the WriteOutput calls, in order
  int reads = 0;
  size_t stopAfter = 0;          // WriteOutput returns false once this much has arrived

 private:
  std::string input_;
  size_t pos_ = 0;
  uint32_t readSize_;
  std::vector<uint8_t> in_, out_, work_;
};

// Runs one entry through a fresh Init/Run; returns Run's result.
inline int inflateAll(MemoryIo& io, bool deflateMode = true) {
  static Inflater inflater;  // one decoder for the program, as in the engine
  inflater.Init(io);
  return inflater.Run(deflateMode);
}

// Writes a Deflate bit stream: fields LSB first, Huffman codes most significant bit first.
class BitWriter {
 public:
  void bits(uint32_t value, unsigned n) {
    for (unsigned i = 0; i < n; ++i) put((value >> i) & 1);
  }
  void code(uint32_t code, unsigned len) {
    for (unsigned i = len; i-- > 0;) put((code >> i) & 1);
  }
  void alignToByte() {
    while (count_ != 0) put(0);
  }
  void byte(uint8_t b) { bits(b, 8); }
  size_t bitsWritten() const { return bytes_.size() * 8 - (count_ == 0 ? 0 : 8 - count_); }
  std::string finish() {
    alignToByte();
    return bytes_;
  }

 private:
  void put(unsigned bit) {
    if (count_ == 0) bytes_.push_back('\0');
    if (bit) bytes_.back() = static_cast<char>(bytes_.back() | (1 << count_));
    count_ = (count_ + 1) & 7;
  }
  std::string bytes_;
  unsigned count_ = 0;
};

// Fixed-code helpers (RFC 1951, 3.2.6).
inline void literal(BitWriter& w, uint8_t b) {
  if (b < 144) w.code(0x30 + b, 8);
  else w.code(0x190 + (b - 144), 9);
}
inline void lengthSymbol(BitWriter& w, unsigned s) {
  if (s < 280) w.code(s - 256, 7);
  else w.code(0xC0 + (s - 280), 8);
}
inline void fixedHeader(BitWriter& w, bool final) {
  w.bits(final ? 1 : 0, 1);
  w.bits(1, 2);
}

// Canonical codes of RFC 1951 for a set of code lengths (written out independently of the
// decoder, from the RFC's three steps).
inline std::vector<uint32_t> canonicalCodes(const std::vector<unsigned>& lengths) {
  unsigned blCount[16] = {};
  for (unsigned l : lengths) if (l) ++blCount[l];
  uint32_t next[16] = {};
  uint32_t c = 0;
  for (unsigned bits = 1; bits < 16; ++bits) {
    c = (c + blCount[bits - 1]) << 1;
    next[bits] = c;
  }
  std::vector<uint32_t> codes(lengths.size());
  for (size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s]) codes[s] = next[lengths[s]]++;
  return codes;
}

// Writes the header of a dynamic block (after BFINAL/BTYPE) for the given literal/length and
// distance lengths. The lengths are sent one by one with a code-length code that gives
// symbols 0-15 four bits each, so any set of lengths can be sent as it is.
inline void dynamicHeader(BitWriter& w, const std::vector<unsigned>& lit, const std::vector<unsigned>& dist) {
  w.bits(static_cast<uint32_t>(lit.size() - 257), 5);
  w.bits(static_cast<uint32_t>(dist.size() - 1), 5);
  w.bits(19 - 4, 4);
  static const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  for (unsigned sym : order) w.bits(sym < 16 ? 4 : 0, 3);
  for (unsigned l : lit) w.code(l, 4);  // with sixteen 4-bit codes, symbol s has code s
  for (unsigned l : dist) w.code(l, 4);
}

// One entry of a peer-made archive, found through the central directory.
struct PeerEntry {
  uint16_t flags = 0, method = 0, time = 0;
  uint32_t crc = 0, compressedSize = 0, size = 0;
  std::string data;  // the entry's stored data (encryption header included)
};

inline bool findEntry(const std::string& zip, const std::string& name, PeerEntry& entry) {
  const uint8_t* z = reinterpret_cast<const uint8_t*>(zip.data());
  if (zip.size() < EOCD_SIZE) return false;
  size_t end = zip.size() - EOCD_SIZE;
  while (end > 0 && get32(z + end) != SIG_END) --end;
  size_t p = get32(z + end + EOCD_DIRECTORY_OFFSET);
  for (unsigned i = 0; i < get16(z + end + EOCD_ENTRIES_TOTAL) && p + CDH_SIZE <= zip.size(); ++i) {
    const uint8_t* c = z + p;
    std::string n(reinterpret_cast<const char*>(c + CDH_NAME), get16(c + CDH_NAME_LENGTH));
    if (n == name) {
      entry.flags = get16(c + CDH_FLAGS);
      entry.method = get16(c + CDH_METHOD);
      entry.time = get16(c + CDH_TIME);
      entry.crc = get32(c + CDH_CRC32);
      entry.compressedSize = get32(c + CDH_COMPRESSED);
      entry.size = get32(c + CDH_UNCOMPRESSED);
      const uint8_t* l = z + get32(c + CDH_LOCAL_OFFSET);
      size_t data = (l - z) + LFH_SIZE + get16(l + LFH_NAME_LENGTH) + get16(l + LFH_EXTRA_LENGTH);
      entry.data = zip.substr(data, entry.compressedSize);
      return true;
    }
    p += CDH_SIZE + get16(c + CDH_NAME_LENGTH) + get16(c + CDH_EXTRA_LENGTH) + get16(c + CDH_COMMENT_LENGTH);
  }
  return false;
}
