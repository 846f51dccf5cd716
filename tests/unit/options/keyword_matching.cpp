// Keyword matching: unique prefixes, ties between keywords, words that run past a keyword,
// case and the '/' prefix, and the exit status and message of each parser error.
#include <gtest/gtest.h>

#include "option_words.h"

namespace {

struct KeywordCase {
  const char* word;
  int status;   // exit status of the parse, 0 when it went through
  int command;  // the command afterwards (checked when status is 0)
};

class KeywordMatching : public ::testing::TestWithParam<KeywordCase> {};

TEST_P(KeywordMatching, StatusAndCommand) {
  const KeywordCase& c = GetParam();
  OptionState state;
  state.command = 0;  // so that EXTRACT is seen to set it
  WordList words{c.word};
  ParseOutcome outcome = parseCatching(words, state);
  EXPECT_EQ(c.status, outcome.status) << c.word;
  if (c.status == 0) {
    EXPECT_EQ(c.command, state.command) << c.word;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Words, KeywordMatching,
    ::testing::Values(
        // No keyword starts with anything but a letter, digit or sign.
        KeywordCase{"-", 4, 0}, KeywordCase{"-=x", 4, 0}, KeywordCase{"-*", 4, 0},
        KeywordCase{"/", 4, 0}, KeywordCase{"-+", 4, 0},
        // Full keywords, any case, either prefix.
        KeywordCase{"-EXTRACT", 0, CMD_EXTRACT}, KeywordCase{"/EXTRACT", 0, CMD_EXTRACT},
        KeywordCase{"-extract", 0, CMD_EXTRACT}, KeywordCase{"-eXtRaCt", 0, CMD_EXTRACT},
        // Unique prefixes.
        KeywordCase{"-EXT", 0, CMD_EXTRACT}, KeywordCase{"-TE", 0, CMD_TEST},
        KeywordCase{"-C", 0, CMD_CONSOLE}, KeywordCase{"-H", 0, CMD_HELP},
        KeywordCase{"-PR", 0, CMD_PRINT}, KeywordCase{"-VER", 0, CMD_VERSION},
        KeywordCase{"-TI", 0, 0},
        // Prefixes shared by two or more keywords.
        KeywordCase{"-E", 2, 0}, KeywordCase{"-EX", 2, 0}, KeywordCase{"-T", 2, 0},
        KeywordCase{"-P", 2, 0}, KeywordCase{"-V", 2, 0}, KeywordCase{"-L", 2, 0},
        KeywordCase{"-EX=ALL", 2, 0}, KeywordCase{"-E,x", 2, 0},
        // A full keyword that begins a longer one is still that keyword.
        KeywordCase{"-ID", 0, 0}, KeywordCase{"-I", 2, 0}, KeywordCase{"-IN", 0, 0},
        // Running past a keyword without '=' or ',' matches nothing.
        KeywordCase{"-TESTX", 4, 0}, KeywordCase{"-EXTRACTS", 4, 0}, KeywordCase{"-QUIET", 4, 0},
        KeywordCase{"-EXTRACT,", 0, CMD_EXTRACT}, KeywordCase{"-TEST=", 0, CMD_TEST},
        // The value takes no part in the match.
        KeywordCase{"-TEST=XYZ", 5, 0}, KeywordCase{"-EXTR=UPDATE", 0, CMD_EXTRACT},
        // Accepted keywords without a handler leave everything alone.
        KeywordCase{"-FILETYPE=anything", 0, 0}, KeywordCase{"-LOWERCASE", 0, 0},
        KeywordCase{"-TRANSLATE=?", 0, 0}, KeywordCase{"-SILENT", 0, 0},
        KeywordCase{"-WARNING=x", 0, 0}));

TEST(KeywordMatchingRows, MatchKeywordNamesTheRowOrTheFailure) {
  const OptionKeyword* row = nullptr;
  EXPECT_EQ(OPT_OK, MatchKeyword("ti", &row));
  ASSERT_NE(nullptr, row);
  EXPECT_STREQ("TIMES", row->keyword);
  EXPECT_EQ(71, row->code);
  EXPECT_EQ(OPT_OK, MatchKeyword("ID=3", &row));
  EXPECT_STREQ("ID", row->keyword);
  EXPECT_EQ(OPT_OK, MatchKeyword("NO", &row));  // NOEXTENDED is the only keyword with NO
  EXPECT_STREQ("NOEXTENDED", row->keyword);
  EXPECT_EQ(OPT_UNKNOWN, MatchKeyword("", &row));
  EXPECT_EQ(nullptr, row);
}

TEST(KeywordMatchingRows, OverlongWordsAreMatchedOnTheirStart) {
  // The matcher works on an upper-case copy of 79 characters; the rest of a longer word
  // must neither be read past nor change the outcome.
  std::string longValue(300, 'x');
  OptionState state;
  WordList words{("-PASSWORD=" + longValue).c_str()};
  EXPECT_EQ(0, parseCatching(words, state).status);
  ASSERT_TRUE(state.passwordGiven);
  EXPECT_EQ(longValue, state.password);

  WordList unknown{("-" + std::string(200, 'T')).c_str()};
  EXPECT_EQ(4, parseCatching(unknown, state).status);
}

struct ErrorMessageCase {
  const char* word;
  int status;
  const char* message;
};

class ParserErrorMessages : public ::testing::TestWithParam<ErrorMessageCase> {};

// The reporter writes the row's text, one blank and the argument; the parser's rows end with
// "- ", so two blanks stand before the word.
TEST_P(ParserErrorMessages, StatusAndText) {
  const ErrorMessageCase& c = GetParam();
  OptionState state;
  WordList words{c.word};
  ParseOutcome outcome = parseCatching(words, state);
  EXPECT_EQ(c.status, outcome.status) << c.word;
  EXPECT_EQ(std::string(c.message), outcome.message) << c.word;
}

INSTANTIATE_TEST_SUITE_P(
    Words, ParserErrorMessages,
    ::testing::Values(
        ErrorMessageCase{"-E", 2, "あいまいなｵﾌﾟｼｮﾝやｺﾏﾝﾄﾞが指定されました -  E"},
        ErrorMessageCase{"/ex=all", 2, "あいまいなｵﾌﾟｼｮﾝやｺﾏﾝﾄﾞが指定されました -  ex=all"},
        ErrorMessageCase{"-SORT=NA", 3, "あいまいなｻﾌﾞｵﾌﾟｼｮﾝが指定されました -  NA"},
        ErrorMessageCase{"-MASK=HIDDEN,+", 3, "あいまいなｻﾌﾞｵﾌﾟｼｮﾝが指定されました -  +"},
        ErrorMessageCase{"-QUIET", 4, "不明、または不正なｵﾌﾟｼｮﾝ -  QUIET"},
        ErrorMessageCase{"-", 4, "不明、または不正なｵﾌﾟｼｮﾝ -  "},
        ErrorMessageCase{"-SORT=NAX", 5, "不明、または不正なｻﾌﾞｵﾌﾟｼｮﾝ -  SORT=NAX"},
        ErrorMessageCase{"-DIRECTORIES=ON", 5, "不明、または不正なｻﾌﾞｵﾌﾟｼｮﾝ -  DIRECTORIES=ON"}));

TEST(ParserErrors, TheFirstBadWordEndsTheParseAndLaterWordsAreNotApplied) {
  OptionState state;
  WordList words{"-TEST", "-QUIET", "-OVERWRITE"};
  EXPECT_EQ(4, parseCatching(words, state).status);
  EXPECT_EQ(CMD_TEST, state.command);
  EXPECT_EQ(OVERWRITE_PROMPT, state.overwriteMode);
}

}  // namespace
