// The builder's output files: bytes written in order to a temporary file beside the final
// name, which the file takes only when it is complete and checked, and the file's last
// step (its time for a reproducible build, its SHA-256 and size).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/reporter.h"
#include "host/host.h"

// The output as it is written: bytes go to the file in order, and the position is the file
// offset of the next byte. A header can be rewritten once what follows it is known, and
// the end can be taken back (a stored copy replacing deflated data that did not shrink).
class OutputFile {
 public:
  explicit OutputFile(HostFile& file) : file_(file) {}
  // False once a request to stop has come (hostCatchInterrupt), without writing.
  bool write(const char* bytes, size_t size);
  bool write(const std::string& bytes) { return write(bytes.data(), bytes.size()); }
  bool rewrite(uint64_t offset, const std::string& bytes);
  bool truncate(uint64_t position);
  uint64_t position() const { return position_; }
  // True when a request to stop has come: long steps ask between pieces, and a write that
  // failed for it is no fault to report.
  bool stopRequested();
  // The system's reason when a write failed (a full disk), so that a step that also reads
  // does not blame its input; empty while every write has succeeded.
  const std::string& writeError() const { return writeError_; }

 private:
  HostFile& file_;
  uint64_t position_ = 0;
  std::string writeError_;
};

// Writes a file at `path` through a temporary file beside it, whose bytes `produce`
// writes; without `force`, an existing file is never replaced. `verify` (may be empty)
// checks the temporary file before it takes the final name. False, reported. A request to
// stop while the file is written (SIGINT, SIGTERM, Ctrl-C ...) removes the temporary file
// and leaves `path` as it was; the reporter's status is then STATUS_CANCELLED. (Until the
// file is begun, main has such a request end the process at once: nothing is written yet.)
bool writeOutputFile(const std::string& path, const std::function<bool(OutputFile&)>& produce, bool force,
                     const std::function<bool(const std::string&)>& verify, Reporter& reporter);

// The last step on the finished temporary file: with `reproducible`, its modification time
// becomes `epoch`; `digest` gets its SHA-256 and `size` its size. False, reported.
bool finishOutput(const std::string& written, bool reproducible, int64_t epoch, std::string& digest,
                  uint64_t& size, Reporter& reporter);
// The SHA-256 of a file as 64 lower-case hex digits.
bool fileSha256(const std::string& path, std::string& hex);
