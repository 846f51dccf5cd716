// Output files: written through a temporary file beside the final name, which the file
// takes (without --force, only when no file has it) once it is complete and checked.
#include "base/output_file.h"

#include "host/host.h"

bool OutputFile::stopRequested() { return hostInterrupted(); }

bool OutputFile::write(const char* bytes, size_t size) {
  if (stopRequested()) return false;
  if (!file_.write(bytes, size)) {
    if (writeError_.empty()) writeError_ = hostErrorText();
    return false;
  }
  position_ += size;
  return true;
}

bool OutputFile::rewrite(uint64_t offset, const std::string& bytes) {
  return offset + bytes.size() <= position_ && file_.writeAt(offset, bytes.data(), bytes.size());
}

bool OutputFile::truncate(uint64_t position) {
  if (position > position_ || !file_.truncate(position)) return false;
  position_ = position;
  return true;
}

// Writes the stored bytes of an entry whose source is a file to deflate, and sets its
// method, version, CRC and sizes (the local header before them is rewritten by the caller).
bool writeOutputFile(const std::string& path, const std::function<bool(OutputFile&)>& produce, bool force,
                     const std::function<bool(const std::string&)>& verify, Reporter& reporter) {
  HostFile file;
  std::string temporary;
  bool existed = hostExists(path);
  hostCatchInterrupt();
  if (!file.createTemporary(path, temporary)) {
    reporter.error("cannot create a file beside " + path + ": " + hostErrorText());
    return false;
  }
  auto cancelled = [&]() {
    hostRemoveFile(temporary);
    reporter.cancel("the partly written " + temporary + " was removed; " +
                    (existed ? "the existing " + path + " was left as it was" : "no " + path + " was made"));
    return false;
  };
  OutputFile out(file);
  bool produced = produce(out);
  bool ok = produced && file.makeExecutable();
  ok = file.close() && ok;
  if (!ok && hostInterrupted()) return cancelled();
  if (!ok) {
    // A refusal while producing has been reported already.
    if (produced) reporter.error("cannot write " + path + ": " + hostErrorText());
    hostRemoveFile(temporary);
    return false;
  }
  bool verified = !verify || verify(temporary);
  if (hostInterrupted()) return cancelled();
  if (!verified) {
    hostRemoveFile(temporary);
    return false;
  }
  switch (hostPublish(temporary, path, force)) {
    case HostPublish::Done: return true;
    case HostPublish::Exists:
      reporter.error(path + " exists (use --force to replace it); nothing written");
      return false;
    case HostPublish::Failed: break;
  }
  reporter.error("cannot create " + path + ": " + hostErrorText());
  return false;
}

bool finishOutput(const std::string& written, bool reproducible, int64_t epoch, std::string& digest,
                  uint64_t& size, Reporter& reporter) {
  if (reproducible && !hostSetModifiedTime(written, epoch)) {
    reporter.error("cannot set the time of " + written + ": " + hostErrorText());
    return false;
  }
  HostStatus s;
  if (!hostStatus(written, s) || !fileSha256(written, digest)) {
    reporter.error("cannot read back " + written);
    return false;
  }
  size = s.size;
  return true;
}
