// Extracting and testing whole archives made by Info-ZIP zip and 7z, with and without the
// stored paths, compared byte for byte with the tree they were made from (or with Info-ZIP
// unzip's extraction of the same archive).
#include <gtest/gtest.h>

#include "engine_run.h"
#include "options/option_state.h"

namespace {

// Every file of `expectedRoot` exists below `actualRoot` with the same bytes, and the two
// trees hold the same names.
void expectSameTree(const std::string& expectedRoot, const std::string& actualRoot) {
  std::vector<std::string> expected = listTree(expectedRoot);
  std::vector<std::string> actual = listTree(actualRoot);
  ASSERT_EQ(expected, actual);
  for (const std::string& name : expected) {
    if (name.back() == '/') continue;
    ASSERT_EQ(readFileBytes(expectedRoot + "/" + name), readFileBytes(actualRoot + name)) << name;
  }
}


TEST(ExtractArchive, KeptPathsRecreateTheTreeOfEveryPeer) {
  for (const char* archive : {"extract_tree_zip.zip", "extract_tree_7z.zip"}) {
    EngineRun run;
    ASSERT_EQ(run.run(archive, {"-EXTRACT", "-DIRECTORIES"}), 0) << archive;
    EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{}) << archive;
    std::vector<std::string> names = run.listTarget();
    for (const std::string& name : names) {
      if (name.back() == '/') continue;
      EXPECT_EQ(readFileBytes(fixturePath("extract_tree.expected/" + name)), readFileBytes(run.out(name)))
          << archive << ": " << name;
    }
    // 7z leaves out the empty directory and the empty file; zip stores both.
    std::vector<std::string> expected = {"a.txt", "big.bin", "docs/", "docs/readme.txt", "docs/sub/",
                                         "docs/sub/deep.txt", "noise.raw"};
    if (std::string(archive) == "extract_tree_zip.zip") {
      expected.push_back("empty.txt");
      expected.push_back("emptydir/");
      std::sort(expected.begin(), expected.end());
    }
    EXPECT_EQ(names, expected) << archive;
  }
}

TEST(ExtractArchive, WithoutKeptPathsEveryFileLandsInTheExtractionDirectory) {
  EngineRun run;
  ASSERT_EQ(run.run("extract_tree_zip.zip", {"-EXTRACT"}), 0);
  EXPECT_EQ(run.listTarget(), (std::vector<std::string>{"a.txt", "big.bin", "deep.txt", "empty.txt",
                                                         "noise.raw", "readme.txt"}));
  EXPECT_EQ(readFileBytes(run.out("deep.txt")), readFileBytes(fixturePath("extract_tree.expected/docs/sub/deep.txt")));
  EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{});
  // Output paths are announced as the file names the engine created.
  std::vector<std::string> files = run.progress.texts(PROGRESS_FILE);
  EXPECT_NE(std::find(files.begin(), files.end(), run.out("deep.txt")), files.end());
}

TEST(ExtractArchive, MissingExtractionDirectoryIsCreatedWithTheEntryDirectories) {
  EngineRun run;
  run.setTarget(run.scratch().path() + "/new/level/");
  ASSERT_EQ(run.run("extract_tree_zip.zip", {"-EXTRACT", "-DIRECTORIES"}), 0);
  EXPECT_EQ(readFileBytes(run.out("docs/sub/deep.txt")),
            readFileBytes(fixturePath("extract_tree.expected/docs/sub/deep.txt")));
}

TEST(ExtractArchive, Deflate64EntriesDecodeToTheOriginal) {
  EngineRun run;
  ASSERT_EQ(run.run("extract_deflate64.zip", {"-EXTRACT", "-DIRECTORIES"}), 0);
  EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{});
  EXPECT_EQ(readFileBytes(run.out("big.bin")), readFileBytes(fixturePath("extract_tree.expected/big.bin")));
  EXPECT_EQ(readFileBytes(run.out("docs/sub/deep.txt")),
            readFileBytes(fixturePath("extract_tree.expected/docs/sub/deep.txt")));
  EXPECT_EQ(run.progress.count(PROGRESS_EXTRACTED), 2);
  EXPECT_EQ(run.progress.texts(PROGRESS_ACTION), (std::vector<std::string>{"    Inflating", "    Inflating"}));
}

