// A write that comes short (a full disk) ends the session with fatal error 11 naming the
// output. A file the entry made is deleted; a file of the user that the entry was to
// replace keeps its bytes, time and attributes, and nothing is left beside it. The full
// disk is a file size limit of the process (writes beyond it fail; SIGXFSZ is ignored so
// that the failure comes back as an error), which Wine cannot impose: natively only.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include "engine_run.h"

namespace {

#ifndef _WIN32
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previous_);
  }

 private:
  struct rlimit saved_ {};
  void (*previous_)(int) = nullptr;
};

TEST(DiskFull, AShortWriteIsFatalElevenAndLeavesWhatWasThere) {
  for (bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "replacing a file" : "a new file");
    EngineRun run;
    FileState before;
    if (existing) before = plantUserFile(run.out("big.bin"), "the user's big.bin\n");
    try {
      FileSizeLimit limit(100000);  // big.bin has 369,974 bytes; the entries before it fit
      run.run("extract_tree_zip.zip", {"-EXTRACT", "-DIRECTORIES", "-OVERWRITE"}, true);
      FAIL() << "no fatal report";
    } catch (const FatalExit& e) {
      EXPECT_EQ(e.status, 11);
    }
    ASSERT_EQ(run.catcher.shown.size(), 1u);
    const std::string& text = run.catcher.shown[0].text;
    EXPECT_EQ(text.substr(text.size() - run.out("big.bin").size()), run.out("big.bin"));
    // The walk ended there: entries behind big.bin were never reached.
    std::vector<std::string> expected = {"a.txt"};
    if (existing) expected.push_back("big.bin");
    EXPECT_EQ(run.listTarget(), expected);
    if (existing) {
      EXPECT_TRUE(fileState(run.out("big.bin")) == before);
    }
  }
}
#endif

}  // namespace
