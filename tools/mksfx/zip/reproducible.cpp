// Reproducible output. With SOURCE_DATE_EPOCH set (seconds since 1970, UTC), no time later
// than it reaches the output: every entry's DOS date-time and the Unix and NTFS times of
// its extra fields are clamped to it, and the written file gets it as its modification
// time. DOS date-times are local time in the zone the process runs in (on Linux the one TZ
// names, on Windows the system's), so the same tree gives the same bytes in the same zone.
#include <cerrno>
#include <cstdlib>
#include <string>

#include "archive/zip_format.h"
#include "host/host.h"
#include "zip/extra_fields.h"
#include "zip/zip_archive.h"

namespace {

constexpr uint16_t EXTRA_NTFS = 0x000a;             // reserved 4 bytes, then tag 1: three FILETIMEs
constexpr uint16_t EXTRA_EXTENDED_TIME = 0x5455;    // flags byte, then Unix times (mtime, atime, ctime)
constexpr uint16_t EXTRA_INFOZIP_UNIX = 0x5855;     // atime, mtime (Unix, 32-bit)
constexpr uint64_t FILETIME_UNIX_EPOCH = 116444736000000000ull;  // 100 ns ticks from 1601 to 1970

uint8_t* at(std::string& s, size_t offset) { return reinterpret_cast<uint8_t*>(&s[0]) + offset; }

void clampUnix32(uint8_t* p, int64_t limit) {
  // Stored as a signed 32-bit count of seconds.
  int32_t value = static_cast<int32_t>(le32(p));
  if (value > limit) putLe32(p, static_cast<uint32_t>(limit));
}

void clampFileTime(uint8_t* p, int64_t limit) {
  uint64_t value = le32(p) | uint64_t(le32(p + 4)) << 32;
  uint64_t bound = FILETIME_UNIX_EPOCH + uint64_t(limit) * 10000000ull;
  if (value > bound) {
    putLe32(p, static_cast<uint32_t>(bound));
    putLe32(p + 4, static_cast<uint32_t>(bound >> 32));
  }
}

// Every time in an extra field, walked record by record; a record that overruns its field
// is left as it is.
void clampExtraTimes(std::string& extra, int64_t limit) {
  forEachExtraField(extra, [&](uint16_t tag, size_t record, size_t length) {
    size_t body = record + 4, size = length - 4;
    if (tag == EXTRA_EXTENDED_TIME && size >= 1) {
      // The flags say which times the local record holds; the central one holds at most
      // the modification time, which its size tells.
      for (size_t q = body + 1; q + 4 <= body + size; q += 4) clampUnix32(at(extra, q), limit);
    } else if (tag == EXTRA_INFOZIP_UNIX && size >= 8) {
      clampUnix32(at(extra, body), limit);
      clampUnix32(at(extra, body + 4), limit);
    } else if (tag == EXTRA_NTFS && size >= 4) {
      // After 4 reserved bytes, attributes of the same tag/size form; attribute 1 holds
      // the three file times.
      forEachExtraField(extra, body + 4, body + size, [&](uint16_t attribute, size_t a, size_t n) {
        if (attribute == 1 && n >= 4 + 24) {
          for (int i = 0; i < 3; ++i) clampFileTime(at(extra, a + 4 + 8 * i), limit);
        }
      });
    }
  });
}

}  // namespace

void unixToDosDateTime(int64_t t, uint16_t& date, uint16_t& time) {
  HostLocalTime local;
  if (!hostLocalTime(t, local) || local.year < 1980) {
    date = (0 << 9) | (1 << 5) | 1;  // 1980-01-01, the first DOS date
    time = 0;
    return;
  }
  if (local.year > 2107) {  // 2107-12-31 23:59:58, the last one
    date = static_cast<uint16_t>((127 << 9) | (12 << 5) | 31);
    time = static_cast<uint16_t>((23 << 11) | (59 << 5) | 29);
    return;
  }
  date = static_cast<uint16_t>(((local.year - 1980) << 9) | (local.month << 5) | local.day);
  time = static_cast<uint16_t>((local.hour << 11) | (local.minute << 5) | (local.second / 2));
}

bool sourceDateEpoch(int64_t& epoch, bool& set) {
  set = false;
  std::string text;
  if (!hostEnvironment("SOURCE_DATE_EPOCH", text) || text.empty()) return true;
  char* end = nullptr;
  errno = 0;
  long long value = std::strtoll(text.c_str(), &end, 10);
  // A 32-bit signed count, as the Unix times of the extra fields hold.
  if (errno != 0 || *end != '\0' || value < 0 || value > 0x7FFFFFFF) return false;
  epoch = static_cast<int64_t>(value);
  set = true;
  return true;
}

void clampEntryTimes(ZipArchive& archive, int64_t epoch) {
  uint16_t date, time;
  unixToDosDateTime(epoch, date, time);
  uint32_t limit = uint32_t(date) << 16 | time;
  for (ZipEntry& e : archive.entries) {
    if ((uint32_t(e.date) << 16 | e.time) > limit) {
      e.date = date;
      e.time = time;
    }
    clampExtraTimes(e.localExtra, epoch);
    clampExtraTimes(e.centralExtra, epoch);
  }
}
