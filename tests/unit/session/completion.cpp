// The completion of a run: which notice or question the user sees for a number of warnings,
// the show-messages setting and the eligible post-extraction steps, and which steps are then
// performed with the short extraction directory.
#include <gtest/gtest.h>

#include "session_support.h"

using ErrorReporter::SetProgressLink;

using namespace session_test;

namespace {

const std::string EXTRACTED = "展開完了";
const std::string TESTED = "ﾃｽﾄ完了";
const std::string EXTRACTED_3 = "3 個の警告付きで展開が完了しました";
const std::string TESTED_3 = "3 個の警告付きでﾃｽﾄが完了しました";
const std::string GROUP_Q = "\n次のﾌﾟﾛｸﾞﾗﾑ ｸﾞﾙｰﾌﾟを作成しますか?\n";
const std::string EXT_Q = "\n次の拡張子を登録しますか?\n";

struct Shown {
  std::string text;
  MessageKind kind;
  bool operator==(const Shown& o) const { return text == o.text && kind == o.kind; }
};
std::ostream& operator<<(std::ostream& os, const Shown& s) {
  return os << (s.kind == MessageKind::Question ? "?" : "!") << s.text;
}
Shown notice(const std::string& t) { return {t, MessageKind::Notice}; }
Shown question(const std::string& t) { return {t, MessageKind::Question}; }

struct CompletionCase {
  const char* name;
  bool test;
  int warnings;
  uint16_t flags;
  bool withGroup;
  bool withExtensions;
  bool answer;
  std::vector<Shown> shown;
  int groupsCreated;
  int extensionsRegistered;
};

class Completion : public ::testing::TestWithParam<CompletionCase> {};

TEST_P(Completion, MessagesQuestionsAndSteps) {
  const CompletionCase& c = GetParam();
  ReportCatcher catcher;
  catcher.answer = c.answer;
  ScratchDir dir;
  ScriptedFrontEnd frontEnd;
  frontEnd.warnings = c.warnings;
  Session session(frontEnd);
  if (c.withGroup) session.config().setSectionText(SECTION_INDEX_PROGRAM_GROUP, "Tools|Tool,%0tool.exe");
  if (c.withExtensions) session.config().setSectionText(SECTION_INDEX_EXTENSIONS, "*.abc|%0a.exe|*.def|%0d.exe");
  session.config().prepareSections();
  session.config().setFlags(c.flags);
  session.setExtractionDirectory(dir.path().c_str());
  SetProgressLink(&frontEnd);
  session.complete(c.test);
  SetProgressLink(nullptr);

  std::vector<Shown> shown;
  for (const auto& s : catcher.shown) {
    shown.push_back({s.text, s.kind});
    EXPECT_EQ("ARKEX(R) - test", s.caption);  // the dialog's title
  }
  EXPECT_EQ(c.shown, shown);
  ASSERT_EQ(size_t(c.groupsCreated), frontEnd.groups.size());
  ASSERT_EQ(size_t(c.extensionsRegistered), frontEnd.extensionRegistrations.size());
  for (const std::string& g : frontEnd.groups) {
    // The prepared group list (name first) and the directory with its closing separator.
    EXPECT_EQ(0u, g.find("Tools@")) << g;
    EXPECT_EQ('\\', g.back()) << g;
  }
  for (const std::string& e : frontEnd.extensionRegistrations) {
    EXPECT_EQ(0u, e.find("*.abc@")) << e;
    EXPECT_EQ('\\', e.back()) << e;
  }
}

constexpr uint16_t M = CFG_MESSAGES;
constexpr uint16_t G = CFG_PROGRAM_GROUP;
constexpr uint16_t E = CFG_EXTENSIONS;

INSTANTIATE_TEST_SUITE_P(
    Cases, Completion,
    ::testing::Values(
        CompletionCase{"extract0Quiet", false, 0, 0, false, false, true, {}, 0, 0},
        CompletionCase{"extract0Messages", false, 0, M, false, false, true, {notice(EXTRACTED)}, 0, 0},
        CompletionCase{"test0Quiet", true, 0, 0, false, false, true, {notice(TESTED)}, 0, 0},
        CompletionCase{"test0Messages", true, 0, M, false, false, true, {notice(TESTED)}, 0, 0},
        CompletionCase{"test3Quiet", true, 3, 0, false, false, true, {notice(TESTED_3)}, 0, 0},
        // A test never performs the post-extraction steps.
        CompletionCase{"test3Steps", true, 3, M | G | E, true, true, true, {notice(TESTED_3)}, 0, 0},
        CompletionCase{"test0Steps", true, 0, G | E, true, true, true, {notice(TESTED)}, 0, 0},
        CompletionCase{"extract3Quiet", false, 3, 0, false, false, true, {}, 0, 0},
        CompletionCase{"extract3Messages", false, 3, M, false, false, true, {notice(EXTRACTED_3)}, 0, 0},
        // One question carries the warning text, and no separate notice follows.
        CompletionCase{"extract3GroupYes", false, 3, M | G, true, false, true,
                       {question(EXTRACTED_3 + GROUP_Q + "Tools")}, 1, 0},
        CompletionCase{"extract3GroupNo", false, 3, M | G, true, false, false,
                       {question(EXTRACTED_3 + GROUP_Q + "Tools")}, 0, 0},
        CompletionCase{"extract3QuietGroup", false, 3, G, true, false, true,
                       {question(EXTRACTED_3 + GROUP_Q + "Tools")}, 1, 0},
        CompletionCase{"extract3Both", false, 3, M | G | E, true, true, true,
                       {question(EXTRACTED_3 + GROUP_Q + "Tools"), question(EXTRACTED_3 + EXT_Q + "abc;def")},
                       1, 1},
        CompletionCase{"extract3ExtensionsNo", false, 3, M | E, false, true, false,
                       {question(EXTRACTED_3 + EXT_Q + "abc;def")}, 0, 0},
        // Without warnings the steps run without any question.
        CompletionCase{"extract0Both", false, 0, G | E, true, true, false, {}, 1, 1},
        CompletionCase{"extract0MessagesBoth", false, 0, M | G | E, true, true, false, {notice(EXTRACTED)}, 1, 1},
        // Sections present but their check boxes cleared: nothing to do, the warnings are
        // shown on their own.
        CompletionCase{"extract3StepsUnchecked", false, 3, M, true, true, true, {notice(EXTRACTED_3)}, 0, 0},
        // A flag without its section is no eligible step.
        CompletionCase{"extract3FlagWithoutGroup", false, 3, M | G, false, false, true,
                       {notice(EXTRACTED_3)}, 0, 0}),
    [](const ::testing::TestParamInfo<CompletionCase>& info) { return info.param.name; });

TEST(CompletionSteps, WithoutDesktopStepsNothingIsCreatedButTheQuestionStands) {
  ReportCatcher catcher;
  ScriptedFrontEnd frontEnd;
  frontEnd.withSteps = false;
  frontEnd.warnings = 3;
  Session session(frontEnd);
  session.config().setSectionText(SECTION_INDEX_PROGRAM_GROUP, "Tools|x");
  session.config().prepareSections();
  session.config().setFlags(CFG_PROGRAM_GROUP);
  session.complete(false);
  EXPECT_EQ(1u, catcher.shown.size());
  EXPECT_TRUE(frontEnd.groups.empty());
}

TEST(CompletionSteps, WarningCountIsTheFrontEndsFigure) {
  ReportCatcher catcher;
  ScriptedFrontEnd frontEnd;
  frontEnd.warnings = 12345;
  Session session(frontEnd);
  session.config().setFlags(CFG_MESSAGES);
  session.complete(false);
  ASSERT_EQ(1u, catcher.shown.size());
  EXPECT_EQ("12345 個の警告付きで展開が完了しました", catcher.shown[0].text);
}

TEST(CompletionSteps, ShortDirectoryIsTheFullPathWithOneClosingSeparator) {
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  ScriptedFrontEnd frontEnd;
  Session session(frontEnd);
  char buffer[SYS_PATH_MAX];
  for (const std::string& given : {dir.path(), dir.path() + "/"}) {
    session.setExtractionDirectory(given.c_str());
    std::string shortDir = session.shortExtractionDirectory(buffer);
    ASSERT_FALSE(shortDir.empty());
    const char last = shortDir.back();
    EXPECT_TRUE(last == '\\' || last == '/') << shortDir;
    const char before = shortDir[shortDir.size() - 2];
    EXPECT_FALSE(before == '\\' || before == '/') << shortDir;
  }
  // A relative directory is stored back in full-path form.
  ASSERT_EQ(0, SysSetCurrentDirectory(dir.path().c_str()));
  session.setExtractionDirectory("rel");
  session.shortExtractionDirectory(buffer);
  EXPECT_NE(std::string("rel"), session.extractionDirectory());
  EXPECT_EQ("rel", forwardSlashes(session.extractionDirectory()).substr(
                       forwardSlashes(session.extractionDirectory()).rfind('/') + 1));
}

TEST(CompletionSteps, CancelOutsideARunChangesNothing) {
  ReportCatcher catcher;
  ScriptedFrontEnd frontEnd;
  Session session(frontEnd);
  session.cancelConfirmed();  // idle: the caller simply ends the dialog
  EXPECT_TRUE(session.postStepsAllowed());
}

}  // namespace
