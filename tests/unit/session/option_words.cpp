// The option words a run is made of, for every combination of the dialog's settings: the
// subdirectory word, the command, the overwrite word (ask when neither bit is set) and the
// password word with its placeholder value.
#include <gtest/gtest.h>

#include "session_support.h"

using namespace session_test;

namespace {

std::vector<std::string> wordsOf(const Session& session) {
  std::vector<std::string> out;
  for (const char* const* w = session.optionWords(); *w; ++w) out.push_back(*w);
  return out;
}

const std::string PASSWORD_WORD = std::string("-PASSWORD=") + '\x01';

struct WordsCase {
  uint16_t flags;
  bool test;
  std::vector<std::string> words;
};

TEST(OptionWords, EveryDialogSetting) {
  const WordsCase cases[] = {
      {0, false, {"-EXTRACT", PASSWORD_WORD}},
      {CFG_SUBDIRS, false, {"-DIRECTORIES", "-EXTRACT", PASSWORD_WORD}},
      {CFG_OVERWRITE_ALL, false, {"-EXTRACT", "-OVERWRITE", PASSWORD_WORD}},
      {CFG_NEVER_OVERWRITE, false, {"-EXTRACT", "-OVERWRITE=NEVER", PASSWORD_WORD}},
      {CFG_SUBDIRS | CFG_NEVER_OVERWRITE, false,
       {"-DIRECTORIES", "-EXTRACT", "-OVERWRITE=NEVER", PASSWORD_WORD}},
      {CFG_SUBDIRS | CFG_OVERWRITE_ALL, false, {"-DIRECTORIES", "-EXTRACT", "-OVERWRITE", PASSWORD_WORD}},
      // Both bits (no radio button gives this): overwrite-all wins.
      {CFG_OVERWRITE_ALL | CFG_NEVER_OVERWRITE, false, {"-EXTRACT", "-OVERWRITE", PASSWORD_WORD}},
      // Messages, group and extensions are no option words.
      {CFG_MESSAGES | CFG_PROGRAM_GROUP | CFG_EXTENSIONS, false, {"-EXTRACT", PASSWORD_WORD}},
      // A test carries no overwrite word.
      {0, true, {"-TEST", PASSWORD_WORD}},
      {CFG_SUBDIRS | CFG_NEVER_OVERWRITE | CFG_MESSAGES, true, {"-DIRECTORIES", "-TEST", PASSWORD_WORD}},
      {CFG_OVERWRITE_ALL, true, {"-TEST", PASSWORD_WORD}},
  };
  for (const WordsCase& c : cases) {
    ScriptedFrontEnd frontEnd;
    Session session(frontEnd);
    session.config().setFlags(c.flags);
    session.buildOptionWords(c.test);
    EXPECT_EQ(c.words, wordsOf(session)) << "flags " << c.flags << (c.test ? " test" : " extract");
  }
}

TEST(OptionWords, PasswordPlaceholderIsNoTypeablePassword) {
  ScriptedFrontEnd frontEnd;
  Session session(frontEnd);
  const std::string word = session.passwordWord();
  ASSERT_EQ(PASSWORD_WORD, word);
  EXPECT_LT(static_cast<unsigned char>(word.back()), 0x20);  // a control character
  EXPECT_EQ(44u, sizeof(PASSWORD_WORD_PREFIX) - 1 + 34);
}

TEST(OptionWords, RebuiltForEveryRun) {
  ScriptedFrontEnd frontEnd;
  Session session(frontEnd);
  session.config().setFlags(CFG_SUBDIRS | CFG_NEVER_OVERWRITE);
  session.buildOptionWords(false);
  session.config().setFlags(0);
  session.buildOptionWords(true);
  EXPECT_EQ((std::vector<std::string>{"-TEST", PASSWORD_WORD}), wordsOf(session));
}

}  // namespace
