// Plain words of a word list: the first names the archive, a directory-like word becomes the
// extraction directory once, every other word an include pattern; without an archive a run
// that needs one ends with error 6.
#include <gtest/gtest.h>

#include "option_words.h"

namespace {

using Names = std::vector<std::string>;

TEST(PlainWords, ArchiveThenDirectoryThenPatterns) {
  RecordingTarget target;
  OptionState state;
  WordList words{"-TEST", "arc.zip", "dest/", "*.txt", "other/", "-DIRECTORIES", "b*"};
  ASSERT_EQ(0, parseCatching(words, state).status);
  EXPECT_EQ("arc.zip", target.archive);
  EXPECT_EQ("dest/", target.directory);
  EXPECT_EQ((Names{"*.txt", "other/", "b*"}), target.includes);
  EXPECT_TRUE(state.keepPaths);
  EXPECT_EQ(0u, state.includeSpecs.Count());
}

TEST(PlainWords, ANamedArchiveIsKept) {
  RecordingTarget target;
  target.archive = "self.exe";
  OptionState state;
  WordList words{"first.zip"};
  ASSERT_EQ(0, parseCatching(words, state).status);
  EXPECT_EQ("self.exe", target.archive);
  EXPECT_EQ((Names{"first.zip"}), target.includes);
}

TEST(PlainWords, NoArchiveIsError6UnlessTheCommandNeedsNone) {
  struct Row { const char* word; int status; };
  for (Row r : {Row{"-EXTRACT", 6}, Row{"-TEST", 6}, Row{"-PRINT", 6}, Row{"-CONSOLE", 6},
                Row{"-HELP", 0}, Row{"-VERSION", 0}}) {
    RecordingTarget target;
    OptionState state;
    WordList words{r.word};
    ParseOutcome outcome = parseCatching(words, state);
    EXPECT_EQ(r.status, outcome.status) << r.word;
    if (r.status == 6) {
      EXPECT_EQ(".ZIP ﾌｧｲﾙが指定されていません ", outcome.message);
    }
  }
}

TEST(PlainWords, WithoutAReaderNamesAreCollectedInTheRecord) {
  OptionState state;
  WordList words{"one", "two/", "-EXCLUDE=x"};
  ASSERT_EQ(0, parseCatching(words, state).status);
  ASSERT_EQ(2u, state.includeSpecs.Count());
  EXPECT_STREQ("one", state.includeSpecs.At(0));
  EXPECT_STREQ("two/", state.includeSpecs.At(1));
  EXPECT_STREQ("x", state.excludeSpecs.At(0));
}

TEST(PlainWords, TheSessionsWordsGiveItsSettings) {
  // What the session builds for an extraction with subdirectories, never overwriting, and
  // the password placeholder.
  OptionState state;
  WordList words{"-DIRECTORIES", "-EXTRACT", "-OVERWRITE=NEVER", "-PASSWORD=\x01"};
  ASSERT_EQ(0, parseCatching(words, state).status);
  EXPECT_EQ(CMD_EXTRACT, state.command);
  EXPECT_TRUE(state.keepPaths && state.makeDirectories);
  EXPECT_EQ(OVERWRITE_NEVER, state.overwriteMode);
  EXPECT_TRUE(state.passwordGiven);
  EXPECT_EQ(words.word(3) + 10, state.password);
}

TEST(PlainWords, OptionPrefixIsTheRecordsOwn) {
  OptionState state;
  state.optionPrefix = '+';
  WordList words{"+TEST", "/DIRECTORIES", "-EXTRACT"};
  ASSERT_EQ(0, parseCatching(words, state).status);
  EXPECT_EQ(CMD_TEST, state.command);  // "-EXTRACT" is a plain word now
  EXPECT_TRUE(state.keepPaths);
  ASSERT_EQ(1u, state.includeSpecs.Count());
  EXPECT_STREQ("-EXTRACT", state.includeSpecs.At(0));
}

}  // namespace

namespace {

TEST(PlainWords, EmptyWordsAreNamesEvenWithZeroedPrefixes) {
  // After the session zeroes the record its prefixes are NUL; an empty word must not be
  // taken for an option word and read past its end.
  OptionState state;
  state.ZeroOptions();
  WordList words{"", "/TEST"};
  ASSERT_EQ(0, parseCatching(words, state).status);
  EXPECT_EQ(CMD_TEST, state.command);
  ASSERT_EQ(1u, state.includeSpecs.Count());
  EXPECT_STREQ("", state.includeSpecs.At(0));
}

}  // namespace
