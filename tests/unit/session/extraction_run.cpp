// Whole runs through the session: start-up from a self-extracting file, the front end's
// settings turned into option words and applied by the engine, the completion, the dialog's
// end after an extraction, Cancel inside the entry loop (status 255, no post-extraction
// steps) and during the completion, and the exit-time clean-up.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "session_support.h"

using ErrorReporter::Warning, ErrorReporter::SetProgressLink, ErrorReporter::GetProgressLink;

using namespace session_test;
namespace fs = std::filesystem;

namespace {

// A front end whose dialog makes one or more runs into `out`, in the order given.
struct Run {
  bool test;
  uint16_t flags;
};

class RunScript {
 public:
  RunScript(ScriptedFrontEnd& frontEnd, std::string out, std::vector<Run> runs) {
    frontEnd.dialog = [out, runs](Session& session) {
      for (const Run& r : runs) {
        session.config().setFlags(r.flags);
        session.setExtractionDirectory(out.c_str());
        if (!session.prepareDirectory(out.c_str())) return DIALOG_CANCELLED;
        SetProgressLink(GetProgressLink());
        session.run(r.test);
      }
      return DIALOG_EXTRACTED;
    };
  }
};

std::string made(const ScratchDir& dir, const char* fixture, const ConfigBlock& config) {
  writeSfx(fixture, config, dir.file("app.exe"));
  return dir.file("app.exe");
}

TEST(ExtractionRun, SubdirectoriesRecreatedOrFlattened) {
  struct Case {
    uint16_t flags;
    std::vector<std::string> files;
  } cases[] = {
      {CFG_SUBDIRS | CFG_MESSAGES, {"a.txt", "dir/b.txt", "dir/sub/c.txt"}},
      {CFG_MESSAGES, {"a.txt", "b.txt", "c.txt"}},
  };
  for (const Case& c : cases) {
    ReportCatcher catcher;
    ScratchDir dir;
    CurrentDirectoryGuard guard;
    ScriptedFrontEnd frontEnd;
    const std::string out = dir.file("out/deeper");
    RunScript script(frontEnd, out, {{false, c.flags}});
    Session session(frontEnd);
    EXPECT_EQ(0, session.start(made(dir, "session_subdirs.sfx", ConfigBlock()).c_str()));
    for (const std::string& f : c.files) EXPECT_TRUE(fileExists(out + "/" + f)) << f;
    EXPECT_EQ(std::string(1025, 'a'), readFileBytes(out + "/a.txt"));
    EXPECT_EQ(std::vector<bool>{false}, frontEnd.runsEntered);
    EXPECT_EQ(std::vector<int>{DIALOG_EXTRACTED}, frontEnd.dialogResults);
    ASSERT_EQ(1u, catcher.shown.size());
    EXPECT_EQ("展開完了", catcher.shown[0].text);
    EXPECT_EQ(nullptr, GetProgressLink());
    EXPECT_EQ(nullptr, session.archive());  // shut down after the dialog
  }
}

TEST(ExtractionRun, OverwritePolicies) {
  struct Case {
    uint16_t flags;
    int answer;
    bool replaced;
    int questions;
  } cases[] = {
      {CFG_NEVER_OVERWRITE, 'Y', false, 0},
      {CFG_OVERWRITE_ALL, 'N', true, 0},
      {0, 'N', false, 1},
      {0, 'Y', true, 1},
  };
  for (const Case& c : cases) {
    ReportCatcher catcher;
    ScratchDir dir;
    CurrentDirectoryGuard guard;
    const std::string out = dir.file("out");
    fs::create_directories(out);
    writeFileBytes(out + "/x.txt", "old");
    ScriptedFrontEnd frontEnd;
    ScriptedPrompts* prompts = nullptr;
    frontEnd.dialog = [&](Session& session) {
      prompts = static_cast<ScriptedPrompts*>(session.prompts());
      prompts->overwriteAnswer = c.answer;
      session.config().setFlags(c.flags);
      session.setExtractionDirectory(out.c_str());
      EXPECT_TRUE(session.prepareDirectory(out.c_str()));
      session.run(false);
      EXPECT_EQ(c.questions, prompts->overwriteQuestions) << c.flags;
      return DIALOG_EXTRACTED;
    };
    Session session(frontEnd);
    session.start(made(dir, "session_flat.sfx", ConfigBlock()).c_str());
    EXPECT_EQ(c.replaced ? std::string(1024, 'x') : "old", readFileBytes(out + "/x.txt")) << c.flags;
    EXPECT_EQ(std::string(1024, 'y'), readFileBytes(out + "/y.txt"));
  }
}

TEST(ExtractionRun, TestKeepsTheDialogAndLeavesNoSettingBehind) {
  ReportCatcher catcher;
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  ScriptedFrontEnd frontEnd;
  const std::string out = dir.file("out");
  // A test with subdirectories and never-overwrite, then an extraction with neither.
  RunScript script(frontEnd, out,
                   {{true, CFG_SUBDIRS | CFG_NEVER_OVERWRITE | CFG_MESSAGES}, {false, CFG_MESSAGES}});
  Session session(frontEnd);
  session.start(made(dir, "session_subdirs.sfx", ConfigBlock()).c_str());
  EXPECT_EQ((std::vector<bool>{true, false}), frontEnd.runsEntered);
  EXPECT_EQ(std::vector<int>{DIALOG_EXTRACTED}, frontEnd.dialogResults);  // only after the extraction
  ASSERT_EQ(2u, catcher.shown.size());
  EXPECT_EQ("ﾃｽﾄ完了", catcher.shown[0].text);
  EXPECT_EQ("展開完了", catcher.shown[1].text);
  EXPECT_TRUE(fileExists(out + "/c.txt"));  // flattened: -DIRECTORIES was not carried over
  EXPECT_FALSE(fileExists(out + "/dir"));
}

// A test with warnings, then an extraction without any: the extraction's completion counts
// its own warnings (none), so the program group is created without a question. The front
// end keeps counting across runs, as a dialog that never reset its figure would.
TEST(ExtractionRun, EachRunCountsItsOwnWarnings) {
  ReportCatcher catcher;
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  ConfigBlock config;
  config.setSectionText(SECTION_INDEX_PROGRAM_GROUP, "Tools|Tool,%0x.txt");
  ScriptedFrontEnd frontEnd;
  bool testing = false;
  frontEnd.onProgress = [&](ProgressEvent event) {
    if (event == PROGRESS_TESTED && testing) Warning(WARN_CRC, "x.txt");
  };
  frontEnd.dialog = [&](Session& session) {
    for (bool test : {true, false}) {
      testing = test;
      session.config().setFlags(CFG_MESSAGES | CFG_PROGRAM_GROUP);
      session.setExtractionDirectory(dir.file("out").c_str());
      if (!session.prepareDirectory(dir.file("out").c_str())) return DIALOG_CANCELLED;
      SetProgressLink(&frontEnd);
      session.run(test);
    }
    return DIALOG_EXTRACTED;
  };
  Session session(frontEnd);
  session.start(made(dir, "session_flat.sfx", config).c_str());
  EXPECT_EQ(2, frontEnd.warnings);  // x.txt and y.txt, both during the test
  std::vector<std::string> texts;
  for (const auto& s : catcher.shown) texts.push_back(s.text);
  EXPECT_EQ((std::vector<std::string>{"2 個の警告付きでﾃｽﾄが完了しました", "展開完了"}), texts);
  EXPECT_EQ(1u, frontEnd.groups.size());
}

// The front end of the cancelled run reports, at the process's exit-time clean-up, which
// post-extraction steps were performed.
class ReportingFrontEnd : public ScriptedFrontEnd {
 public:
  void endConversation() override {
    std::fprintf(stderr, "clean-up: groups=%zu extensions=%zu link=%s\n", groups.size(),
                 extensionRegistrations.size(), GetProgressLink() ? "set" : "clear");
  }
};

// Cancel confirmed inside the entry loop ends the real process (no exit hook here) with
// status 255, through the exit-time clean-up, without touching the post-extraction steps.
void cancelInsideTheLoop(const std::string& sfx, const std::string& out) {
  static ReportingFrontEnd frontEnd;
  static Session session(frontEnd);
  frontEnd.onProgress = [](ProgressEvent event) {
    if (event == PROGRESS_FILE) session.cancelConfirmed();
  };
  RunScript script(frontEnd, out,
                   {{false, CFG_MESSAGES | CFG_PROGRAM_GROUP | CFG_EXTENSIONS | CFG_SUBDIRS}});
  session.start(sfx.c_str());
  std::fprintf(stderr, "the run returned\n");
  std::exit(0);
}

TEST(ExtractionRunDeathTest, CancelInsideTheEntryLoopEndsWith255AndNoSteps) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  ConfigBlock config;
  config.setSectionText(SECTION_INDEX_PROGRAM_GROUP, "Tools|Tool,%0a.txt");
  config.setSectionText(SECTION_INDEX_EXTENSIONS, "*.abc|%0a.txt");
  const std::string sfx = made(dir, "session_subdirs.sfx", config);
  EXPECT_EXIT(cancelInsideTheLoop(sfx, dir.file("out")), ::testing::ExitedWithCode(255),
              "clean-up: groups=0 extensions=0 link=clear");
}

