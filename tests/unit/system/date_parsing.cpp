// Dates of the AFTER and BEFORE options: six or eight digits read in the locale's date
// order; everything else is refused with 5 and leaves the result untouched.
#include <gtest/gtest.h>

#include "system/system.h"

namespace {

uint32_t day(int y, int m, int d) { return static_cast<uint32_t>((y - 1980) << 9 | m << 5 | d) << 16; }

struct DateCase {
  int order;
  const char* text;
  uint32_t expected;  // 0 when refused
};

}  // namespace

TEST(DateParsing, ReadsSixAndEightDigitsInEachOrder) {
  const DateCase cases[] = {
      {SYS_DATE_MDY, "=123198", day(1998, 12, 31)},
      {SYS_DATE_MDY, "=12311998", day(1998, 12, 31)},
      {SYS_DATE_MDY, "=010100", day(2000, 1, 1)},
      {SYS_DATE_MDY, "=010179", day(2079, 1, 1)},  // two-digit years 00-79 are 2000-2079
      {SYS_DATE_MDY, "=010180", day(1980, 1, 1)},
      {SYS_DATE_DMY, "=311298", day(1998, 12, 31)},
      {SYS_DATE_DMY, "=31121998", day(1998, 12, 31)},
      {SYS_DATE_YMD, "=19990101", day(1999, 1, 1)},
      {SYS_DATE_YMD, "=000229", day(2000, 2, 29)},
      {SYS_DATE_YMD, "=21071231", day(2107, 12, 31)},
      {SYS_DATE_MDY, "123198", day(1998, 12, 31)},  // no '=' in front
      {SYS_DATE_MDY, "=023198", day(1998, 2, 31)},  // the day is not checked against the month
  };
  for (const auto& c : cases) {
    uint32_t value = 0xDEADBEEF;
    ASSERT_EQ(0, SysParseDate(c.text, c.order, &value)) << c.text << " order " << c.order;
    EXPECT_EQ(c.expected, value) << c.text << " order " << c.order;
  }
}

TEST(DateParsing, RefusesWhatIsNotADate) {
  const DateCase cases[] = {
      {SYS_DATE_MDY, "=12311898", 0},   // century below 19
      {SYS_DATE_MDY, "=12311979", 0},   // before the first DOS year, not 2079
      {SYS_DATE_YMD, "=21080101", 0},   // after the last DOS year
      {SYS_DATE_MDY, "=1231", 0},       // four digits
      {SYS_DATE_MDY, "=12/31/98", 0},   // separators
      {SYS_DATE_MDY, "=133198", 0},     // month 13
      {SYS_DATE_MDY, "=003198", 0},     // month 0
      {SYS_DATE_MDY, "=120098", 0},     // day 0
      {SYS_DATE_MDY, "=123298", 0},     // day 32
      {SYS_DATE_DMY, "=123198", 0},     // month 31 in day-month-year order
      {SYS_DATE_YMD, "=981231x", 0},
      {SYS_DATE_MDY, "=", 0},
      {SYS_DATE_MDY, "", 0},
      {SYS_DATE_MDY, "=1231199", 0},    // seven digits
      {SYS_DATE_MDY, "=123119980", 0},  // nine digits
  };
  for (const auto& c : cases) {
    uint32_t value = 0xDEADBEEF;
    EXPECT_EQ(5, SysParseDate(c.text, c.order, &value)) << '"' << c.text << "\" order " << c.order;
    EXPECT_EQ(0xDEADBEEFu, value) << c.text;
  }
}
