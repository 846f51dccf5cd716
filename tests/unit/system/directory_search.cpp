// Directory searches with the wildcard rules of Windows over a scratch directory: '*', '?',
// extensions, names without a dot, letters in either case, a Japanese name, the end of the
// listing, a search that finds nothing leaving the record alone; and the literal look-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "support/support.h"
#include "system/system.h"

namespace {

std::string platformDir(const ScratchDir& dir) { return dir.path(); }

// The names (without "." and "..") that a search for dir/pattern returns.
std::set<std::string> search(const std::string& dir, const std::string& pattern) {
  std::set<std::string> names;
  FindRecord record;
  SysHandle h = SysFindFirst((dir + "/" + pattern).c_str(), &record);
  if (h == SYS_INVALID_HANDLE) return names;
  int guard = 0;
  do {
    if (std::strcmp(record.name, ".") && std::strcmp(record.name, "..")) names.insert(record.name);
  } while (SysFindNext(h, &record) == 0 && ++guard < 1000);
  EXPECT_EQ(0, SysFindClose(h));
  return names;
}

void makeFile(const std::string& path, const std::string& bytes) {
  uint32_t written = 0;
  SysHandle h = SysOpenFile(path.c_str(), SYS_GENERIC_WRITE, 0, SYS_CREATE_NEW, SYS_ATTR_NORMAL);
  ASSERT_NE(SYS_INVALID_HANDLE, h) << path;
  if (!bytes.empty()) {
    ASSERT_EQ(0, SysWriteFile(h, bytes.data(), static_cast<uint32_t>(bytes.size()), &written));
  }
  ASSERT_EQ(0, SysCloseFile(h));
}

using Names = std::set<std::string>;

}  // namespace