// Confirms Cancel while the first completion question is open, then answers Yes.
class CancellingDisplay : public ReportCatcher {
 public:
  bool show(ProgressLink* owner, const char* caption, const char* text, MessageKind kind) override {
    ReportCatcher::show(owner, caption, text, kind);
    if (kind == MessageKind::Question && session) session->cancelConfirmed();
    return true;
  }
  Session* session = nullptr;
};

TEST(ExtractionRun, CancelDuringTheCompletionWithdrawsTheSteps) {
  CancellingDisplay catcher;
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  ConfigBlock config;
  config.setSectionText(SECTION_INDEX_PROGRAM_GROUP, "Tools|Tool,%0a.txt");
  config.setSectionText(SECTION_INDEX_EXTENSIONS, "*.abc|%0a.txt");
  ScriptedFrontEnd frontEnd;
  // As if three warnings had been shown during the run.
  frontEnd.onProgress = [&](ProgressEvent event) {
    if (event == PROGRESS_FILE && frontEnd.warnings == 0) frontEnd.warnings = 3;
  };
  Session session(frontEnd);
  catcher.session = &session;
  RunScript script(frontEnd, dir.file("out"), {{false, CFG_MESSAGES | CFG_PROGRAM_GROUP | CFG_EXTENSIONS}});
  EXPECT_EQ(0, session.start(made(dir, "session_flat.sfx", config).c_str()));
  ASSERT_EQ(1u, catcher.shown.size());  // the group question only; no extension question
  EXPECT_EQ(MessageKind::Question, catcher.shown[0].kind);
  EXPECT_TRUE(frontEnd.groups.empty());
  EXPECT_TRUE(frontEnd.extensionRegistrations.empty());
  EXPECT_TRUE(fileExists(dir.file("out/x.txt")));
}

