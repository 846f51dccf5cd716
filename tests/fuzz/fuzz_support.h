// Set-up shared by the libFuzzer targets: the Inflater's buffers at the extraction context's
// sizes, the input written to a file of this process (for the targets that open an archive
// or a program), and the reports that end an input instead of the process: a throwing exit
// hook and a display that shows nothing; for the builder's targets, its reports silenced.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "decode/inflate.h"
#include "extract/extract.h"
#include "report/error_reporter.h"
#include "report/front_end.h"
#include "system/system.h"

// An InflateIo with the buffers of an extraction context, kept for the whole run; the window
// starts zeroed.
class FuzzInflateIo : public InflateIo {
 public:
  FuzzInflateIo() {
    InBufSize = EXT_IN_BUF_SIZE;
    OutBufSize = EXT_OUT_BUF_SIZE;
    WorkBufSize = EXT_WORK_BUF_SIZE;
    InBuf = static_cast<uint8_t*>(std::malloc(InBufSize));
    OutBuf = static_cast<uint8_t*>(std::calloc(1, OutBufSize));
    WorkBuf = static_cast<uint8_t*>(std::malloc(WorkBufSize));
  }
};

// A file name for this process's inputs in TMPDIR, or else /tmp: /tmp/fuzz_program_1234.exe.
// Every input is written there, so a memory file system (TMPDIR=/dev/shm) spares a disk
// the writeback of each one: three to four times the executions on a slow disk.
inline std::string inputFile(const char* target, const char* extension) {
  const char* directory = std::getenv("TMPDIR");
  std::string folder = directory && *directory ? directory : "/tmp";
  return folder + "/" + target + "_" + std::to_string(getpid()) + extension;
}

// Writes the input as the whole file; false when the file cannot be written.
inline bool writeInput(const std::string& path, const uint8_t* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);
  return true;
}

// The builder prints every report on `stderr`; its targets point that stream at /dev/null
// once, before the first input. libFuzzer took the original stream for its own lines when
// it started, and the sanitizers write to descriptor 2, so neither is silenced.
inline void silenceBuilderReports() {
  if (FILE* quiet = std::fopen("/dev/null", "w")) stderr = quiet;
}

// A fatal or format report ended the input with this status.
struct ReportEnded {
  int status;
};

// For the lifetime of one input: fatal reports throw ReportEnded instead of ending the
// process, and messages go to a display that shows nothing and answers yes.
class QuietReports : public MessageDisplay {
 public:
  QuietReports() {
    SysSetExitHook(throwingExit);
    ErrorReporter::SetMessageDisplay(this);
  }
  ~QuietReports() override {
    ErrorReporter::SetMessageDisplay(nullptr);
    SysSetExitHook(nullptr);
  }
  bool show(ProgressLink*, const char*, const char*, MessageKind) override { return true; }

 private:
  static void throwingExit(int status) { throw ReportEnded{status}; }
};
