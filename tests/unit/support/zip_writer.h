// The unit tests' own little-endian and ZIP writer, independent of the engine: fields
// appended to or patched into byte strings, read back, a plain bitwise CRC-32, and hand-made
// archives of stored entries written record by record with every field open to damage
// (signatures, lengths, CRCs, counts, offsets), a data descriptor behind the data when the
// flags announce one, optional bytes in front of the archive, between central records and
// behind the end record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Appends the low bytes of `v`, least significant first (Bytes: std::string or a byte vector).
template <class Bytes>
void putLe(Bytes& b, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<typename Bytes::value_type>((v >> (8 * i)) & 0xFF));
}
template <class Bytes>
void put16(Bytes& b, uint32_t v) { putLe(b, v, 2); }
template <class Bytes>
void put32(Bytes& b, uint32_t v) { putLe(b, v, 4); }
template <class Bytes>
void put64(Bytes& b, uint64_t v) { putLe(b, v, 8); }

// Overwrites the field at `at`, which must lie inside `b`.
inline void setLe(std::string& b, size_t at, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void set16(std::string& b, size_t at, uint32_t v) { setLe(b, at, v, 2); }
inline void set32(std::string& b, size_t at, uint32_t v) { setLe(b, at, v, 4); }

// Reads the field at `p`.
inline uint32_t get16(const uint8_t* p) { return p[0] | (p[1] << 8); }
inline uint32_t get32(const uint8_t* p) { return get16(p) | (static_cast<uint32_t>(get16(p + 2)) << 16); }

inline uint32_t bitwiseCrc32(const std::string& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

struct BuiltEntry {
  std::string name;
  std::string data;
  std::string centralExtra;
  std::string centralComment;
  uint16_t flags = 0;
  uint32_t dosDateTime = 0x52AF6000;  // 2021-05-15 12:00:00
  bool zeroLocalCrc = false;          // local header CRC written as 0
  bool badLocalSignature = false;
  bool badCentralCrc = false;         // central CRC differs from the data's
  std::string garbageBefore;          // bytes in the central directory before this record
  // Filled by build():
  uint32_t localOffset = 0;
  uint32_t dataOffset = 0;
  uint32_t centralOffset = 0;
};

struct ZipBuilder {
  std::string prefix;                 // bytes in front; offsets count from the file start
  std::vector<BuiltEntry> entries;
  std::string comment;
  int totalOverride = -1;             // entries announced by the end record
  int64_t directorySizeDelta = 0;     // added to the real central directory size
  int64_t directoryOffsetDelta = 0;   // added to the real central directory offset
  std::string trailing;               // bytes behind the comment (not counted in it)
  uint32_t directoryOffset = 0;       // filled by build()
  uint32_t directorySize = 0;

  BuiltEntry& add(const std::string& name, const std::string& data) {
    entries.push_back(BuiltEntry{});
    entries.back().name = name;
    entries.back().data = data;
    return entries.back();
  }

  std::string build() {
    std::string out = prefix;
    for (BuiltEntry& e : entries) {
      uint32_t crc = bitwiseCrc32(e.data);
      e.localOffset = static_cast<uint32_t>(out.size());
      put32(out, e.badLocalSignature ? 0x04034b51u : 0x04034b50u);
      put16(out, 10);
      put16(out, e.flags);
      put16(out, 0);  // stored
      put32(out, e.dosDateTime);
      put32(out, e.zeroLocalCrc ? 0 : crc);
      put32(out, static_cast<uint32_t>(e.data.size()));
      put32(out, static_cast<uint32_t>(e.data.size()));
      put16(out, static_cast<uint32_t>(e.name.size()));
      put16(out, 0);
      out += e.name;
      e.dataOffset = static_cast<uint32_t>(out.size());
      out += e.data;
      if (e.flags & 0x0008) {  // the data descriptor the flag announces, with its signature
        put32(out, 0x08074b50u);
        put32(out, crc);
        put32(out, static_cast<uint32_t>(e.data.size()));
        put32(out, static_cast<uint32_t>(e.data.size()));
      }
    }
    directoryOffset = static_cast<uint32_t>(out.size());
    for (BuiltEntry& e : entries) {
      out += e.garbageBefore;
      e.centralOffset = static_cast<uint32_t>(out.size());
      uint32_t crc = bitwiseCrc32(e.data) ^ (e.badCentralCrc ? 1u : 0u);
      put32(out, 0x02014b50u);
      put16(out, 20);
      put16(out, 10);
      put16(out, e.flags);
      put16(out, 0);
      put32(out, e.dosDateTime);
      put32(out, crc);
      put32(out, static_cast<uint32_t>(e.data.size()));
      put32(out, static_cast<uint32_t>(e.data.size()));
      put16(out, static_cast<uint32_t>(e.name.size()));
      put16(out, static_cast<uint32_t>(e.centralExtra.size()));
      put16(out, static_cast<uint32_t>(e.centralComment.size()));
      put16(out, 0);
      put16(out, 0);
      put32(out, 0);
      put32(out, e.localOffset);
      out += e.name;
      out += e.centralExtra;
      out += e.centralComment;
    }
    directorySize = static_cast<uint32_t>(out.size()) - directoryOffset;
    uint32_t total = totalOverride >= 0 ? static_cast<uint32_t>(totalOverride)
                                        : static_cast<uint32_t>(entries.size());
    put32(out, 0x06054b50u);
    put16(out, 0);
    put16(out, 0);
    put16(out, total);
    put16(out, total);
    put32(out, static_cast<uint32_t>(directorySize + directorySizeDelta));
    put32(out, static_cast<uint32_t>(directoryOffset + directoryOffsetDelta));
    put16(out, static_cast<uint32_t>(comment.size()));
    out += comment;
    out += trailing;
    return out;
  }
};
