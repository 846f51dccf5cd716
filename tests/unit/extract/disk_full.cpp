// A write that comes short (a full disk) ends the session with fatal error 11 naming the
// output. A file the entry made is deleted; a file of the user that the entry was to
// replace keeps its bytes, time and attributes, and nothing is left beside it, whether the
// entry is large or small. The full
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

struct Full {
  std::string name;   // the entry that does not fit
  rlim_t limit;       // the largest file size
  std::vector<std::string> before;  // the entries extracted before it
};

TEST(DiskFull, AShortWriteIsFatalElevenAndLeavesWhatWasThere) {
  // big.bin has 369,974 bytes, a.txt 15; the old a.txt fits below the limit, as the old bytes
  // of a full disk fit where they were.
  const Full cases[] = {{"big.bin", 100000, {"a.txt"}}, {"a.txt", 10, {}}};
  for (const Full& c : cases)
  for (bool existing : {false, true}) {
    SCOPED_TRACE(c.name + (existing ? ", replacing a file" : ", a new file"));
    EngineRun run;
    FileState before;
    if (existing) before = plantUserFile(run.out(c.name), "old\n");
    try {
      FileSizeLimit limit(c.limit);
      run.run("extract_tree_zip.zip", {"-EXTRACT", "-DIRECTORIES", "-OVERWRITE"}, true);
      FAIL() << "no fatal report";
    } catch (const FatalExit& e) {
      EXPECT_EQ(e.status, 11);
    }
    ASSERT_EQ(run.catcher.shown.size(), 1u);
    const std::string& text = run.catcher.shown[0].text;
    EXPECT_EQ(text.substr(text.size() - run.out(c.name).size()), run.out(c.name));
    // The walk ended there: entries behind it were never reached.
    std::vector<std::string> expected = c.before;
    if (existing) expected.push_back(c.name);
    EXPECT_EQ(run.listTarget(), expected);
    if (existing) {
      EXPECT_TRUE(fileState(run.out(c.name)) == before);
    }
  }
}
#endif

}  // namespace