TEST(ExtractArchive, ThreeThousandEntriesMatchInfoZipUnzip) {
  EngineRun run;
  ASSERT_EQ(run.run("extract_many.zip", {"-EXTRACT", "-DIRECTORIES"}), 0);
  EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{});
  EXPECT_GE(run.progress.count(PROGRESS_EXTRACTED), 2950);
  expectSameTree(fixturePath("extract_many.expected"), run.target());
}

TEST(TestArchive, TestingChecksEveryEntryAndTouchesNoFile) {
  for (const char* archive : {"extract_tree_zip.zip", "extract_tree_7z.zip", "extract_deflate64.zip"}) {
    EngineRun run;
    ASSERT_EQ(run.run(archive, {"-TEST"}), 0);
    EXPECT_EQ(run.listScratch(), std::vector<std::string>{"out/"}) << archive;
    EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{}) << archive;
    int testing = run.progress.count(PROGRESS_TESTING);
    EXPECT_GT(testing, 0);
    // Directory entries are tested too (as empty data with CRC-32 0).
    EXPECT_EQ(run.progress.count(PROGRESS_TESTED), testing) << archive;
    EXPECT_EQ(run.progress.count(PROGRESS_EXTRACTED), 0);
    EXPECT_EQ(run.progress.count(PROGRESS_ACTION), 0);
  }
}

// What the progress window hears, entry by entry.
TEST(Notifications, EachEntryAnnouncesItselfThenItsResult) {
  for (bool testing : {false, true}) {
    SCOPED_TRACE(testing ? "test" : "extract");
    EngineRun run;
    ASSERT_EQ(run.run("extract_dates.zip", {testing ? "-TEST" : "-EXTRACT"}), 0);
    std::vector<RecordingProgress::Event> expected;
    for (const char* name : {"old.txt", "mid.txt", "midlate.txt", "new.txt"}) {
      if (testing) expected.push_back({PROGRESS_TESTING, 0, ""});
      else expected.push_back({PROGRESS_ACTION, 0, "    Inflating"});
      expected.push_back({PROGRESS_FILE, 0, testing ? std::string(name) : run.out(name)});
      expected.push_back({testing ? PROGRESS_TESTED : PROGRESS_EXTRACTED, 0, ""});
    }
    ASSERT_EQ(run.progress.events.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(run.progress.events[i].event, expected[i].event) << i;
      EXPECT_EQ(run.progress.events[i].text, expected[i].text) << i;
    }
  }
}

TEST(TestArchive, TestingIgnoresExistingFilesAndAsksNothing) {
  EngineRun run;
  writeFileBytes(run.out("a.txt"), "existing");
  ASSERT_EQ(run.run("extract_tree_zip.zip", {"-TEST", "-DIRECTORIES"}), 0);
  EXPECT_EQ(run.prompts.calls.size(), 0u);
  EXPECT_EQ(readFileBytes(run.out("a.txt")), "existing");
  EXPECT_EQ(run.progress.count(PROGRESS_SKIPPED), 0);
}

TEST(ConsoleView, EntriesAreDecodedAndReportedAsExtractedWithoutFiles) {
  EngineRun run;
  ASSERT_EQ(run.run("extract_tree_zip.zip", {"-CONSOLE"}), 0);
  EXPECT_EQ(run.listScratch(), std::vector<std::string>{"out/"});
  EXPECT_EQ(run.progress.count(PROGRESS_EXTRACTED), 6);
  EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{});
}

TEST(PrintAction, EntriesFollowOneAnotherInThePrintTarget) {
  EngineRun run;
  std::string target = run.scratch().file("printed.txt");
  writeFileBytes(target, "head|");
  ASSERT_EQ(run.run("extract_tree_zip.zip", {"-PRINT=" + target}), 0);
  std::string printed = readFileBytes(target);
  // The entries follow one another in archive order behind what the target held.
  std::string inOrder = "head|";
  for (const char* name : {"a.txt", "big.bin", "docs/readme.txt", "docs/sub/deep.txt", "empty.txt", "noise.raw"})
    inOrder += readFileBytes(fixturePath(std::string("extract_tree.expected/") + name));
  EXPECT_EQ(printed, inOrder);
  EXPECT_EQ(run.listScratch(), (std::vector<std::string>{"out/", "printed.txt"}));
}

}  // namespace
