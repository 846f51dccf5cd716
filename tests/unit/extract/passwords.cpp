// Encrypted entries: the password of the option word, the prompt object's stored password,
// the password question with its answers, at most five checks per entry, skip and skip-all,
// and encrypted entries too short for their own encryption header.
#include <gtest/gtest.h>

#include "engine_run.h"
#include "options/option_state.h"

namespace {

using Answer = ScriptedPrompts::PasswordAnswer;

struct PasswordCase {
  const char* title;
  const char* archive;
  std::vector<std::string> words;
  std::string stored;                // the prompt object's stored password
  std::deque<Answer> answers;
  std::vector<int> warnings;
  int questions;                     // askPassword calls
  std::vector<std::string> written;  // encrypted entries extracted (plain.txt always is)
};

const std::vector<std::string> ALL = {"secret1.txt", "secret2.txt", "secret3.txt"};

const PasswordCase kCases[] = {
    {"right first time", "extract_encrypted_zip.zip", {"-PASSWORD=right"}, "", {}, {}, 0, ALL},
    {"7z ZipCrypto, right first time", "extract_encrypted_7z.zip", {"-PASSWORD=right"}, "", {}, {}, 0,
     {"secret1.txt", "secret2.txt"}},
    {"no password word: every encrypted entry skipped", "extract_encrypted_zip.zip", {}, "right", {},
     {13, 13, 13}, 0, {}},
    {"empty value: the stored password is used", "extract_encrypted_zip.zip", {"-PASSWORD="}, "right", {}, {}, 0,
     ALL},
    {"wrong, then right; the typed one serves the later entries", "extract_encrypted_zip.zip",
     {"-PASSWORD=wrong"}, "", {{PASSWORD_OK, "right"}}, {}, 1, ALL},
    {"four wrong answers make five failed checks", "extract_encrypted_zip.zip", {"-PASSWORD=wrong"}, "",
     {{PASSWORD_OK, "bad1"}, {PASSWORD_OK, "bad2"}, {PASSWORD_OK, "bad3"}, {PASSWORD_OK, "bad4"},
      {PASSWORD_OK, "right"}},
     {20}, 5, {"secret2.txt", "secret3.txt"}},
    {"skip one entry", "extract_encrypted_zip.zip", {"-PASSWORD=wrong"}, "",
     {{PASSWORD_SKIP, ""}, {PASSWORD_OK, "right"}}, {13}, 2, {"secret2.txt", "secret3.txt"}},
    {"skip all", "extract_encrypted_zip.zip", {"-PASSWORD=wrong"}, "", {{PASSWORD_SKIP_ALL, ""}},
     {13, 13, 13}, 1, {}},
    {"a 40-character word uses its first 31 characters", "extract_encrypted_long.zip",
     {"-PASSWORD=abcdefghijklmnopqrstuvwxyz0123456789ABCD"}, "", {}, {}, 0, {"secret1.txt"}},
};

TEST(Passwords, EveryWayToAPassword) {
  for (const PasswordCase& c : kCases) {
    SCOPED_TRACE(c.title);
    EngineRun run;
    run.prompts.stored = c.stored;
    run.prompts.passwordAnswers = c.answers;
    std::vector<std::string> words = {"-EXTRACT"};
    words.insert(words.end(), c.words.begin(), c.words.end());
    EXPECT_EQ(run.run(c.archive, words), 0);
    EXPECT_EQ(run.progress.warningCodes(), c.warnings);
    EXPECT_EQ(run.prompts.count("askPassword"), c.questions);
    for (const std::string name : {"secret1.txt", "secret2.txt", "secret3.txt"}) {
      bool wanted = std::find(c.written.begin(), c.written.end(), name) != c.written.end();
      EXPECT_EQ(fileExists(run.out(name)), wanted) << name;
      if (wanted) {
        EXPECT_EQ(readFileBytes(run.out(name)), readFileBytes(fixturePath("extract_encrypted.expected/" + name)))
            << name;
      }
    }
    if (std::string(c.archive) == "extract_encrypted_zip.zip") {
      EXPECT_EQ(readFileBytes(run.out("plain.txt")), readFileBytes(fixturePath("extract_encrypted.expected/plain.txt")));
    }
  }
}

TEST(Passwords, QuestionsNameTheEntryAndOfferTheFullBuffer) {
  EngineRun run;
  run.prompts.passwordAnswers = {{PASSWORD_SKIP, ""}, {PASSWORD_SKIP, ""}};
  run.run("extract_encrypted_zip.zip", {"-EXTRACT", "-PASSWORD=wrong"});
  ASSERT_GE(run.prompts.calls.size(), 2u);
  EXPECT_EQ(run.prompts.calls[0].operation, "askPassword");
  EXPECT_EQ(run.prompts.calls[0].text, "secret1.txt");
  EXPECT_EQ(run.prompts.calls[0].number, 32);
  EXPECT_EQ(run.prompts.calls[1].text, "secret2.txt");
}

TEST(Passwords, SkipAllLastsForTheRestOfTheSession) {
  EngineRun run;
  run.prompts.passwordAnswers = {{PASSWORD_SKIP_ALL, ""}};
  run.run("extract_encrypted_zip.zip", {"-EXTRACT", "-PASSWORD=wrong"});
  EXPECT_FALSE(Options().passwordGiven);
}

TEST(Passwords, TestingEncryptedEntriesChecksTheirCrc) {
  EngineRun run;
  EXPECT_EQ(run.run("extract_encrypted_zip.zip", {"-TEST", "-PASSWORD=right"}), 0);
  EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{});
  EXPECT_EQ(run.progress.count(PROGRESS_TESTED), 4);
  EXPECT_EQ(run.listScratch(), std::vector<std::string>{"out/"});
}

// The session's password word starts with a placeholder; an empty stored password is no
// password either. Neither is tried: this entry's header lets the placeholder's key pass the
// one-byte check, and trying it would decode the entry with wrong keys.
TEST(Passwords, NoPasswordGivenYetMeansTheQuestionComesFirst) {
  for (const std::string& word : {std::string("-PASSWORD=\x01"), std::string("-PASSWORD=")}) {
    SCOPED_TRACE(word);
    EngineRun run;
    run.prompts.passwordAnswers = {{PASSWORD_OK, "right"}};
    EXPECT_EQ(run.run("extract_placeholder_passes.zip", {"-EXTRACT", word}), 0);
    EXPECT_EQ(run.prompts.count("askPassword"), 1);
    EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{});
    EXPECT_EQ(readFileBytes(run.out("secret.txt")), "decoded only with the right password\n");
  }
}

TEST(Passwords, EntryShorterThanItsEncryptionHeaderIsDamagedAndReadsNothingBeyond) {
  EngineRun run;
  EXPECT_EQ(run.run("extract_short_encrypted.zip", {"-EXTRACT", "-PASSWORD=x"}), 0);
  EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{12});
  EXPECT_NE(run.progress.texts(PROGRESS_WARNING)[0].find("short.bin"), std::string::npos);
  EXPECT_EQ(run.prompts.count("askPassword"), 0);
  EXPECT_FALSE(fileExists(run.out("short.bin")));
  EXPECT_EQ(readFileBytes(run.out("after.txt")), "the entry behind it\n");
}

}  // namespace
