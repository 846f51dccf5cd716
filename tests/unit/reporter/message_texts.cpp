// The texts of the reports as they are shown: row text, one blank, argument (so rows that end
// in a blank put two blanks before the argument), the code in decimal for empty fatal rows,
// nothing at all for a cancelled run, "%s: %s" for format errors with an argument, and the
// exit statuses (code, code + 149 for format errors).
#include <gtest/gtest.h>

#include "reporter_doubles.h"

using ErrorReporter::FatalError, ErrorReporter::FormatError, ErrorReporter::Warning,
      ErrorReporter::FatalMessageText, ErrorReporter::WarningText;

namespace {

struct FatalCase {
  int code;
  const char* argument;
  const char* shown;
};

class FatalTexts : public ::testing::TestWithParam<FatalCase> {};

TEST_P(FatalTexts, TextAndExitStatus) {
  const FatalCase& c = GetParam();
  ReportCatcher catcher;
  EXPECT_EQ(c.code, exitStatusOf([&] { FatalError(c.code, c.argument); }));
  ASSERT_EQ(1u, catcher.shown.size());
  EXPECT_EQ(std::string(c.shown), catcher.shown[0].text);
  EXPECT_EQ(MessageKind::Notice, catcher.shown[0].kind);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FatalTexts,
    // One row per composition rule and table part (codes below 100, 100 to 108), not a copy
    // of the table.
    ::testing::Values(
        FatalCase{2, "E", "あいまいなｵﾌﾟｼｮﾝやｺﾏﾝﾄﾞが指定されました -  E"},
        FatalCase{12, "x.zip", ".ZIP ﾌｧｲﾙが見つかりません:  x.zip"},
        FatalCase{19, nullptr, "ﾌｧｲﾙの展開を中止しました "},
        FatalCase{100, nullptr, "ﾒﾓﾘ不足です - 入力作業ﾊﾞｯﾌｧの作成 "},
        FatalCase{105, "", "ﾒﾓﾘ不足です - .ZIP ﾌｧｲﾙの展開 "},
        // Empty rows show the code in decimal, whatever the argument.
        FatalCase{21, "", "21"}, FatalCase{21, "ignored", "21"}, FatalCase{103, nullptr, "103"},
        FatalCase{0, nullptr, "0"}, FatalCase{40, nullptr, "40"}, FatalCase{108, nullptr, "108"}));

TEST(FatalBytes, CodePage932BytesOfTheRows) {
  ReportCatcher catcher;
  exitStatusOf([] { FatalError(19, nullptr); });
  exitStatusOf([] { FatalError(11, "p"); });
  ASSERT_EQ(2u, catcher.shown.size());
  EXPECT_EQ(std::string("\xcc\xa7\xb2\xd9\x82\xcc\x93W\x8a" "J\x82\xf0\x92\x86\x8e~\x82\xb5\x82\xdc\x82\xb5\x82\xbd "),
            catcher.shown[0].text);
  EXPECT_EQ(std::string("\xc3\xde\xa8\xbd\xb8\x82\xaa\x82\xa2\x82\xc1\x82\xcf\x82\xa2\x82\xc5\x82\xb7:  p"),
            catcher.shown[1].text);
}

TEST(FatalCancelled, ShowsNothingReleasesAndEndsWith255) {
  ReportCatcher catcher;
  CountingArchive archive;
  ArchiveScope scope(&archive);
  EXPECT_EQ(255, exitStatusOf([] { FatalError(FATAL_CANCELLED, "ignored"); }));
  EXPECT_TRUE(catcher.shown.empty());
  EXPECT_EQ(1, archive.releases);
}

struct FormatCase {
  int code;
  const char* argument;
  const char* shown;
};

class FormatTexts : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatTexts, TextAndExitStatus) {
  const FormatCase& c = GetParam();
  ReportCatcher catcher;
  EXPECT_EQ(c.code + 149, exitStatusOf([&] { FormatError(c.code, c.argument); }));
  ASSERT_EQ(1u, catcher.shown.size());
  EXPECT_EQ(std::string(c.shown), catcher.shown[0].text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatTexts,
    ::testing::Values(
        FormatCase{150, nullptr, ".ZIP ﾌｧｲﾙの読み込みｴﾗｰ "},
        FormatCase{152, nullptr, "CE ｼｸﾞﾈﾁｬが見つかりません "},
        FormatCase{153, "a.zip", ".ZIP ﾌｧｲﾙが途中で終了しています : a.zip"},
        FormatCase{155, "C:/x.exe", "ﾌｧｲﾙが多すぎます: : C:/x.exe"}));

TEST(FormatBytes, LocalHeaderRowExactly) {
  ReportCatcher catcher;
  EXPECT_EQ(303, exitStatusOf([] { FormatError(154, nullptr); }));
  ASSERT_EQ(1u, catcher.shown.size());
  EXPECT_EQ(std::string("\xdb\xb0\xb6\xd9 \xcd\xaf\xc0\xde\x82\xaa\x89\xf3\x82\xea\x82\xc4\x82\xa2\x82"
                        "\xe9\x82\xa9\x8c\xa9\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82\xb9\x82\xf1 "),
            catcher.shown[0].text);
}

struct WarningCase {
  int code;
  const char* argument;
  const char* shown;
};

class WarningTexts : public ::testing::TestWithParam<WarningCase> {};

TEST_P(WarningTexts, ShownWithoutALinkAndReturns) {
  const WarningCase& c = GetParam();
  ReportCatcher catcher;
  LinkScope noLink(nullptr);
  Warning(c.code, c.argument);  // returns: processing goes on
  ASSERT_EQ(1u, catcher.shown.size());
  EXPECT_EQ(std::string(c.shown), catcher.shown[0].text);
  EXPECT_EQ(MessageKind::Notice, catcher.shown[0].kind);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WarningTexts,
    ::testing::Values(
        WarningCase{1, "out/a", "作成できません:  out/a"},
        WarningCase{4, "name", "CRC ﾁｪｯｸに失敗しました  name"},
        WarningCase{10, "e", "展開したﾌｧｲﾙに不正なﾃｰﾌﾞﾙがあります e"},
        WarningCase{27, "", "拡張属性のﾒﾓﾘが不足しています "},
        WarningCase{6, "x", " x"}, WarningCase{4, nullptr, "CRC ﾁｪｯｸに失敗しました  "}));

TEST(WarningBytes, TwoBlanksBeforeTheArgument) {
  ReportCatcher catcher;
  LinkScope noLink(nullptr);
  Warning(4, "n");
  ASSERT_EQ(1u, catcher.shown.size());
  EXPECT_EQ(std::string("CRC \xc1\xaa\xaf\xb8\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd  n"),
            catcher.shown[0].text);
}

TEST(ReportTables, RowsOutsideTheTablesAreAbsent) {
  EXPECT_EQ(nullptr, FatalMessageText(-1));
  EXPECT_EQ(nullptr, FatalMessageText(41));
  EXPECT_EQ(nullptr, FatalMessageText(99));
  EXPECT_EQ(nullptr, FatalMessageText(109));
  EXPECT_EQ(nullptr, FatalMessageText(149));
  EXPECT_EQ(nullptr, FatalMessageText(156));
  EXPECT_EQ(nullptr, WarningText(-1));
  EXPECT_EQ(nullptr, WarningText(29));
  EXPECT_STREQ(FatalMessageText(26), FatalMessageText(150));
  EXPECT_STREQ(FatalMessageText(36), FatalMessageText(104));
}

TEST(ReportTables, FatalCodesOutsideTheTableShowTheirNumber) {
  ReportCatcher catcher;
  EXPECT_EQ(77, exitStatusOf([] { FatalError(77, "x"); }));
  EXPECT_EQ(-5, exitStatusOf([] { FatalError(-5, "x"); }));
  ASSERT_EQ(2u, catcher.shown.size());
  EXPECT_EQ("77", catcher.shown[0].text);
  EXPECT_EQ("-5", catcher.shown[1].text);
}

}  // namespace
