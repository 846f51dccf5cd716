// Names and paths: separators are normalised without touching the trail byte of a
// double-byte character (0x5C in 表), scans never step over the terminator even behind a
// dangling lead byte, name copies stay inside their 260-byte buffer, the pattern's
// directory is joined to a found name, string lists grow without losing old strings, and a plain word
// becomes the extraction directory only under the stated conditions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "reader_support.h"

namespace {

TEST(NamesAndPaths, SeparatorNormalisationKeepsTrailBytes) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"a\\b\\c", "a/b/c"},
      {"表\\表", "表/表"},         // 95 5C 5C 95 5C: only the middle byte is a separator
      {"\\\\server\\share", "//server/share"},
      {"C:\\dir\\", "C:/dir/"},
      {"ｶﾅ\\x", "ｶﾅ/x"},           // half-width katakana are single bytes
      {std::string("a\x95"), std::string("a\x95")},  // a dangling lead byte at the end
      {std::string("\x95\\"), std::string("\x95\\")},  // 95 5C is one character
  };
  for (const Case& c : cases) {
    char buffer[64];
    std::strcpy(buffer, c.in.c_str());
    EXPECT_EQ(std::string(NormaliseSeparators(buffer)), c.out) << c.in;
    std::string counted = c.in;
    NormaliseSeparators(&counted[0], static_cast<uint32_t>(counted.size()));
    EXPECT_EQ(counted, c.out) << c.in;
  }
}

TEST(NamesAndPaths, ScansStopAtTheTerminatorBehindADanglingLeadByte) {
  // The lead byte 0x95 is directly followed by the terminator: one single-byte character.
  const char text[] = {'a', '/', '\x95', '\0', '/', 'x', '\0'};
  EXPECT_EQ(NextChar(text + 2), text + 3);
  EXPECT_EQ(FindLastChar(text, '/'), text + 1);
  EXPECT_EQ(FindFirstChar(text, 'x'), nullptr);
  EXPECT_EQ(LastSingleChar(text), '\x95');
  EXPECT_EQ(LastSingleChar("abc/"), '/');
  EXPECT_EQ(LastSingleChar("表"), '\0');  // ends in a double-byte character whose trail is 5C
  EXPECT_EQ(LastSingleChar(""), '\0');
  EXPECT_EQ(FindLastChar("表\\x", '\\'), std::strchr("表\\x", '\\') + 1);
}

// A long path shown in a prompt loses its middle: the result fits the limit, keeps both
// ends and never splits a double-byte character (a lone lead or trail byte would show as
// garbage, and a trail byte 0x5C as a separator).
TEST(NamesAndPaths, ShortenMiddleCutsBetweenCharacters) {
  struct Case {
    std::string in;
    size_t limit;
    std::string out;
  };
  const std::string dbcs = "表表表表表表表表表表";  // 95 5C each: cuts at odd offsets would split one
  const Case cases[] = {
      {"C:/dir/file.txt", 15, "C:/dir/file.txt"},  // fits: unchanged
      {"abcdefghijklmnopqrstuvwxyz", 12, "abc...uvwxyz"},
      {dbcs, 12, "表...表表表"},  // 3 + 3 + 6: the odd head and tail budgets round down
      {"a" + dbcs, 11, "a...表表表"},
      {dbcs + "x", 10, "表...表表x"},
      {"ｶﾅｶﾅｶﾅｶﾅｶﾅ", 8, "ｶ...ｶﾅｶﾅ"},  // half-width katakana are single bytes
      {"abcdefgh", 2, ".."},
  };
  for (const Case& c : cases) {
    char out[64];
    ShortenMiddle(out, sizeof out, c.in.c_str(), c.limit);
    EXPECT_EQ(std::string(out), c.out) << c.in << " limit " << c.limit;
    EXPECT_LE(std::strlen(out), c.limit) << c.in;
  }
  char small[8];
  ShortenMiddle(small, sizeof small, "abcdefghijklmnop", 100);  // the buffer limits too
  EXPECT_EQ(std::string(small), "a...nop");
}

TEST(NamesAndPaths, CopyNameStaysInsideItsBuffer) {
  struct Case {
    std::string source;
    size_t copied;
  };
  std::string kanji;
  for (int i = 0; i < 150; ++i) kanji += "表";  // 300 bytes, every trail byte 0x5C
  const Case cases[] = {
      {std::string(259, 'n'), 259},
      {std::string(260, 'n'), 259},
      {std::string(1000, 'n'), 259},
      {kanji, 258},                 // never cut between a lead and its trail byte
      {"x" + kanji, 259},
      {"dir\\name", 8},
  };
  for (const Case& c : cases) {
    char buffer[SYS_PATH_MAX + 8];
    std::memset(buffer, '#', sizeof buffer);
    CopyName(buffer, c.source.data(), static_cast<uint32_t>(c.source.size()));
    EXPECT_EQ(std::strlen(buffer), c.copied) << c.source.size();
    EXPECT_EQ(buffer[SYS_PATH_MAX], '#');
  }
  char buffer[SYS_PATH_MAX];
  EXPECT_STREQ(CopyName(buffer, "dir\\name", 8), "dir/name");
  EXPECT_STREQ(CopyName(buffer, "表\\", 3), "表/");
}

