// Showing a DOS date: the locale's date order, the user's date separator (Windows registry
// "sDate", "/" elsewhere or when unset), impossible fields shown as 1, the year whole.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "system/system.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

uint32_t dosDay(int yearField, int month, int day) {
  return static_cast<uint32_t>(yearField << 9 | month << 5 | day) << 16;
}

std::string format(uint32_t value, int order) {
  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  return SysFormatDate(value, order, buffer);
}

#ifdef _WIN32
// Replaces the user's date separator for the lifetime of the object.
class SeparatorScope {
 public:
  explicit SeparatorScope(const char* separator) {
    RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key_, nullptr);
    DWORD size = sizeof old_;
    hadOld_ = RegQueryValueExA(key_, "sDate", nullptr, nullptr, reinterpret_cast<BYTE*>(old_), &size) ==
              ERROR_SUCCESS;
    oldSize_ = size;
    RegSetValueExA(key_, "sDate", 0, REG_SZ, reinterpret_cast<const BYTE*>(separator),
                   static_cast<DWORD>(std::strlen(separator) + 1));
  }
  ~SeparatorScope() {
    if (hadOld_) RegSetValueExA(key_, "sDate", 0, REG_SZ, reinterpret_cast<BYTE*>(old_), oldSize_);
    else RegDeleteValueA(key_, "sDate");
    RegCloseKey(key_);
  }

 private:
  HKEY key_ = nullptr;
  char old_[16] = {};
  DWORD oldSize_ = 0;
  bool hadOld_ = false;
};
#endif

}  // namespace

TEST(DateFormatting, OrderAndImpossibleFields) {
#ifdef _WIN32
  SeparatorScope slash("/");
#endif
  const uint32_t dec31 = dosDay(18, 12, 31);  // 1998-12-31
  EXPECT_EQ("12/31/1998", format(dec31, SYS_DATE_MDY));
  EXPECT_EQ("31/12/1998", format(dec31, SYS_DATE_DMY));
  EXPECT_EQ("1998/12/31", format(dec31, SYS_DATE_YMD));
  EXPECT_EQ("12/31/1998", format(dec31, 7));       // unknown orders read month first
  EXPECT_EQ("01/05/2000", format(dosDay(20, 0, 5), SYS_DATE_MDY));   // month 0
  EXPECT_EQ("01/05/2000", format(dosDay(20, 13, 5), SYS_DATE_MDY));  // month 13
  EXPECT_EQ("03/01/2000", format(dosDay(20, 3, 0), SYS_DATE_MDY));   // day 0
  EXPECT_EQ("12/31/2107", format(dosDay(127, 12, 31), SYS_DATE_MDY));  // not 2007
  EXPECT_EQ("01/01/1980", format(dosDay(0, 1, 1) | 0xFFFF, SYS_DATE_MDY));  // time half ignored
}

TEST(DateFormatting, UsesTheUsersSeparator) {
#ifdef _WIN32
  SeparatorScope dot(".");
  EXPECT_EQ("31.12.1998", format(dosDay(18, 12, 31), SYS_DATE_DMY));
  SeparatorScope empty("");
  EXPECT_EQ("31/12/1998", format(dosDay(18, 12, 31), SYS_DATE_DMY));
#else
  EXPECT_EQ("31/12/1998", format(dosDay(18, 12, 31), SYS_DATE_DMY));  // no registry: '/'
#endif
}

TEST(DateFormatting, ParsedDatesShowAsTyped) {
#ifdef _WIN32
  SeparatorScope slash("/");
#endif
  const char* texts[] = {"=12311998", "=01011980", "=02292000", "=12312107"};
  const char* shown[] = {"12/31/1998", "01/01/1980", "02/29/2000", "12/31/2107"};
  for (int i = 0; i < 4; ++i) {
    uint32_t value = 0;
    ASSERT_EQ(0, SysParseDate(texts[i], SYS_DATE_MDY, &value)) << texts[i];
    EXPECT_EQ(shown[i], format(value, SYS_DATE_MDY));
  }
}

TEST(LocaleLoading, GivesAKnownOrder) {
  int order = 0;
  bool clock24 = false;
  if (SysLoadLocale(&order, &clock24) != 0) GTEST_SKIP() << "no locale information";
  EXPECT_TRUE(order == SYS_DATE_MDY || order == SYS_DATE_DMY || order == SYS_DATE_YMD) << order;
#ifdef _WIN32
  if (GetUserDefaultLCID() == 0x411) {  // Japanese: year-month-day, 24-hour clock
    EXPECT_EQ(SYS_DATE_YMD, order);
    EXPECT_TRUE(clock24);
  }
#endif
}
