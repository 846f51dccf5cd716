// Preparing the extraction directory: the whole chain of missing directories is created and
// the path is left current; a prefix that is a file fails; a relative path is taken from the
// current directory once, not prefix inside prefix.
#include <gtest/gtest.h>

#include <filesystem>

#include "session_support.h"

using namespace session_test;
namespace fs = std::filesystem;

namespace {

bool isDirectory(const std::string& path) {
  uint32_t attributes = 0;
  return SysGetAttributes(path.c_str(), &attributes) == 0 && (attributes & SYS_ATTR_DIRECTORY);
}

bool isCurrent(const std::string& path) {
  char current[SYS_PATH_MAX];
  SysGetCurrentDirectory(current);
  std::error_code ec;
  return fs::equivalent(fs::path(current), fs::path(path), ec);
}

TEST(PrepareDirectory, CreatesTheChainAndMakesItCurrent) {
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  ScriptedFrontEnd frontEnd;
  Session session(frontEnd);
  struct Case {
    std::string path;
    std::string made;  // the directory that must exist and be current afterwards
  } cases[] = {
      {dir.path() + "/n1/n2/n3", dir.file("n1/n2/n3")},
      {dir.path() + "/t1/t2/", dir.file("t1/t2")},       // closing separator
      {dir.path() + "\\b1\\b2\\", dir.file("b1/b2")},    // the other separator
      {dir.path() + "/n1", dir.file("n1")},              // exists already
      {dir.path(), dir.path()},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(session.prepareDirectory(c.path.c_str())) << c.path;
    EXPECT_TRUE(isDirectory(c.made)) << c.path;
    EXPECT_TRUE(isCurrent(c.made)) << c.path;
  }
}

TEST(PrepareDirectory, PrefixThatIsAFileFails) {
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  writeFileBytes(dir.file("plain.txt"), "x");
  ScriptedFrontEnd frontEnd;
  Session session(frontEnd);
  EXPECT_FALSE(session.prepareDirectory((dir.path() + "/plain.txt/sub/leaf").c_str()));
  EXPECT_FALSE(session.prepareDirectory((dir.path() + "/plain.txt").c_str()));
  EXPECT_EQ("x", readFileBytes(dir.file("plain.txt")));
}

TEST(PrepareDirectory, RelativePathIsTakenFromTheCurrentDirectoryOnce) {
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  ASSERT_EQ(0, SysSetCurrentDirectory(dir.path().c_str()));
  ScriptedFrontEnd frontEnd;
  Session session(frontEnd);
  EXPECT_TRUE(session.prepareDirectory("r1/r2/r3"));
  EXPECT_TRUE(isDirectory(dir.file("r1/r2/r3")));
  EXPECT_FALSE(fs::exists(dir.file("r1/r1")));
  EXPECT_TRUE(isCurrent(dir.file("r1/r2/r3")));
}

TEST(PrepareDirectory, DoubleByteNamesWithTrailByte5C) {
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  ScriptedFrontEnd frontEnd;
  Session session(frontEnd);
  // "表" (95 5C) and "ソ" (83 5C) end in the '\' code; they must not be cut there.
  const std::string path = dir.path() + "/表示/ソフト";
  EXPECT_TRUE(session.prepareDirectory(path.c_str()));
  EXPECT_TRUE(isDirectory(path));
  EXPECT_TRUE(isDirectory(dir.path() + "/表示"));
  // No directory was made from a cut name (a lead byte alone).
  size_t entries = 0;
  for (const auto& e : fs::directory_iterator(dir.path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(1u, entries);
}

}  // namespace
