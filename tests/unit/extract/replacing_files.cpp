// Existing files are replaced all or nothing. An entry whose CRC-32 fails, or whose Deflate
// data turns out damaged after a window of output, leaves the user's file with its bytes,
// write time and attributes, and nothing beside it; an intact entry replaces it, from beside,
// whatever the sizes: old files small and large, and one longer than its small replacement.
// Cancel confirmed once an entry's output exists removes that output: the old file is back
// as it was, and a file the entry had just made is gone. Leftover temporary files of killed
// runs never block a replacement. On POSIX a replaced file keeps the old one's permission
// bits, and a link in the output's place is replaced, never written through, at every size.
#include <gtest/gtest.h>

#include <cstdio>

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

// The tree archive's a.txt (15 bytes) and big.bin (369,974 bytes), over old files of 100
// and 70,000 bytes: replacements small and large take the same way.
struct Replaced {
  const char* name;
  size_t oldSize;
};
const Replaced TREE_FILES[] = {{"a.txt", 100}, {"big.bin", 100}, {"a.txt", 70000}, {"big.bin", 70000}};

std::string treeBytes(const std::string& name) {
  return readFileBytes(fixturePath("extract_tree.expected/" + name));
}

// Killed runs leave their temporary files; 200 of them, more names than a short search
// would try, stand beside the outputs and stay as they are.
TEST(ReplacingFiles, LeftoverTemporaryFilesNeverBlockAReplacement) {
  for (const Replaced& c : TREE_FILES) {
    SCOPED_TRACE(std::string(c.name) + " over " + std::to_string(c.oldSize) + " bytes");
    EngineRun run;
    std::vector<std::string> leftovers;
    for (int i = 0; i < 200; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "~SFX%04X.TMP", i);
      writeFileBytes(run.out(name), "left by a killed run");
      leftovers.push_back(name);
    }
    plantUserFile(run.out(c.name), std::string(c.oldSize, 'u'));
    EXPECT_EQ(run.run("extract_tree_zip.zip", {"-EXTRACT", "-DIRECTORIES", "-OVERWRITE"}), 0);
    EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{});
    EXPECT_EQ(readFileBytes(run.out(c.name)), treeBytes(c.name));
    std::vector<std::string> temporary;
    for (const std::string& name : run.listTarget())
      if (name.compare(0, 4, "~SFX") == 0) temporary.push_back(name);
    EXPECT_EQ(temporary, leftovers);
    EXPECT_EQ(readFileBytes(run.out("~SFX00C7.TMP")), "left by a killed run");
  }
}

}  // namespace

#ifndef _WIN32
namespace {

mode_t modeOf(const std::string& path) {
  struct stat st {};
  lstat(path.c_str(), &st);
  return st.st_mode & 07777;
}

// What the user set on the old file stays with the name, and a link in the output's place
// is the link replaced: a symbolic link's target outside the extraction directory keeps its
// bytes, another hard link of the old file keeps the old bytes.
TEST(ReplacingFiles, TheOldFilesModeStaysAndLinksAreReplacedAtEverySize) {
  enum Kind { MODE_0600, MODE_0755, SYMBOLIC_LINK, HARD_LINK };
  for (Kind kind : {MODE_0600, MODE_0755, SYMBOLIC_LINK, HARD_LINK})
  for (const Replaced& c : TREE_FILES) {
    SCOPED_TRACE(std::string(c.name) + " over " + std::to_string(c.oldSize) + " bytes, case " +
                 std::to_string(kind));
    EngineRun run;
    const std::string target = run.out(c.name), other = run.scratch().file("other");
    const std::string oldBytes(c.oldSize, 'u');
    writeFileBytes(kind == SYMBOLIC_LINK ? other : target, oldBytes);
    if (kind == MODE_0600) chmod(target.c_str(), 0600);
    if (kind == MODE_0755) chmod(target.c_str(), 0755);
    if (kind == SYMBOLIC_LINK) {
      ASSERT_EQ(symlink(other.c_str(), target.c_str()), 0);
    }
    if (kind == HARD_LINK) {
      ASSERT_EQ(link(target.c_str(), other.c_str()), 0);
    }
    EXPECT_EQ(run.run("extract_tree_zip.zip", {"-EXTRACT", "-DIRECTORIES", "-OVERWRITE"}), 0);
    EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{});
    EXPECT_EQ(readFileBytes(target), treeBytes(c.name));
    struct stat st {};
    ASSERT_EQ(lstat(target.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    if (kind == MODE_0600 || kind == MODE_0755) {
      EXPECT_EQ(modeOf(target), kind == MODE_0600 ? 0600u : 0755u);
    } else {
      EXPECT_EQ(readFileBytes(other), oldBytes);
    }
  }
}

}  // namespace

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
