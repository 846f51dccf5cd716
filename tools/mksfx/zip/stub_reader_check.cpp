// The stub's own reader run over a ZIP input before anything is built from it: the end
// record, the central directory with its record count, the overlap of the entries' local
// records, and every local header (signature, CRC-32, the name byte for byte, its data
// before the next record). What the stub would stop on as damaged is refused here as
// damaged, whatever --allow-unextractable says: an archive of entries that share their
// data (a zip bomb) would otherwise become a sound-looking SFX of separate copies.
#include <cstdio>

#include "archive/archive_reader.h"
#include "base/code_page.h"
#include "report/error_reporter.h"
#include "system/system.h"
#include "zip/zip_archive.h"

namespace {

// The stub's stop, carried out of the reader by the exit hook.
struct StubStop {
  int status;
};

[[noreturn]] void throwStop(int status) { throw StubStop{status}; }

// The reader's messages are the stub's own; the builder says what they mean instead.
class QuietDisplay : public MessageDisplay {
 public:
  bool show(ProgressLink*, const char*, const char*, MessageKind) override { return true; }
};

std::string stopReason(int status) {
  switch (status - FORMAT_EXIT_OFFSET) {
    case FORMAT_READ: return "a central record is not where the end record says (damaged or cut)";
    case FORMAT_TOO_SMALL: return "it is shorter than an end record";
    case FORMAT_NO_END_RECORD: return "its end record's entry count does not match its central records";
    case FORMAT_TRUNCATED: return "it is cut short";
    case FORMAT_LOCAL_HEADER:
      return "entries overlap (they share or run into each other's data), or a local header does not match its "
             "central record";
    case FORMAT_TOO_MANY: return "it has more entries than the stub reads";
    default: break;
  }
  return "the stub cannot read it";
}

}  // namespace

bool checkWithStubReader(const std::string& path, uint32_t shift, Reporter& reporter) {
  std::string cp932;
  if (!utf8ToCp932(path, cp932) || cp932.size() >= SYS_PATH_MAX) {
    reporter.error(path + ": the path has no code page 932 form of at most 259 bytes, which the stub's reader "
                   "needs to check the input; copy it to a shorter path");
    return false;
  }
  QuietDisplay quiet;
  MessageDisplay* display = ErrorReporter::GetMessageDisplay();
  ErrorReporter::SetMessageDisplay(&quiet);
  SysExitHook hook = SysSetExitHook(throwStop);
  int stopped = 0;
  try {
    ArchiveReader reader;
    reader.SetArchiveSpec(cp932.c_str());
    reader.setOffsetShift(shift);
    if (!reader.Open()) {
      stopped = FATAL_ARCHIVE_UNREADABLE;
    } else {
      reader.LoadDirectory();
      for (int i = 0; i < reader.loadedCount(); ++i) reader.ReadLocalHeader(reader.entry(i));
    }
  } catch (const StubStop& stop) {
    stopped = stop.status;
  }
  SysSetExitHook(hook);
  ErrorReporter::SetMessageDisplay(display);
  if (stopped == 0) return true;
  std::string code = stopped > FORMAT_EXIT_OFFSET ? "format error " + std::to_string(stopped - FORMAT_EXIT_OFFSET)
                                                  : "error " + std::to_string(stopped);
  reporter.error(path + " is damaged: " + stopReason(stopped) + "; the stub would stop with " + code);
  return false;
}
