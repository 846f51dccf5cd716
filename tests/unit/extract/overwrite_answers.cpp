// Existing files and directories met during an extraction: the three overwrite modes and
// every answer of the overwrite question, the directory question, and outputs that cannot
// be replaced.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine_run.h"
#include "options/option_state.h"

namespace {

const std::string OLD_A = "old a", OLD_BIG = "old big", OLD_README = "old readme";

// Archive order of extract_tree_zip.zip: a.txt, big.bin, docs/, docs/readme.txt, docs/sub/,
// docs/sub/deep.txt, emptydir/, empty.txt, noise.raw. The three files below exist already.
void plantOldFiles(EngineRun& run) {
  writeFileBytes(run.out("a.txt"), OLD_A);
  writeFileBytes(run.out("big.bin"), OLD_BIG);
  std::filesystem::create_directories(std::filesystem::u8path(run.out("docs")));
  writeFileBytes(run.out("docs/readme.txt"), OLD_README);
}

struct OverwriteCase {
  const char* title;
  std::vector<std::string> words;
  std::deque<int> answers;
  int questions;           // overwrite questions asked
  int directoryQuestions;  // docs/ exists: asked about while the mode is still "ask"
  bool aReplaced, bigReplaced, readmeReplaced;
  int skipped;             // PROGRESS_SKIPPED events
  bool stopped;            // the walk ended at an answer
};

const OverwriteCase kCases[] = {
    {"yes to each", {"-EXTRACT", "-DIRECTORIES"}, {'Y', 'y', 'Y'}, 3, 1, true, true, true, 0, false},
    {"no to each", {"-EXTRACT", "-DIRECTORIES"}, {'N', 'n', 'N'}, 3, 1, false, false, false, 3, false},
    {"yes to all at the first", {"-EXTRACT", "-DIRECTORIES"}, {'A'}, 1, 0, true, true, true, 0, false},
    {"no to all at the first", {"-EXTRACT", "-DIRECTORIES"}, {'V'}, 1, 0, false, false, false, 3, false},
    {"no, then yes to all", {"-EXTRACT", "-DIRECTORIES"}, {'N', 'a'}, 2, 0, false, true, true, 1, false},
    {"yes, then no to all", {"-EXTRACT", "-DIRECTORIES"}, {'y', 'v'}, 2, 0, true, false, false, 2, false},
    {"escape stops the walk", {"-EXTRACT", "-DIRECTORIES"}, {'Y', 27}, 2, 0, true, false, false, 0, true},
    {"any other answer replaces", {"-EXTRACT", "-DIRECTORIES"}, {'x', 0, '?'}, 3, 1, true, true, true, 0, false},
    {"prompt mode by its value word", {"-EXTRACT", "-DIRECTORIES", "-OVERWRITE=PROMPT"}, {'N', 'N', 'N'}, 3, 1,
     false, false, false, 3, false},
    {"always overwrite", {"-EXTRACT", "-DIRECTORIES", "-OVERWRITE"}, {}, 0, 0, true, true, true, 0, false},
    {"always overwrite by its value word", {"-EXTRACT", "-DIRECTORIES", "-OVERWRITE=ALL"}, {}, 0, 0, true, true,
     true, 0, false},
    {"never overwrite", {"-EXTRACT", "-DIRECTORIES", "-OVERWRITE=NEVER"}, {}, 0, 0, false, false, false, 3, false},
};

TEST(OverwriteAnswers, EveryModeAndAnswer) {
  const std::string expectedA = readFileBytes(fixturePath("extract_tree.expected/a.txt"));
  const std::string expectedBig = readFileBytes(fixturePath("extract_tree.expected/big.bin"));
  const std::string expectedReadme = readFileBytes(fixturePath("extract_tree.expected/docs/readme.txt"));
  for (const OverwriteCase& c : kCases) {
    SCOPED_TRACE(c.title);
    EngineRun run;
    plantOldFiles(run);
    run.prompts.overwriteAnswers = c.answers;
    int result = run.run("extract_tree_zip.zip", c.words);
    EXPECT_EQ(result != 0, c.stopped);
    EXPECT_EQ(run.prompts.count("confirmOverwrite"), c.questions);
    // The existing directory docs/ is found (its trailing '/' does not hide it) and settled
    // by the directory rules.
    EXPECT_EQ(run.prompts.count("confirmDirectory"), c.directoryQuestions);
    EXPECT_EQ(readFileBytes(run.out("a.txt")), c.aReplaced ? expectedA : OLD_A);
    EXPECT_EQ(readFileBytes(run.out("big.bin")), c.bigReplaced ? expectedBig : OLD_BIG);
    EXPECT_EQ(readFileBytes(run.out("docs/readme.txt")), c.readmeReplaced ? expectedReadme : OLD_README);
    EXPECT_EQ(run.progress.count(PROGRESS_SKIPPED), c.skipped);
    // Entries behind the stop are never reached; otherwise the rest is extracted.
    EXPECT_EQ(fileExists(run.out("noise.raw")), !c.stopped);
    EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{});
  }
}

