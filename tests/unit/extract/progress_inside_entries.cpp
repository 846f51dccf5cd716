// What the progress link hears inside one entry: an entry whose output spans several 64 KB
// windows announces the bytes decoded so far before each window from the second on (so
// the dialog stays live and serves Cancel inside it); a one-window entry announces nothing
// more. A Cancel served there removes the unfinished file.
#include <gtest/gtest.h>

#include "engine_run.h"

using ErrorReporter::FatalError;

namespace {

// big.bin of extract_tree_zip.zip: 369,974 bytes, six windows.
constexpr int BIG_SIZE = 369974;

TEST(ProgressInsideEntries, LargeEntryAnnouncesEachWindowBetweenItsNameAndItsResult) {
  for (bool testing : {false, true}) {
    SCOPED_TRACE(testing ? "test" : "extract");
    EngineRun run;
    ASSERT_EQ(run.run("extract_tree_zip.zip", {testing ? "-TEST" : "-EXTRACT", "-DIRECTORIES"}), 0);
    std::vector<int> figures;
    std::string entry;
    for (const RecordingProgress::Event& e : run.progress.events) {
      if (e.event == PROGRESS_FILE) entry = e.text;
      if (e.event == PROGRESS_TESTED || e.event == PROGRESS_EXTRACTED) entry.clear();
      if (e.event != PROGRESS_DECODING) continue;
      EXPECT_EQ(entry, testing ? "big.bin" : run.out("big.bin"));
      figures.push_back(e.code);
    }
    EXPECT_EQ(figures, (std::vector<int>{65536, 131072, 196608, 262144, 327680}));
    EXPECT_LT(figures.back(), BIG_SIZE);
  }
}

TEST(ProgressInsideEntries, CancelInsideAnEntryRemovesItsUnfinishedFile) {
  EngineRun run;
  run.progress.onEvent = [&](const RecordingProgress::Event& e) {
    if (e.event == PROGRESS_DECODING && e.code > 200000) FatalError(FATAL_CANCELLED, nullptr);
  };
  try {
    run.run("extract_tree_zip.zip", {"-EXTRACT", "-DIRECTORIES"}, true);
    FAIL() << "the run was not ended";
  } catch (const FatalExit& e) {
    EXPECT_EQ(e.status, FATAL_CANCELLED);
  }
  EXPECT_EQ(run.listTarget(), std::vector<std::string>{"a.txt"});
}

}  // namespace