TEST(ExtractionRun, PostStepsGetTheShortExtractionDirectory) {
  ReportCatcher catcher;
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  ConfigBlock config;
  config.setSectionText(SECTION_INDEX_PROGRAM_GROUP, "Tools|Tool,%0x.txt");
  config.setFlags(CFG_PROGRAM_GROUP);
  ScriptedFrontEnd frontEnd;
  const std::string out = dir.file("out");
  RunScript script(frontEnd, out, {{false, CFG_PROGRAM_GROUP}});
  {
    Session session(frontEnd);
    session.start(made(dir, "session_flat.sfx", config).c_str());
    EXPECT_EQ(0, frontEnd.conversationsEnded);
  }
  // The end of the program ends the program manager conversation, once.
  EXPECT_EQ(1, frontEnd.conversationsEnded);
  Session::exitCleanup();
  EXPECT_EQ(1, frontEnd.conversationsEnded);
  ASSERT_EQ(1u, frontEnd.groups.size());
  std::string shortDir = frontEnd.groups[0].substr(frontEnd.groups[0].find('@') + 1);
  ASSERT_EQ('\\', shortDir.back());
  EXPECT_TRUE(fs::equivalent(fs::path(shortDir.substr(0, shortDir.size() - 1)), fs::path(out)))
      << shortDir;
  EXPECT_TRUE(catcher.shown.empty());  // no warnings, messages off
}

}  // namespace