TEST(OverwriteAnswers, QuestionsAndSkipsNameTheOutputPath) {
  EngineRun run;
  plantOldFiles(run);
  run.prompts.overwriteAnswers = {'N', 'V'};
  run.run("extract_tree_zip.zip", {"-EXTRACT", "-DIRECTORIES"});
  ASSERT_EQ(run.prompts.calls.size(), 2u);
  EXPECT_EQ(run.prompts.calls[0].text, run.out("a.txt"));
  EXPECT_EQ(run.prompts.calls[1].text, run.out("big.bin"));
  EXPECT_EQ(run.progress.texts(PROGRESS_SKIPPED),
            (std::vector<std::string>{run.out("a.txt"), run.out("big.bin"), run.out("docs/readme.txt")}));
}

TEST(OverwriteAnswers, WithoutKeptPathsSameLastNamesCompete) {
  // docs/readme.txt and a planted readme.txt meet as one output file.
  EngineRun run;
  writeFileBytes(run.out("readme.txt"), OLD_README);
  run.prompts.overwriteAnswers = {'N'};
  run.run("extract_tree_zip.zip", {"-EXTRACT"});
  ASSERT_EQ(run.prompts.count("confirmOverwrite"), 1);
  EXPECT_EQ(run.prompts.calls[0].text, run.out("readme.txt"));
  EXPECT_EQ(readFileBytes(run.out("readme.txt")), OLD_README);
}

// True when this platform lets the process open a read-only file for writing (Wine run by
// root does); the read-only case then cannot be reproduced.
bool readOnlyFilesAreWritable(const ScratchDir& scratch) {
  std::string probe = scratch.file("probe.txt");
  writeFileBytes(probe, "x");
  SysSetAttributes(probe.c_str(), SYS_ATTR_READONLY);
  SysHandle h = SysOpenFile(probe.c_str(), SYS_GENERIC_WRITE, 0, SYS_OPEN_EXISTING, 0);
  bool writable = h != SYS_INVALID_HANDLE;
  if (writable) SysCloseFile(h);
  SysSetAttributes(probe.c_str(), 0);
  std::filesystem::remove(std::filesystem::u8path(probe));
  return writable;
}

TEST(UnwritableOutput, DirectoryInThePlaceOfTheFileIsWarningOneAfterTheQuestion) {
  for (bool prompt : {true, false}) {
    SCOPED_TRACE(prompt ? "prompt mode" : "always overwrite");
    EngineRun run;
    std::filesystem::create_directories(std::filesystem::u8path(run.out("a.txt/inner")));
    run.prompts.overwriteAnswers = {'Y'};
    std::vector<std::string> words = {"-EXTRACT", "-DIRECTORIES"};
    if (!prompt) words.push_back("-OVERWRITE");
    EXPECT_EQ(run.run("extract_tree_zip.zip", words), 0);
    EXPECT_EQ(run.prompts.count("confirmOverwrite"), prompt ? 1 : 0);
    ASSERT_EQ(run.progress.warningCodes(), std::vector<int>{1});
    EXPECT_NE(run.progress.texts(PROGRESS_WARNING)[0].find(run.out("a.txt")), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::u8path(run.out("a.txt/inner"))));
    EXPECT_TRUE(fileExists(run.out("noise.raw")));  // the walk goes on
  }
}

TEST(UnwritableOutput, ReadOnlyExistingFileIsWarningOne) {
  EngineRun run;
  if (readOnlyFilesAreWritable(run.scratch())) GTEST_SKIP() << "this platform writes read-only files for root";
  writeFileBytes(run.out("a.txt"), OLD_A);
  ASSERT_EQ(SysSetAttributes(run.out("a.txt").c_str(), SYS_ATTR_READONLY), 0);
  run.prompts.overwriteAnswers = {'Y'};
  run.run("extract_tree_zip.zip", {"-EXTRACT", "-DIRECTORIES"});
  EXPECT_EQ(run.prompts.count("confirmOverwrite"), 1);
  EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{1});
  EXPECT_EQ(readFileBytes(run.out("a.txt")), OLD_A);
}

}  // namespace
