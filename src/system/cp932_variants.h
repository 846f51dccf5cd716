// The characters of code page 932 that Unix and Windows map to different Unicode code
// points: the JIS X 0208 tables that glibc's Shift_JIS and EUC-JP, and Japanese input on
// Linux, follow give U+301C WAVE DASH for 0x8160, where Windows' code page 932 (and glibc's
// CP932) gives U+FF5E FULLWIDTH TILDE; likewise for the other seven. On Linux a stored
// character is written in the Unix form, the one a name or text typed there carries, and
// either form is taken on the way in. Both forms are given as UTF-8 bytes.
#pragma once

#include <cstddef>

struct Cp932Variant {
  const char* unixForm;
  const char* windowsForm;
};

constexpr Cp932Variant CP932_VARIANTS[] = {
    {"\xE3\x80\x9C", "\xEF\xBD\x9E"},  // 0x8160 WAVE DASH / FULLWIDTH TILDE
    {"\xE2\x80\x94", "\xE2\x80\x95"},  // 0x815C EM DASH / HORIZONTAL BAR
    {"\xE2\x80\x96", "\xE2\x88\xA5"},  // 0x8161 DOUBLE VERTICAL LINE / PARALLEL TO
    {"\xE2\x88\x92", "\xEF\xBC\x8D"},  // 0x817C MINUS SIGN / FULLWIDTH HYPHEN-MINUS
    {"\xC2\xA2", "\xEF\xBF\xA0"},      // 0x8191 CENT SIGN / FULLWIDTH CENT SIGN
    {"\xC2\xA3", "\xEF\xBF\xA1"},      // 0x8192 POUND SIGN / FULLWIDTH POUND SIGN
    {"\xC2\xAC", "\xEF\xBF\xA2"},      // 0x81CA NOT SIGN / FULLWIDTH NOT SIGN
    {"\xC2\xA6", "\xEF\xBF\xA4"},      // 0xFA55 BROKEN BAR / FULLWIDTH BROKEN BAR
};
