// Existing files are replaced all or nothing. An entry whose CRC-32 fails, or whose Deflate
// data turns out damaged after a window of output, leaves the user's file with its bytes,
// write time and attributes, and nothing beside it; an intact entry replaces it. Small files
// are written over in place, larger ones replaced from beside: old files of both kinds, and
// one longer than its small replacement, which must be cut. Cancel confirmed once an entry's
// output exists removes that output: the old file is back as it was, and a file the entry
// had just made is gone.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "engine_run.h"

using ErrorReporter::FatalError;

namespace {

const std::string USER_BYTES = "the user's own contents\n";

TEST(ReplacingFiles, AFailedEntryLeavesTheOldFileAsItWas) {
  // In place, growing, also from nothing; in place, cut from 2,000 bytes; beside, the old
  // file too large.
  const std::string olds[] = {USER_BYTES, "", std::string(2000, 'u'), std::string(70000, 'u')};
  for (const char* mode : {"-OVERWRITE", "-OVERWRITE=PROMPT"})
  for (const std::string& userBytes : olds) {
    SCOPED_TRACE(std::string(mode) + ", old file of " + std::to_string(userBytes.size()) + " bytes");
    EngineRun run;
    // Archive order: badcrc.txt (CRC-32 mismatch), damaged.bin (block type 3 after 131,070
    // bytes), good.txt (680 bytes).
    FileState badcrc = plantUserFile(run.out("badcrc.txt"), userBytes);
    FileState damaged = plantUserFile(run.out("damaged.bin"), userBytes);
    FileState good = plantUserFile(run.out("good.txt"), userBytes);
    run.prompts.overwriteAnswers = {'Y', 'Y', 'Y'};
    EXPECT_EQ(run.run("extract_replace.zip", {"-EXTRACT", mode}), 0);
    EXPECT_EQ(run.progress.warningCodes(), (std::vector<int>{4, 11}));
    EXPECT_TRUE(fileState(run.out("badcrc.txt")) == badcrc);
    EXPECT_TRUE(fileState(run.out("damaged.bin")) == damaged);
    FileState replaced = fileState(run.out("good.txt"));
    std::string expected;
    for (int i = 0; i < 40; ++i) expected += "new intact bytes\n";
    EXPECT_EQ(replaced.bytes, expected);
    EXPECT_NE(replaced.written, good.written);
    EXPECT_EQ(run.progress.count(PROGRESS_EXTRACTED), 1);
    EXPECT_EQ(run.listTarget(), (std::vector<std::string>{"badcrc.txt", "damaged.bin", "good.txt"}));
  }
}

TEST(ReplacingFiles, CancelOnceTheOutputExistsRemovesWhatTheEntryWrote) {
  for (bool existing : {true, false}) {
    SCOPED_TRACE(existing ? "replacing a file" : "a new file");
    EngineRun run;
    FileState before;
    if (existing) before = plantUserFile(run.out("good.txt"), USER_BYTES);
    // The dialog serves a click on Cancel at the entry's notifications, which follow the
    // opening of its output.
    const std::string target = run.out("good.txt");
    run.progress.onEvent = [&](const RecordingProgress::Event& e) {
      if (e.event == PROGRESS_FILE && e.text == target) FatalError(FATAL_CANCELLED, nullptr);
    };
    try {
      run.run("extract_replace.zip", {"-EXTRACT", "-OVERWRITE"}, true);
      FAIL() << "the run was not ended";
    } catch (const FatalExit& e) {
      EXPECT_EQ(e.status, FATAL_CANCELLED);
    }
    // The entries before it were finished and stay, failed ones included.
    std::vector<std::string> expected = {"badcrc.txt", "damaged.bin"};
    if (existing) expected.push_back("good.txt");
    EXPECT_EQ(run.listTarget(), expected);
    if (existing) {
      EXPECT_TRUE(fileState(target) == before);
    }
  }
}

}  // namespace

#ifndef _WIN32
// A file of 4 GiB and more whose size, cut to 32 bits, looks small is replaced from beside,
// never written over as if it had those few bytes (sparse: it takes no room).
TEST(ReplacingFiles, AFileOfFourGibibytesIsNotTakenForASmallOne) {
  EngineRun run;
  const std::string target = run.out("good.txt");
  writeFileBytes(target, USER_BYTES);
  ASSERT_EQ(truncate(target.c_str(), (off_t(1) << 32) + 24), 0);
  run.prompts.overwriteAnswers = {'Y', 'Y', 'Y'};
  run.run("extract_replace.zip", {"-EXTRACT", "-OVERWRITE"});
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 680);  // the new good.txt, whole
}
#endif