TEST(DirectorySearch, WildcardsSelectLikeWindows) {
  ScratchDir scratch;
  const std::string dir = platformDir(scratch);
  for (const char* name : {"abc.txt", "abd.txt", "ab.txt", "readme", "Data.BIN", "x.tar.gz"})
    makeFile(dir + "/" + name, "x");
  ASSERT_EQ(0, SysCreateDirectory((dir + "/sub").c_str(), nullptr));

  struct Case {
    const char* pattern;
    Names expected;
  } cases[] = {
      {"*", {"abc.txt", "abd.txt", "ab.txt", "readme", "Data.BIN", "x.tar.gz", "sub"}},
      {"*.*", {"abc.txt", "abd.txt", "ab.txt", "readme", "Data.BIN", "x.tar.gz", "sub"}},
      {"*.txt", {"abc.txt", "abd.txt", "ab.txt"}},
      {"*.TXT", {"abc.txt", "abd.txt", "ab.txt"}},
      {"ab?.txt", {"abc.txt", "abd.txt"}},
      {"abc.txt", {"abc.txt"}},
      {"data.*", {"Data.BIN"}},
      {"readme.*", {"readme"}},
      {"*.gz", {"x.tar.gz"}},
      {"*a*b*", {"abc.txt", "abd.txt", "ab.txt", "Data.BIN"}},
      {"nothing*", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, search(dir, c.pattern)) << c.pattern;
#ifdef _WIN32
  EXPECT_EQ(Names({"abc.txt"}), search(dir, "ABC.TXT"));
#else
  // A plain name is looked up as the file system spells it, as opening it would.
  EXPECT_EQ(Names({}), search(dir, "ABC.TXT"));
  // Windows rules that this Wine does not follow: a final '.' selects names without one, and
  // a trailing '?' may match nothing.
  EXPECT_EQ(Names({"readme", "sub"}), search(dir, "*."));
  EXPECT_EQ(Names({"readme"}), search(dir, "readme?"));
  // Linux allows '*' in a name: a file so named is found alone, never its pattern's matches.
  makeFile(dir + "/a*.txt", "x");
  EXPECT_EQ(Names({"a*.txt"}), search(dir, "a*.txt"));
#endif
}

TEST(DirectorySearch, RecordDescribesTheFile) {
  ScratchDir scratch;
  const std::string dir = platformDir(scratch);
  makeFile(dir + "/five.bin", "12345");
  FindRecord record;
  SysHandle h = SysFindFirst((dir + "/five.bin").c_str(), &record);
  ASSERT_NE(SYS_INVALID_HANDLE, h);
  SysFindClose(h);
  EXPECT_STREQ("five.bin", record.name);
  EXPECT_EQ(5u, record.size);
  EXPECT_EQ(0u, record.attributes & SYS_ATTR_DIRECTORY);
  EXPECT_STREQ("", record.shortName);  // already an 8.3 name
  EXPECT_NE(0u, record.written);
  EXPECT_EQ(record.written, SysFileTimeToDos(&record.rawWritten));

  h = SysFindFirst(dir.c_str(), &record);  // the directory itself
  ASSERT_NE(SYS_INVALID_HANDLE, h);
  SysFindClose(h);
  EXPECT_NE(0u, record.attributes & SYS_ATTR_DIRECTORY);
}

TEST(DirectorySearch, NothingFoundLeavesTheRecordAlone) {
  ScratchDir scratch;
  const std::string dir = platformDir(scratch);
  FindRecord record;
  std::memset(&record, 0x5A, sizeof record);
  EXPECT_EQ(SYS_INVALID_HANDLE, SysFindFirst((dir + "/*.none").c_str(), &record));
  EXPECT_EQ(SYS_INVALID_HANDLE, SysFindFirst((dir + "/missing/*").c_str(), &record));
  EXPECT_EQ(SYS_INVALID_HANDLE, SysFindFirst((dir + "/").c_str(), &record));
  for (size_t i = 0; i < sizeof record; ++i)
    ASSERT_EQ(0x5A, reinterpret_cast<unsigned char*>(&record)[i]) << "byte " << i;
}

TEST(DirectorySearch, EndOfTheListingIsReported) {
  ScratchDir scratch;
  const std::string dir = platformDir(scratch);
  makeFile(dir + "/only.txt", "");
  FindRecord record;
  SysHandle h = SysFindFirst((dir + "/*.txt").c_str(), &record);
  ASSERT_NE(SYS_INVALID_HANDLE, h);
  EXPECT_STREQ("only.txt", record.name);
  EXPECT_EQ(1, SysFindNext(h, &record));
  EXPECT_EQ(1, SysFindNext(h, &record));
  EXPECT_EQ(0, SysFindClose(h));
}

TEST(DirectorySearch, JapaneseNamesAreFoundAndMatched) {
  ScratchDir scratch;
  const std::string dir = platformDir(scratch);
  makeFile(dir + "/表示ソフト.txt", "x");  // second bytes 0x5C in 表 and ソ
  makeFile(dir + "/ﾃｽﾄ.dat", "x");
  EXPECT_EQ(Names({"表示ソフト.txt"}), search(dir, "*.txt"));
  EXPECT_EQ(Names({"表示ソフト.txt"}), search(dir, "表*"));
  EXPECT_EQ(Names({"表示ソフト.txt"}), search(dir, "??ソフト.txt"));  // one '?' per character
  EXPECT_EQ(Names({"ﾃｽﾄ.dat"}), search(dir, "???.dat"));
}

// A look-up takes the path as a name: '?' and '*' match nothing else, a trailing separator
// still finds the directory, and a double-byte name ending in 0x5C keeps its character.
TEST(LiteralLookUp, ThePathIsANameNeverAPattern) {
  ScratchDir scratch;
  const std::string dir = platformDir(scratch);
  makeFile(dir + "/ab.txt", "12");
  ASSERT_EQ(0, SysCreateDirectory((dir + "/sub").c_str(), nullptr));
  ASSERT_EQ(0, SysCreateDirectory((dir + "/表").c_str(), nullptr));
  FindRecord record;
  EXPECT_EQ(1, SysLookUp((dir + "/a?.txt").c_str(), &record));
  EXPECT_EQ(1, SysLookUp((dir + "/*.txt").c_str(), &record));
  EXPECT_EQ(1, SysLookUp((dir + "/a<.txt").c_str(), &record));
  ASSERT_EQ(0, SysLookUp((dir + "/ab.txt").c_str(), &record));
  EXPECT_STREQ("ab.txt", record.name);
  EXPECT_EQ(2u, record.size);
  for (const char* name : {"/sub", "/sub/", "/表", "/表/"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(0, SysLookUp((dir + name).c_str(), &record));
    EXPECT_NE(0u, record.attributes & SYS_ATTR_DIRECTORY);
  }
  EXPECT_EQ(1, SysLookUp((dir + "/missing/").c_str(), &record));
}
