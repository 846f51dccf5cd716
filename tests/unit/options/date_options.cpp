// AFTER and BEFORE: dates of 6 or 8 digits read in the record's date order, a two-digit year
// for 1980-2079, month and day ranges, today's date without a value, and code 5 for the rest.
#include <gtest/gtest.h>

#include "option_words.h"
#include "system/system.h"

namespace {

// DOS date of a day in the high half, time 0: (year - 1980) * 512 + month * 32 + day.
constexpr uint32_t dosDay(int year, int month, int day) {
  return static_cast<uint32_t>((year - 1980) * 512 + month * 32 + day) << 16;
}

struct DateCase {
  const char* word;
  int dateOrder;
  int status;
  uint32_t date;  // expected afterDate / beforeDate when accepted
};

class DateOptions : public ::testing::TestWithParam<DateCase> {};

TEST_P(DateOptions, ReadInTheDateOrder) {
  const DateCase& c = GetParam();
  OptionState state;
  state.dateOrder = c.dateOrder;
  WordList words{c.word};
  ParseOutcome outcome = parseCatching(words, state);
  EXPECT_EQ(c.status, outcome.status) << c.word;
  bool before = c.word[1] == 'B' || c.word[1] == 'b';
  EXPECT_EQ(before ? DATE_FILTER_BEFORE : DATE_FILTER_AFTER, state.dateFilter) << c.word;
  if (c.status == 0) {
    EXPECT_EQ(c.date, before ? state.beforeDate : state.afterDate) << c.word;
  } else {
    EXPECT_EQ("不明、または不正なｻﾌﾞｵﾌﾟｼｮﾝ -  " + std::string(c.word + 1), outcome.message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Dates, DateOptions,
    ::testing::Values(
        DateCase{"-BEFORE=010199", SYS_DATE_MDY, 0, 0x26210000u},  // 1 January 1999
        DateCase{"-BEFORE=010199", SYS_DATE_MDY, 0, dosDay(1999, 1, 1)},
        DateCase{"-AFTER=123179", SYS_DATE_MDY, 0, dosDay(2079, 12, 31)},
        DateCase{"-AFTER=010180", SYS_DATE_MDY, 0, dosDay(1980, 1, 1)},
        DateCase{"-AFTER=070400", SYS_DATE_MDY, 0, dosDay(2000, 7, 4)},
        DateCase{"-AFTER=02311999", SYS_DATE_MDY, 0, dosDay(1999, 2, 31)},
        DateCase{"-AFTER=311299", SYS_DATE_DMY, 0, dosDay(1999, 12, 31)},
        DateCase{"-AFTER=31121999", SYS_DATE_DMY, 0, dosDay(1999, 12, 31)},
        DateCase{"-AFTER=991231", SYS_DATE_YMD, 0, dosDay(1999, 12, 31)},
        DateCase{"-after=20240229", SYS_DATE_YMD, 0, dosDay(2024, 2, 29)},
        // Rejected: wrong length, not all digits, month or day out of range, century.
        DateCase{"-AFTER=1231999", SYS_DATE_MDY, 5, 0},
        DateCase{"-AFTER=12A199", SYS_DATE_MDY, 5, 0},
        DateCase{"-AFTER=130199", SYS_DATE_MDY, 5, 0},
        DateCase{"-AFTER=000199", SYS_DATE_MDY, 5, 0},
        DateCase{"-AFTER=013299", SYS_DATE_MDY, 5, 0},
        DateCase{"-AFTER=010099", SYS_DATE_MDY, 5, 0},
        DateCase{"-AFTER=01011898", SYS_DATE_MDY, 5, 0},
        DateCase{"-AFTER=311299", SYS_DATE_MDY, 5, 0},
        DateCase{"-AFTER=123199", SYS_DATE_DMY, 5, 0},
        DateCase{"-BEFORE=12319", SYS_DATE_MDY, 5, 0},
        DateCase{"-BEFORE=1231999x", SYS_DATE_MDY, 5, 0},
        DateCase{"-BEFORE= 123199", SYS_DATE_MDY, 5, 0}));

TEST(DateOptionsToday, WithoutAValueTheFilterStartsToday) {
  for (const char* w : {"-AFTER", "-AFTER="}) {
    OptionState state;
    WordList words{w};
    uint32_t before = SysToday();
    ASSERT_EQ(0, parseCatching(words, state).status);
    uint32_t after = SysToday();
    EXPECT_TRUE(state.afterDate == before || state.afterDate == after) << w;
    EXPECT_EQ(0u, state.afterDate & 0xFFFF) << "no time part";
    EXPECT_NE(0u, state.afterDate);
  }
}

TEST(DateOptionsToday, BothFiltersTogether) {
  OptionState state;
  WordList words{"-AFTER=010190", "-BEFORE=123190"};
  ASSERT_EQ(0, parseCatching(words, state).status);
  EXPECT_EQ(DATE_FILTER_AFTER | DATE_FILTER_BEFORE, state.dateFilter);
  EXPECT_EQ(dosDay(1990, 1, 1), state.afterDate);
  EXPECT_EQ(dosDay(1990, 12, 31), state.beforeDate);
}

}  // namespace