TEST(NamesAndPaths, JoinSpecDirectory) {
  struct Case {
    const char* pattern;
    const char* name;
    const char* joined;
  };
  const Case cases[] = {
      {"A:*.ZIP", "X.ZIP", "A:X.ZIP"},
      {"dir/sub/*.zip", "X.ZIP", "dir/sub/X.ZIP"},
      {"*.zip", "X.ZIP", "X.ZIP"},
      {"C:/a:b/*.zip", "X.ZIP", "C:/a:b/X.ZIP"},
      {"表/*.zip", "X.ZIP", "表/X.ZIP"},
  };
  for (const Case& c : cases) {
    char buffer[SYS_PATH_MAX];
    EXPECT_STREQ(JoinSpecDirectory(buffer, c.pattern, c.name), c.joined);
  }
  ReportCatcher catcher;
  std::string longDirectory(200, 'd');
  longDirectory += "/*.zip";
  std::string longName(60, 'n');
  EXPECT_FALSE(JoinFits(longDirectory.c_str(), longName.c_str()));
  EXPECT_TRUE(JoinFits(longDirectory.c_str(), std::string(58, 'n').c_str()));
  // A join that does not fit stops before it writes past the 260-byte destination.
  char buffer[SYS_PATH_MAX];
  EXPECT_THROW(JoinSpecDirectory(buffer, longDirectory.c_str(), longName.c_str()), AssertionStop);
}

TEST(NamesAndPaths, StringLists) {
  EXPECT_EQ(ListSize(nullptr), 0u);
  char* list = ListAppend(nullptr, "one");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ListSize(list), 5u);
  list = ListAppend(list, "");
  // An empty string ends the list: it is not counted, and the next append replaces it.
  EXPECT_EQ(ListSize(list), 5u);
  list = ListAppend(list, "three");
  EXPECT_EQ(std::string(list, ListSize(list)), std::string("one\0three\0\0", 11));
  std::free(list);
  list = ListAppend(nullptr, "ab");
  list = ListAppend(list, "cde");
  list = ListAppend(list, "f");
  ASSERT_EQ(ListSize(list), 1u + 3u + 4u + 2u);
  EXPECT_EQ(std::string(list, ListSize(list)), std::string("ab\0cde\0f\0\0", 10));
  std::free(list);
}

TEST(NamesAndPaths, ExtractionDirectoryFromAPlainWord) {
  ReportCatcher catcher;
  OptionsReset reset;
  ScratchDir dir;
  std::string existing = dir.path() + "/there";
  ASSERT_EQ(SysCreateDirectory(existing.c_str(), nullptr), 0);
  struct Case {
    std::string word;
    bool accepted;
    std::string directory;
  };
  const Case cases[] = {
      {"C:", true, "C:"},
      {"out\\", true, "out/"},
      {"out/", true, "out/"},
      {"\\root", true, "/root/"},
      {"a:b", true, "a:b/"},
      {"out", false, ""},
      {"*.txt", false, ""},
      {existing, true, existing + "/"},
      {"there*", false, ""},
      {"表", false, ""},  // its trail byte 0x5C is no backslash
      // 259 characters in all, with the '/' that is added; one more is refused, not cut.
      {"C:" + std::string(256, 'd'), true, "C:" + std::string(256, 'd') + "/"},
      {"C:" + std::string(257, 'd'), false, ""},
      {"C:" + std::string(256, 'd') + "/", true, "C:" + std::string(256, 'd') + "/"},
      {"C:" + std::string(257, 'd') + "/", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    ArchiveReader reader;
    char copy[SYS_PATH_MAX] = {};
    EXPECT_EQ(reader.AcceptExtractionDirectory(c.word.c_str(), copy), c.accepted);
    EXPECT_EQ(std::string(reader.extractionDirectory()), c.directory);
    if (c.accepted) {
      EXPECT_EQ(std::string(copy), c.word);
      // Only the first qualifying word sets the directory.
      EXPECT_FALSE(reader.AcceptExtractionDirectory("other/", nullptr));
      EXPECT_EQ(std::string(reader.extractionDirectory()), c.directory);
    }
  }
}

TEST(NamesAndPaths, SelectionListsExcludeWinsAndOrderIsKept) {
  ReportCatcher catcher;
  OptionsReset reset;
  SelectionLists lists;
  EXPECT_TRUE(lists.IsSelected("anything", 8));
  lists.AddInclude("*.txt");
  lists.AddInclude("docs\\*");
  lists.AddExclude("secret.*");
  lists.Finish();
  ASSERT_EQ(lists.includeCount(), 2);
  EXPECT_STREQ(lists.include(0), "*.txt");
  EXPECT_STREQ(lists.include(1), "docs/*");
  EXPECT_EQ(lists.include(2), nullptr);
  struct Case {
    std::string name;
    bool selected;
  };
  const Case cases[] = {
      {"a.txt", true},       {"A.TXT", true},          {"docs/x.bin", true},
      {"docs\\y.bin", true}, {"secret.txt", false},    {"other.bin", false},
      {std::string(300, 'n') + ".txt", false},  // cut to 259 bytes: the extension is gone
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lists.IsSelected(c.name.data(), static_cast<uint32_t>(c.name.size())), c.selected)
        << c.name;
  }
}

}  // namespace
