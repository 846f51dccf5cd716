// The stub's engine with a console front end, for Windows: the same session, reader and
// engine code as the stub (built with the stub's flags), with the main dialog replaced by a
// front end that runs one Test or Extract and counts the progress events instead of showing
// them. It measures what the engine itself costs on a platform (bench/stub-under-wine runs
// it beside the stub and the builder); questions are answered without asking: overwrite as
// the command line says, passwords and disks refused, so nothing ever waits.
//
//   engine_console test FILE.exe
//   engine_console extract FILE.exe DIR [--overwrite ask|always|never]
//
// Prints one line: entries processed, files finished, warnings, extracted bytes, and the
// milliseconds of the start-up (configuration block, end record, central directory) and of
// the run, measured inside the process so that the platform's process start is left out.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>

#include "report/error_reporter.h"
#include "report/user_prompts.h"
#include "session/session.h"
#include "system/system.h"

using ErrorReporter::SetProgressLink, ErrorReporter::SetMessageDisplay;

namespace {

using Clock = std::chrono::steady_clock;

long long millisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count() / 1000;
}

class RefusingPrompts : public UserPrompts {
 public:
  explicit RefusingPrompts(int overwriteAnswer) : overwriteAnswer_(overwriteAnswer) {}
  int confirmOverwrite(const char*, const EntryRecord*) override { return overwriteAnswer_; }
  int confirmDirectory(const char*) override { return 0; }
  int askLastDisk() override { return ANSWER_GIVE_UP; }
  int askDisk(int) override { return ANSWER_GIVE_UP; }
  void storedPassword(char* destination, size_t size) override {
    if (size > 0) destination[0] = '\0';
  }
  int askPassword(const char*, char*, size_t) override { return PASSWORD_SKIP; }

 private:
  int overwriteAnswer_;
};

class PrintingDisplay : public MessageDisplay {
 public:
  bool show(ProgressLink*, const char*, const char* text, MessageKind kind) override {
    std::fprintf(stderr, "%s\n", text ? text : "");
    return kind != MessageKind::Question && kind != MessageKind::DiskRequest;
  }
};

class CountingFrontEnd : public SessionFrontEnd, public ProgressLink {
 public:
  CountingFrontEnd(bool test, const char* directory, const char* overwrite)
      : test_(test), directory_(directory), overwrite_(overwrite) {}

  UserPrompts* createPrompts() override {
    int answer = overwrite_ && !std::strcmp(overwrite_, "always") ? ANSWER_YES_TO_ALL : ANSWER_NO;
    return new (std::nothrow) RefusingPrompts(answer);
  }

  int showMainDialog(Session& session) override {
    startUpMs_ = millisecondsSince(begin_);
    Clock::time_point runStart = Clock::now();
    struct RunTimer {
      long long& ms;
      Clock::time_point start;
      ~RunTimer() { ms = millisecondsSince(start); }
    } timer{runMs_, runStart};
    SetProgressLink(this);
    uint16_t flags = session.config().flags();
    flags = static_cast<uint16_t>(flags & ~CFG_MESSAGES);
    if (overwrite_) {
      flags = static_cast<uint16_t>(flags & ~(CFG_OVERWRITE_ALL | CFG_NEVER_OVERWRITE));
      if (!std::strcmp(overwrite_, "always")) flags |= CFG_OVERWRITE_ALL;
      if (!std::strcmp(overwrite_, "never")) flags |= CFG_NEVER_OVERWRITE;
    }
    session.config().setFlags(flags);
    if (test_) {
      session.setSizeTallyOff(true);
      session.run(true);
      return 0;
    }
    char full[SYS_PATH_MAX];
    if (!SysFullPath(full, directory_)) std::snprintf(full, sizeof full, "%s", directory_);
    if (!session.prepareDirectory(full)) {
      std::fprintf(stderr, "engine_console: cannot create %s\n", full);
      failed_ = true;
      return DIALOG_CANCELLED;
    }
    session.setExtractionDirectory(full);
    session.run(false);
    return 0;
  }

  int warningCount() override { return warnings_; }

  void progress(ProgressEvent event, int code, const char* text) override {
    switch (event) {
      case PROGRESS_FILE: ++entries_; break;
      case PROGRESS_TESTED: ++finished_; break;
      case PROGRESS_EXTRACTED:
        ++finished_;
        bytes_ += static_cast<uint32_t>(code);
        break;
      case PROGRESS_WARNING: ++warnings_; break;
      default: break;
    }
  }

  void title(char* buffer, size_t size) override {
    if (size > 0) std::snprintf(buffer, size, "engine_console");
  }

  void report() const {
    std::printf("%u entries, %u finished, %d warnings, %llu bytes, start-up %lld ms, run %lld ms\n",
                entries_, finished_, warnings_, static_cast<unsigned long long>(bytes_), startUpMs_, runMs_);
  }
  bool failed() const { return failed_; }

 private:
  bool test_;
  const char* directory_;
  const char* overwrite_;
  unsigned entries_ = 0;
  unsigned finished_ = 0;
  int warnings_ = 0;
  uint64_t bytes_ = 0;
  bool failed_ = false;
  Clock::time_point begin_ = Clock::now();
  long long startUpMs_ = 0;
  long long runMs_ = 0;
};

int usage() {
  std::fprintf(stderr, "usage: engine_console test FILE.exe\n"
                       "       engine_console extract FILE.exe DIR [--overwrite ask|always|never]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  bool test = !std::strcmp(argv[1], "test");
  if (!test && std::strcmp(argv[1], "extract")) return usage();
  if (!test && argc < 4) return usage();
  const char* overwrite = nullptr;
  if (!test && argc >= 6 && !std::strcmp(argv[4], "--overwrite")) overwrite = argv[5];
  PrintingDisplay display;
  SetMessageDisplay(&display);
  CountingFrontEnd frontEnd(test, test ? "" : argv[3], overwrite);
  int status;
  {
    Session session(frontEnd);
    status = session.start(argv[2]);
  }
  frontEnd.report();
  return frontEnd.failed() ? 1 : status;
}
