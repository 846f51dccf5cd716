// A write that comes short (a full disk) ends the session with fatal error 11 naming the
// output, and the partial file is deleted. The full disk is the Linux device /dev/full,
// reached through a symbolic link at the output path; Wine's file layer offers no such
// device, so this runs natively only.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine_run.h"

namespace {

#ifndef _WIN32
TEST(DiskFull, AShortWriteIsFatalElevenAndTheOutputIsDeleted) {
  namespace fs = std::filesystem;
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  EngineRun run;
  fs::create_symlink("/dev/full", run.out("big.bin"));
  try {
    run.run("extract_tree_zip.zip", {"-EXTRACT", "-DIRECTORIES", "-OVERWRITE"}, true);
    FAIL() << "no fatal report";
  } catch (const FatalExit& e) {
    EXPECT_EQ(e.status, 11);
  }
  ASSERT_EQ(run.catcher.shown.size(), 1u);
  const std::string& text = run.catcher.shown[0].text;
  EXPECT_EQ(text.substr(text.size() - run.out("big.bin").size()), run.out("big.bin"));
  EXPECT_FALSE(fs::is_symlink(fs::symlink_status(run.out("big.bin"))));
  EXPECT_TRUE(fs::exists("/dev/full"));
  // The walk ended there: entries behind big.bin were never reached.
  EXPECT_TRUE(fileExists(run.out("a.txt")));
  EXPECT_FALSE(fileExists(run.out("noise.raw")));
}
#endif

}  // namespace
