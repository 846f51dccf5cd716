// List files: lines end at LF (a CR before it is dropped), at most 250 characters of a line
// are kept, reading stops at the first empty line, option lines are applied like words
// (with the same fatal codes), other lines become names for the reader, and a file that
// cannot be opened is fatal error 18 with its name.
#include <gtest/gtest.h>

#include "option_words.h"
#include "options/option_handlers.h"

namespace {

class ListFiles : public ::testing::Test {
 protected:
  // Writes `bytes` as a list file and parses "@<file>" after the archive is named.
  ParseOutcome parseList(const std::string& bytes, bool forExclusion = false) {
    std::string path = dir.file("names.lst");
    writeFileBytes(path, bytes);
    ReportCatcher catcher;
    ParseOutcome outcome;
    try {
      if (forExclusion) {
        ReadListFile(path.c_str(), true, state);
      } else {
        WordList words{("@" + path).c_str()};
        ParseWords(words.words(), state);
      }
    } catch (const FatalExit& e) {
      outcome.status = e.status;
      if (!catcher.shown.empty()) outcome.message = catcher.shown.back().text;
    }
    return outcome;
  }

  void SetUp() override { target.archive = "self.exe"; }

  ScratchDir dir;
  OptionState state;
  RecordingTarget target;
};

using Names = std::vector<std::string>;

TEST_F(ListFiles, ReadingStopsAtTheFirstEmptyLine) {
  ASSERT_EQ(0, parseList("first\nsecond\n\nthird\n").status);
  EXPECT_EQ((Names{"first", "second"}), target.includes);
}

TEST_F(ListFiles, CrLfLinesAndAnEmptyCrLfLine) {
  ASSERT_EQ(0, parseList("a.txt\r\nb.txt\r\n\r\nc.txt\r\n").status);
  EXPECT_EQ((Names{"a.txt", "b.txt"}), target.includes);
}

TEST_F(ListFiles, LastLineWithoutLineEndAndALoneCr) {
  ASSERT_EQ(0, parseList("x\ry\nlast").status);
  EXPECT_EQ((Names{"x\ry", "last"}), target.includes);
}

TEST_F(ListFiles, LeadingBlanksAreSkippedAndABlankLineIsAnEmptyName) {
  ASSERT_EQ(0, parseList("  \t lead\n   \ntrail  \n").status);
  EXPECT_EQ((Names{"lead", "", "trail  "}), target.includes);
}

TEST_F(ListFiles, OverlongLineIsCutTo250AndTheNextLineStartsAfterItsLf) {
  std::string longLine(300, 'a');
  longLine[249] = 'b';
  longLine[250] = 'c';
  ASSERT_EQ(0, parseList(longLine + "\nnext\n").status);
  ASSERT_EQ(2u, target.includes.size());
  EXPECT_EQ(std::string(249, 'a') + "b", target.includes[0]);
  EXPECT_EQ("next", target.includes[1]);
}

TEST_F(ListFiles, CutNeverLeavesHalfADoubleByteCharacter) {
  // 249 single bytes, then the two bytes of a double-byte character across the limit.
  std::string line = std::string(249, 'a') + "表" + "tail";
  ASSERT_EQ(0, parseList(line + "\nnext\n").status);
  ASSERT_EQ(2u, target.includes.size());
  EXPECT_EQ(std::string(249, 'a'), target.includes[0]);
  EXPECT_EQ("next", target.includes[1]);
}

TEST_F(ListFiles, LinesAcrossTheReadBufferBoundary) {
  // Many lines whose ends fall on and around the 1,024-byte refills, one CR LF split
  // between two refills.
  std::string bytes;
  Names expected;
  for (int i = 0; static_cast<int>(bytes.size()) < 5000; ++i) {
    std::string name = "n" + std::to_string(i) + std::string(static_cast<size_t>(i % 37), 'x');
    expected.push_back(name);
    bytes += name + (i % 2 ? "\r\n" : "\n");
  }
  ASSERT_EQ(0, parseList(bytes).status);
  EXPECT_EQ(expected, target.includes);

  std::string split = std::string(1023, 'q') + "\r\nz\n";
  target.includes.clear();
  ASSERT_EQ(0, parseList(split).status);
  EXPECT_EQ((Names{std::string(250, 'q'), "z"}), target.includes);
}

TEST_F(ListFiles, OptionLinesAreAppliedAndOtherLinesAreNames) {
  ASSERT_EQ(0, parseList("-DIRECTORIES\n /OVERWRITE=NEVER\n*.txt\n-INCLUDE=*.c\n").status);
  EXPECT_TRUE(state.keepPaths);
  EXPECT_EQ(OVERWRITE_NEVER, state.overwriteMode);
  EXPECT_EQ((Names{"*.txt"}), target.includes);
  ASSERT_EQ(1u, state.includeSpecs.Count());
  EXPECT_STREQ("*.c", state.includeSpecs.At(0));
}

TEST_F(ListFiles, ListFilesNamedInsideAListFileAreNotChained) {
  // Resolving the recorded values the way the session does: a list file that names itself
  // (or any other list file) must not be queued for reading again.
  std::string path = dir.file("names.lst");
  WordList words{("-INCLUDE=@" + path).c_str(), "-EXCLUDE=@x.lst"};
  ASSERT_EQ(0, parseCatching(words, state).status);
  ASSERT_EQ(1u, state.includeSpecs.Count());
  writeFileBytes(path, "-INCLUDE=@" + path + "\n-EXCLUDE=@" + path + "\n-INCLUDE=keep\nname\n");
  ReportCatcher catcher;
  for (uint32_t i = 0; i < state.includeSpecs.Count() && i < 10; ++i) {
    const char* item = state.includeSpecs.At(i);
    if (item[0] == '@') ReadListFile(item + 1, false, state);
  }
  ASSERT_EQ(2u, state.includeSpecs.Count());
  EXPECT_STREQ("keep", state.includeSpecs.At(1));
  EXPECT_EQ(1u, state.excludeSpecs.Count());
  EXPECT_EQ((Names{"name"}), target.includes);
  EXPECT_FALSE(ReadingListFile());
}

TEST_F(ListFiles, AFatalLineLeavesTheListFileReadingMarkCleared) {
  EXPECT_EQ(4, parseList("-BOGUS\n").status);
  EXPECT_FALSE(ReadingListFile());
}

TEST_F(ListFiles, FirstNameLineBecomesTheArchiveWhenNoneIsNamed) {
  target.archive.clear();
  ASSERT_EQ(0, parseList("archive.zip\nfile\n").status);
  EXPECT_EQ("archive.zip", target.archive);
  EXPECT_EQ((Names{"file"}), target.includes);
}

TEST_F(ListFiles, ExclusionListsAddEveryNameToTheExcludeList) {
  target.archive.clear();
  ASSERT_EQ(0, parseList("one\n-TEST\ntwo\n", true).status);
  EXPECT_EQ((Names{"one", "two"}), target.excludes);
  EXPECT_TRUE(target.archive.empty());
  EXPECT_EQ(CMD_TEST, state.command);
}

TEST_F(ListFiles, PasswordFromAListFileOutlivesTheRead) {
  ASSERT_EQ(0, parseList("-PASSWORD=fromlist\n-PRINT=LPT2\n").status);
  ASSERT_NE(nullptr, state.password);
  EXPECT_STREQ("fromlist", state.password);
  EXPECT_STREQ("LPT2", state.printDevice);
}

struct BadLine {
  const char* line;
  int status;
  const char* message;
};

class ListFileErrors : public ListFiles, public ::testing::WithParamInterface<BadLine> {};

TEST_P(ListFileErrors, SameCodesAsWords) {
  ParseOutcome outcome = parseList(std::string("ok\n") + GetParam().line + "\nafter\n");
  EXPECT_EQ(GetParam().status, outcome.status);
  EXPECT_EQ(std::string(GetParam().message), outcome.message);
  EXPECT_EQ((Names{"ok"}), target.includes);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ListFileErrors,
    ::testing::Values(BadLine{"-E", 2, "あいまいなｵﾌﾟｼｮﾝやｺﾏﾝﾄﾞが指定されました -  E"},
                      BadLine{"  -SORT=NA", 3, "あいまいなｻﾌﾞｵﾌﾟｼｮﾝが指定されました -  NA"},
                      BadLine{"/BOGUS", 4, "不明、または不正なｵﾌﾟｼｮﾝ -  BOGUS"},
                      BadLine{"-VOLUME=CD", 5, "不明、または不正なｻﾌﾞｵﾌﾟｼｮﾝ -  VOLUME=CD"}));

TEST_F(ListFiles, MissingListFileIsFatal18WithItsName) {
  std::string path = dir.file("absent.lst");
  WordList words{("@" + path).c_str()};
  ParseOutcome outcome = parseCatching(words, state);
  EXPECT_EQ(18, outcome.status);
  EXPECT_EQ("ﾘｽﾄ ﾌｧｲﾙを開けません:  " + path, outcome.message);
}

TEST_F(ListFiles, EmptyFileContributesNothing) {
  ASSERT_EQ(0, parseList("").status);
  ASSERT_EQ(0, parseList("\nname\n").status);
  EXPECT_TRUE(target.includes.empty());
}

}  // namespace
