// Entry names that would write outside the extraction directory or onto a device: drive
// prefixes, roots, ".." components in either separator form, dot look-alikes that Windows
// shortens to "..", reserved device names with or without an extension, and characters no
// Windows name can hold. They are refused with warning 2 naming the entry, and nothing is
// written anywhere for them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine_run.h"
#include "options/option_state.h"

namespace {

struct NameCase {
  const char* name;
  bool safe;
};

const NameCase kNames[] = {
    {"ok.txt", true},
    {"dir/sub/file.txt", true},
    {"./here.txt", true},
    {"a..b/c..txt", true},
    {"con2.txt", true},
    {"console.log", true},
    {"com10", true},
    {"lpt0.txt", true},
    {"dir/", true},
    {"../x", false},
    {"a/../../x", false},
    {"a/b/..", false},
    {"..", false},
    {".../x", false},
    {".. /x", false},
    {". ./x", false},
    {"/etc/passwd", false},
    {"c:/autoexec.bat", false},
    {"c:x", false},
    {"dir/a:b", false},
    {"CON", false},
    {"con.txt", false},
    {"dir/nul.tar.gz", false},
    {"Prn", false},
    {"aux.c", false},
    {"COM1", false},
    {"com9.log", false},
    {"LPT1", false},
    {"lpt9.x", false},
    {"CONIN$", false},
    {"conout$.txt", false},
    {"clock$", false},
    {"con .txt", false},
    {"nul/x.txt", false},
    {"a*.txt", false},
    {"what?.txt", false},
    {"say\"so\".txt", false},
    {"a<b", false},
    {"a>b", false},
    {"dir|x/y", false},
    {"tab\there", false},
    {"dir/\x1f.txt", false},
    {"\x83\x7c.txt", true},  // ポ: its trail byte 0x7C is no '|'
};

TEST(EntryNames, SafeNamesAndRefusedNames) {
  for (const NameCase& c : kNames) EXPECT_EQ(IsSafeEntryName(c.name), c.safe) << c.name;
}

TEST(EntryNames, HostileEntriesOfARealArchiveWriteNothing) {
  for (bool keepPaths : {true, false}) {
    SCOPED_TRACE(keepPaths ? "kept paths" : "last names only");
    EngineRun run;
    std::vector<std::string> words = {"-EXTRACT"};
    if (keepPaths) words.push_back("-DIRECTORIES");
    ASSERT_EQ(run.run("extract_hostile.zip", words), 0);
    // 15 hostile names of the 18 entries; each one is warning 2 with its name.
    std::vector<int> codes = run.progress.warningCodes();
    EXPECT_EQ(codes, std::vector<int>(15, 2));
    std::vector<std::string> texts = run.progress.texts(PROGRESS_WARNING);
    ASSERT_EQ(texts.size(), 15u);
    EXPECT_EQ(texts[0].substr(texts[0].size() - 13), " ../evil1.txt");
    EXPECT_EQ(texts[2].substr(texts[2].size() - 13), " ../evil3.txt");  // stored with '\'
    // Only the three harmless entries exist, all inside the extraction directory.
    std::vector<std::string> expected = keepPaths
        ? std::vector<std::string>{"out/", "out/con2.txt", "out/ok.txt", "out/sub/", "out/sub/ok2.txt"}
        : std::vector<std::string>{"out/", "out/con2.txt", "out/ok.txt", "out/ok2.txt"};
    EXPECT_EQ(run.listScratch(), expected);
    EXPECT_EQ(run.progress.count(PROGRESS_EXTRACTED), 3);
  }
}

TEST(EntryNames, TestingHostileNamesWritesNothingAndChecksTheirData) {
  EngineRun run;
  ASSERT_EQ(run.run("extract_hostile.zip", {"-TEST"}), 0);
  EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{});
  EXPECT_EQ(run.progress.count(PROGRESS_TESTED), 18);
  EXPECT_EQ(run.listScratch(), std::vector<std::string>{"out/"});
}

// Names Windows cannot hold are refused on every platform, and an existing file that the
// name would match as a pattern (ab.txt for a?.txt) is no reason to skip it silently.
TEST(EntryNames, WildcardNamesAreRefusedNotMatched) {
  EngineRun run;
  writeFileBytes(run.out("ab.txt"), "already here");
  writeFileBytes(run.out("bbb.txt"), "already here");
  ASSERT_EQ(run.run("extract_wildcard.zip", {"-EXTRACT", "-OVERWRITE=NEVER"}), 0);
  EXPECT_EQ(run.progress.warningCodes(), (std::vector<int>{2, 2}));
  EXPECT_EQ(run.progress.count(PROGRESS_SKIPPED), 0);
  EXPECT_EQ(run.listTarget(), (std::vector<std::string>{"ab.txt", "bbb.txt", "ok.txt"}));
}

std::string readU8(const std::string& utf8Path) {
  std::ifstream in(std::filesystem::u8path(utf8Path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Shift-JIS names whose second bytes are 0x5C: the byte belongs to its character, so 表示
// is one directory, and only a real '\' separates the ".." components of the second name.
TEST(EntryNames, DoubleByteNamesKeepTheirTrailBytes) {
  EngineRun run;
  ASSERT_EQ(run.run("extract_sjis.zip", {"-EXTRACT", "-DIRECTORIES"}), 0);
  EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{2});
  EXPECT_EQ(run.listScratch(), (std::vector<std::string>{"out/", u8"out/表示/", u8"out/表示/ソフト.txt"}));
  EXPECT_EQ(readU8(run.out(u8"表示/ソフト.txt")), u8"entry 表示/ソフト.txt\n");
}

}  // namespace
