// Over-long arguments: every message stays inside its buffer (511 characters for fatal
// errors, 519 for format errors and warnings) and a cut never leaves the first byte of a
// double-byte character without its second byte.
#include <gtest/gtest.h>

#include "reporter_doubles.h"
#include "system/system.h"

using ErrorReporter::FatalError, ErrorReporter::FormatError, ErrorReporter::Warning,
      ErrorReporter::FatalMessageText, ErrorReporter::WarningText;

namespace {

// True when the text is a sequence of whole characters of code page 932.
bool wholeCharacters(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (SysIsLeadByte(static_cast<unsigned char>(text[i]))) {
      if (i + 1 >= text.size()) return false;
      ++i;
    }
  }
  return true;
}

enum class Kind { Fatal, Format, Warn };

struct LimitCase {
  Kind kind;
  int code;
  std::string argument;
  size_t shownLength;  // hand-counted: row bytes + separator + whole characters that fit
};

std::string shownFor(const LimitCase& c) {
  ReportCatcher catcher;
  LinkScope noLink(nullptr);
  switch (c.kind) {
    case Kind::Fatal: exitStatusOf([&] { FatalError(c.code, c.argument.c_str()); }); break;
    case Kind::Format: exitStatusOf([&] { FormatError(c.code, c.argument.c_str()); }); break;
    case Kind::Warn: Warning(c.code, c.argument.c_str()); break;
  }
  return catcher.shown.empty() ? std::string("<nothing shown>") : catcher.shown[0].text;
}

std::string repeat(const char* unit, size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += unit;
  return s;
}

class MessageLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(MessageLimits, CutInsideTheBufferOnACharacterBoundary) {
  const LimitCase& c = GetParam();
  std::string shown = shownFor(c);
  EXPECT_EQ(c.shownLength, shown.size());
  EXPECT_TRUE(wholeCharacters(shown));
  // What is shown is the start of the full message.
  std::string row = c.kind == Kind::Warn ? WarningText(c.code) : FatalMessageText(c.code);
  std::string full = row + (c.kind == Kind::Format ? ": " : " ") + c.argument;
  EXPECT_EQ(full.substr(0, shown.size()), shown);
}

// Row 11 "ﾃﾞｨｽｸがいっぱいです: " is 21 bytes, + 1 blank = 22; 489 bytes remain of 511.
// Row 31 "ﾌｧｲﾙが多すぎます: " is 18 bytes, + ": " = 20; 499 remain of 519.
// Warning row 4 "CRC ﾁｪｯｸに失敗しました " is 23 bytes, + 1 = 24; 495 remain of 519.
INSTANTIATE_TEST_SUITE_P(
    Arguments, MessageLimits,
    ::testing::Values(
        LimitCase{Kind::Fatal, 11, std::string(2000, 'p'), 511},
        LimitCase{Kind::Fatal, 11, repeat("表", 400), 22 + 488},      // 489 is odd: one byte short
        LimitCase{Kind::Fatal, 11, "a" + repeat("表", 400), 22 + 489},
        LimitCase{Kind::Fatal, 11, std::string(259, 'p'), 22 + 259},  // a full path fits
        LimitCase{Kind::Format, 155, std::string(2000, 'q'), 519},
        LimitCase{Kind::Format, 155, repeat("表", 400), 20 + 498},
        LimitCase{Kind::Format, 155, "b" + repeat("表", 400), 20 + 499},
        LimitCase{Kind::Warn, 4, std::string(2000, 'r'), 519},
        LimitCase{Kind::Warn, 4, repeat("表", 400), 24 + 494},
        LimitCase{Kind::Warn, 4, "c" + repeat("表", 400), 24 + 495},
        LimitCase{Kind::Warn, 4, repeat("ｱ", 1000), 519}));  // half-width kana: one byte each

TEST(MessageLimitsNumbers, EmptyRowNumberIgnoresAHugeArgument) {
  ReportCatcher catcher;
  std::string huge(100000, 'z');
  EXPECT_EQ(21, exitStatusOf([&] { FatalError(21, huge.c_str()); }));
  ASSERT_EQ(1u, catcher.shown.size());
  EXPECT_EQ("21", catcher.shown[0].text);
}

}  // namespace
