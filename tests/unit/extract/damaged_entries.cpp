// Entries that carry one fault each (made by Python's zipfile and patched): an unknown
// compression method, a version the engine does not handle, a stored entry whose sizes
// disagree, a wrong CRC-32, a declared size far below the data, a name too long for a path.
#include <gtest/gtest.h>

#include "engine_run.h"
#include "options/option_state.h"

namespace {

std::string expectedBytes(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

TEST(DamagedEntries, EachFaultHasItsWarningAndItsOutput) {
  EngineRun run;
  ASSERT_EQ(run.run("extract_faults.zip", {"-EXTRACT"}), 0);
  // Archive order: method6.bin, version26.txt, version25.txt, sizes.bin, badcrc.txt,
  // empty.txt, good.txt.
  EXPECT_EQ(run.progress.warningCodes(), (std::vector<int>{18, 3, 5, 4, 4}));
  std::vector<std::string> texts = run.progress.texts(PROGRESS_WARNING);
  ASSERT_EQ(texts.size(), 5u);
  EXPECT_NE(texts[0].find(" method6.bin"), std::string::npos);
  EXPECT_NE(texts[1].find("2.6 "), std::string::npos);
  EXPECT_NE(texts[1].find("version26.txt"), std::string::npos);
  EXPECT_NE(texts[3].find(" sizes.bin"), std::string::npos);
  EXPECT_NE(texts[4].find(" badcrc.txt"), std::string::npos);

  // Unknown method: the file was created and stays empty.
  EXPECT_TRUE(fileExists(run.out("method6.bin")));
  EXPECT_EQ(readFileBytes(run.out("method6.bin")), "");
  // Version 2.6 is skipped before any output exists; 2.5 is accepted.
  EXPECT_FALSE(fileExists(run.out("version26.txt")));
  EXPECT_EQ(readFileBytes(run.out("version25.txt")), expectedBytes("version 2.5 is still fine\n", 4));
  // Stored sizes 100 (compressed) and 150: the smaller is copied, and its CRC-32 fails.
  EXPECT_EQ(readFileBytes(run.out("sizes.bin")), expectedBytes("0123456789", 10));
  // A CRC-32 mismatch keeps the output as written.
  EXPECT_EQ(readFileBytes(run.out("badcrc.txt")),
            expectedBytes("the stored CRC-32 does not belong to these bytes\n", 20));
  EXPECT_TRUE(fileExists(run.out("empty.txt")));
  EXPECT_EQ(readFileBytes(run.out("good.txt")), expectedBytes("an intact entry\n", 30));
  // Only the three intact entries and the empty one are reported as extracted.
  EXPECT_EQ(run.progress.count(PROGRESS_EXTRACTED), 3);
  std::vector<std::string> actions = run.progress.texts(PROGRESS_ACTION);
  ASSERT_FALSE(actions.empty());
  EXPECT_EQ(actions[0], "    Exploding");
}

TEST(DamagedEntries, TestingReportsTheSameFaultsWithoutFiles) {
  EngineRun run;
  ASSERT_EQ(run.run("extract_faults.zip", {"-TEST"}), 0);
  EXPECT_EQ(run.progress.warningCodes(), (std::vector<int>{18, 3, 5, 4, 4}));
  EXPECT_EQ(run.progress.count(PROGRESS_TESTED), 3);
  EXPECT_EQ(run.listScratch(), std::vector<std::string>{"out/"});
}

TEST(DamagedEntries, DecodingStopsOnceTheDeclaredSizeIsReached) {
  // huge.bin declares 16 bytes for 2,000,000 bytes of data.
  EngineRun run;
  ASSERT_EQ(run.run("extract_oversized.zip", {"-EXTRACT"}, true), 0);
  EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{4});
  EXPECT_EQ(readFileBytes(run.out("huge.bin")).size(), 16u);
  ExtClass* context = run.lastContext();
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(context->produced(), 16u);
  // At most one input buffer and one window were spent before the decoder stopped.
  EXPECT_GT(context->remainingInput(), 2000000u - 2 * EXT_IN_BUF_SIZE - EXT_OUT_BUF_SIZE);
}

TEST(LongNames, AnOutputPathBeyond259CharactersIsRefusedNotCut) {
  EngineRun run;
  ASSERT_EQ(run.run("extract_long.zip", {"-EXTRACT", "-DIRECTORIES"}), 0);
  EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{1});
  EXPECT_EQ(run.listTarget(), std::vector<std::string>{"short.txt"});
}

TEST(LongNames, WithoutKeptPathsTheLastNameFits) {
  EngineRun run;
  ASSERT_EQ(run.run("extract_long.zip", {"-EXTRACT"}), 0);
  EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{});
  EXPECT_EQ(readFileBytes(run.out(std::string(58, 'f'))), "a name of 259 characters\n");
}

// A name of 300 characters cannot name an output, but a test makes none: the entry is
// tested, shown under its first 259 characters.
TEST(LongNames, ANameBeyondAPathIsTestedUnderItsShortenedName) {
  const std::string shortened = std::string(200, 'd') + "/" + std::string(58, 'f');
  EngineRun run;
  ASSERT_EQ(run.run("extract_longer.zip", {"-TEST"}), 0);
  EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{});
  EXPECT_EQ(run.progress.count(PROGRESS_TESTED), 2);
  EXPECT_EQ(run.progress.texts(PROGRESS_FILE), (std::vector<std::string>{shortened, "short.txt"}));
  EngineRun extraction;
  ASSERT_EQ(extraction.run("extract_longer.zip", {"-EXTRACT", "-DIRECTORIES"}), 0);
  EXPECT_EQ(extraction.progress.warningCodes(), std::vector<int>{2});
  EXPECT_EQ(extraction.listTarget(), std::vector<std::string>{"short.txt"});
}

}  // namespace
