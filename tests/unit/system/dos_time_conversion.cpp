// DOS date-times are local time, file times UTC: the conversions must apply the zone's
// offset of the date in question, survive a round trip on both sides of a daylight-saving
// change, and refuse dates that do not exist.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "system/system.h"

namespace {

constexpr uint64_t TICKS = 10000000ull;                  // 100 ns per second
constexpr uint64_t UNIX_EPOCH = 116444736000000000ull;   // 1970-01-01 as a file time

uint16_t dosDate(int y, int m, int d) { return static_cast<uint16_t>((y - 1980) << 9 | m << 5 | d); }
uint16_t dosTime(int h, int mi, int s) { return static_cast<uint16_t>(h << 11 | mi << 5 | s / 2); }
SysFileTime fromUnix(int64_t seconds) { return UNIX_EPOCH + static_cast<uint64_t>(seconds) * TICKS; }

// Sets TZ for the lifetime of the object (POSIX only: a Wine process keeps the zone that the
// harness pinned when it started).
class ZoneScope {
 public:
  explicit ZoneScope(const char* zone) {
    const char* old = std::getenv("TZ");
    hadOld_ = old != nullptr;
    if (old) old_ = old;
#ifndef _WIN32
    setenv("TZ", zone, 1);
    tzset();
#endif
  }
  ~ZoneScope() {
#ifndef _WIN32
    if (hadOld_) setenv("TZ", old_.c_str(), 1);
    else unsetenv("TZ");
    tzset();
#endif
  }

 private:
  bool hadOld_ = false;
  std::string old_;
};

struct ZoneCase {
  const char* zone;
  int y, m, d, h, mi;
  int64_t unixSeconds;  // the same instant in UTC, worked out by hand
};

}  // namespace

#ifndef _WIN32
TEST(DosTimeConversion, LocalOffsetFollowsTheDateOnBothSidesOfDaylightSaving) {
  const ZoneCase cases[] = {
      {"Europe/Berlin", 2020, 1, 15, 12, 0, 1579086000},    // CET, UTC+1
      {"Europe/Berlin", 2020, 7, 1, 12, 0, 1593597600},     // CEST, UTC+2
      {"America/New_York", 2020, 1, 15, 12, 0, 1579107600}, // EST, UTC-5
      {"America/New_York", 2020, 7, 1, 12, 0, 1593619200},  // EDT, UTC-4
      {"UTC", 1980, 1, 1, 0, 0, 315532800},
  };
  for (const auto& c : cases) {
    ZoneScope zone(c.zone);
    SysFileTime ft = 0;
    ASSERT_EQ(0, SysDosToFileTime(dosDate(c.y, c.m, c.d), dosTime(c.h, c.mi, 0), &ft)) << c.zone;
    EXPECT_EQ(fromUnix(c.unixSeconds), ft) << c.zone << " " << c.y << "-" << c.m;
    uint32_t back = SysFileTimeToDos(&ft);
    EXPECT_EQ(static_cast<uint32_t>(dosDate(c.y, c.m, c.d)) << 16 | dosTime(c.h, c.mi, 0), back) << c.zone;
  }
}

TEST(DosTimeConversion, DayOfTheSpringChangeIsTwentyThreeHoursLong) {
  ZoneScope zone("Europe/Berlin");  // clocks went forward on 2020-03-29 at 02:00
  SysFileTime before = 0, after = 0;
  ASSERT_EQ(0, SysDosToFileTime(dosDate(2020, 3, 28), dosTime(12, 0, 0), &before));
  ASSERT_EQ(0, SysDosToFileTime(dosDate(2020, 3, 29), dosTime(12, 0, 0), &after));
  EXPECT_EQ(23 * 3600 * TICKS, after - before);
}
#else
TEST(DosTimeConversion, LocalOffsetOfThePinnedZone) {
  const char* tz = std::getenv("TZ");
  if (!tz || std::string(tz) != "Asia/Tokyo") GTEST_SKIP() << "the harness pins Asia/Tokyo";
  SysFileTime ft = 0;
  ASSERT_EQ(0, SysDosToFileTime(dosDate(2020, 7, 1), dosTime(12, 0, 0), &ft));
  EXPECT_EQ(fromUnix(1593572400), ft);  // 03:00 UTC
}
#endif

TEST(DosTimeConversion, RoundTripsKeepEveryField) {
  ZoneScope zone("Europe/Berlin");
  const uint32_t values[] = {
      static_cast<uint32_t>(dosDate(1980, 1, 1)) << 16,
      static_cast<uint32_t>(dosDate(1998, 7, 15)) << 16 | dosTime(12, 34, 56),
      static_cast<uint32_t>(dosDate(2000, 2, 29)) << 16 | dosTime(23, 59, 58),
      static_cast<uint32_t>(dosDate(2020, 10, 25)) << 16 | dosTime(4, 0, 0),  // after the autumn change
      static_cast<uint32_t>(dosDate(2020, 3, 29)) << 16 | dosTime(3, 30, 0),  // just after the spring one
      static_cast<uint32_t>(dosDate(2107, 12, 31)) << 16 | dosTime(12, 0, 0),
  };
  for (uint32_t v : values) {
    SysFileTime ft = 0;
    ASSERT_EQ(0, SysDosToFileTime(dosDateOf(v), dosTimeOf(v), &ft)) << std::hex << v;
    EXPECT_EQ(v, SysFileTimeToDos(&ft)) << std::hex << v;
  }
}

TEST(DosTimeConversion, ImpossibleDatesAreRefusedAndLeaveTheResultAlone) {
  const uint16_t bad[] = {
      static_cast<uint16_t>((1998 - 1980) << 9 | 13 << 5 | 1),  // month 13
      static_cast<uint16_t>((1998 - 1980) << 9 | 0 << 5 | 1),   // month 0
      static_cast<uint16_t>((1998 - 1980) << 9 | 1 << 5 | 0),   // day 0
  };
  for (uint16_t date : bad) {
    SysFileTime ft = 12345;
    EXPECT_EQ(1, SysDosToFileTime(date, 0, &ft)) << std::hex << date;
    EXPECT_EQ(12345u, ft);
  }
}

TEST(DosTimeConversion, FileTimesOutsideTheDosRangeGiveZero) {
  ZoneScope zone("UTC");
  const SysFileTime outside[] = {fromUnix(0), fromUnix(4354819200), 0, 1ull << 63, ~0ull};  // 1970, 2108, extremes
  for (SysFileTime t : outside) EXPECT_EQ(0u, SysFileTimeToDos(&t)) << t;
}

TEST(DosTimeConversion, TodayIsAPlausibleDateWithoutTime) {
  uint32_t today = SysToday();
  EXPECT_EQ(0u, dosTimeOf(today));
  int year = 1980 + (dosDateOf(today) >> 9), month = (dosDateOf(today) >> 5) & 15, day = dosDateOf(today) & 31;
  EXPECT_GE(year, 2024);
  EXPECT_GE(month, 1);
  EXPECT_LE(month, 12);
  EXPECT_GE(day, 1);
}
