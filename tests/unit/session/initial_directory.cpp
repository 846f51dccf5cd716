// Start-up: the configuration block and the archive are read from the given file, the
// subdirectory setting follows the archive's names, the '|' lists are prepared, and the
// initial directory is the deepest existing prefix of the default directory (or the
// temporary directory).
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "archive/archive_reader.h"
#include "session_support.h"

using namespace session_test;
namespace fs = std::filesystem;

namespace {

std::string tempDirectory() {
  char temp[SYS_PATH_MAX];
  EXPECT_EQ(0, SysTempDirectory(temp));
  return temp;
}

// Starts a session over the flat fixture whose block names `defaultDirectory`.
std::string initialFor(const ScratchDir& dir, const std::string& defaultDirectory) {
  ConfigBlock config;
  EXPECT_TRUE(config.setSectionText(SECTION_INDEX_DEFAULT_DIR, defaultDirectory.c_str()));
  writeSfx("session_flat.sfx", config, dir.file("app.exe"));
  ScriptedFrontEnd frontEnd;
  Session session(frontEnd);
  EXPECT_TRUE(session.startUp(dir.file("app.exe").c_str()));
  return session.initialDirectory();
}

// The same directory, whatever the separators and a closing separator.
bool sameDirectory(std::string a, std::string b) {
  for (std::string* s : {&a, &b})
    while (s->size() > 1 && (s->back() == '/' || s->back() == '\\')) s->pop_back();
  std::error_code ec;
  return a == b || fs::equivalent(fs::path(a), fs::path(b), ec);
}

TEST(InitialDirectory, DeepestExistingPrefix) {
  ReportCatcher catcher;
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  fs::create_directories(dir.file("A/B"));
  struct Case {
    std::string text;
    std::string expected;  // a directory that the result must be
  } cases[] = {
      {dir.path() + "/A/X/Y", dir.file("A")},              // B missing: cut after A
      {dir.path() + "/A/B/X/Y", dir.file("A/B")},
      {dir.path() + "\\A\\X\\Y", dir.file("A")},           // the other separator
      {dir.path() + "/X/Y", dir.path()},
  };
  for (const Case& c : cases) {
    std::string initial = initialFor(dir, c.text);
    EXPECT_TRUE(sameDirectory(c.expected, initial)) << c.text << " gave " << initial;
  }
}

TEST(InitialDirectory, LastComponentIsNeverTried) {
  ReportCatcher catcher;
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  fs::create_directories(dir.file("A"));
  // Every prefix exists, so the text stays whole although its last part does not exist.
  std::string initial = forwardSlashes(initialFor(dir, dir.path() + "/A/New"));
  EXPECT_EQ("/A/New", initial.substr(initial.size() - 6)) << initial;
}

TEST(InitialDirectory, OnlyTheRootExistsGivesTheTemporaryDirectory) {
  ReportCatcher catcher;
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  // The root of the scratch directory's drive ("/" or "C:/").
  std::string root = dir.path().substr(0, dir.path().find('/') + 1);
  std::string initial = initialFor(dir, root + "no-such-dir-h6/sub/leaf");
  EXPECT_TRUE(sameDirectory(tempDirectory(), initial)) << initial;
}

TEST(InitialDirectory, RelativeDefaultIsLookedForInTheTemporaryDirectory) {
  ReportCatcher catcher;
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  const std::string name = "sfx-h6-rel-" + std::to_string(std::random_device{}());
  const std::string base = tempDirectory() + name;
  fs::create_directories(base + "/A/B");
  struct Case {
    std::string text;
    std::string expected;
  } cases[] = {
      {name + "\\A\\B\\C\\D", base + "/A/B"},  // each prefix from the temporary directory
      {name + "/A/X/Y", base + "/A"},
      {"no-such-h6-" + name + "\\X", tempDirectory()},
  };
  for (const Case& c : cases) {
    // Start somewhere else, so that a prefix tried from the current directory would fail.
    ASSERT_EQ(0, SysSetCurrentDirectory(dir.path().c_str()));
    std::string initial = initialFor(dir, c.text);
    EXPECT_TRUE(sameDirectory(c.expected, initial)) << c.text << " gave " << initial;
  }
  std::error_code ec;
  fs::remove_all(base, ec);
}

TEST(InitialDirectory, TrailByte5CIsNoSeparator) {
  ReportCatcher catcher;
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  // "表" is 95 5C in code page 932. Made through the system layer so the name is converted
  // as the engine converts it.
  const std::string hyou = dir.path() + "/表";
  ASSERT_EQ(0, SysCreateDirectory(hyou.c_str(), nullptr));
  std::string initial = initialFor(dir, hyou + "/X/Y");
  ASSERT_GE(initial.size(), 2u);
  EXPECT_EQ("表", initial.substr(initial.size() - 2)) << initial;
}

TEST(InitialDirectory, NoDefaultDirectoryGivesTheTemporaryDirectory) {
  ReportCatcher catcher;
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  writeSfx("session_flat.sfx", ConfigBlock(), dir.file("app.exe"));
  ScriptedFrontEnd frontEnd;
  Session session(frontEnd);
  ASSERT_TRUE(session.startUp(dir.file("app.exe").c_str()));
  EXPECT_EQ(tempDirectory(), session.initialDirectory());
}

TEST(StartUp, SubdirectorySettingFollowsTheArchiveNames) {
  struct Case {
    const char* fixture;
    bool subdirectories;
  } cases[] = {{"session_flat.sfx", false}, {"session_subdirs.sfx", true}};
  for (const Case& c : cases) {
    ReportCatcher catcher;
    ScratchDir dir;
    CurrentDirectoryGuard guard;
    ConfigBlock config;
    config.setFlags(CFG_SUBDIRS | CFG_MESSAGES);
    writeSfx(c.fixture, config, dir.file("app.exe"));
    ScriptedFrontEnd frontEnd;
    Session session(frontEnd);
    ASSERT_TRUE(session.startUp(dir.file("app.exe").c_str())) << c.fixture;
    EXPECT_EQ(c.subdirectories, session.hasSubdirectories()) << c.fixture;
    EXPECT_EQ(c.subdirectories ? (CFG_SUBDIRS | CFG_MESSAGES) : CFG_MESSAGES, session.config().flags())
        << c.fixture;
    EXPECT_TRUE(catcher.shown.empty());
  }
}

TEST(StartUp, SectionsArePreparedAndThePromptsInstalled) {
  ReportCatcher catcher;
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  ConfigBlock config;
  config.setSectionText(SECTION_INDEX_PROGRAM_GROUP, "Tools|Tool,%0t.exe");
  config.setSectionText(SECTION_INDEX_EXTENSIONS, "*.abc|%0t.exe %1");
  config.setFlags(CFG_PROGRAM_GROUP | CFG_EXTENSIONS);
  writeSfx("session_subdirs.sfx", config, dir.file("app.exe"));
  ScriptedFrontEnd frontEnd;
  Session session(frontEnd);
  ASSERT_TRUE(session.startUp(dir.file("app.exe").c_str()));
  EXPECT_STREQ("Tools", session.config().programGroup());
  EXPECT_STREQ("*.abc", session.config().extensions());
  EXPECT_STREQ("abc", session.config().extensionListText());
  EXPECT_EQ(CFG_PROGRAM_GROUP | CFG_EXTENSIONS, session.config().flags());
  EXPECT_NE(nullptr, session.prompts());
  EXPECT_EQ(session.prompts(), GetUserPrompts());
  ASSERT_NE(nullptr, session.archive());
  EXPECT_EQ(5, session.archive()->loadedCount());
  session.shutdown();
  EXPECT_EQ(nullptr, session.archive());
  EXPECT_EQ(nullptr, GetUserPrompts());
}

TEST(StartUp, MissingFileIsReportedWithoutDialog) {
  ReportCatcher catcher;
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  ScriptedFrontEnd frontEnd;
  Session session(frontEnd);
  try {
    session.start(dir.file("absent.exe").c_str());
    ADD_FAILURE() << "a missing program file must be reported";
  } catch (const FatalExit& e) {
    EXPECT_NE(0, e.status);
  }
  EXPECT_EQ(0, frontEnd.dialogsShown);
  EXPECT_EQ(1u, catcher.shown.size());
}

}  // namespace
