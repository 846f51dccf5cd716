// The stub's own reader, run by the builder twice. Over a ZIP input before anything is
// built from it: the end record, the central directory with its record count, the overlap
// of the entries' local records, and every local header (signature, CRC-32, the name byte
// for byte, its data before the next record). What the stub would stop on as damaged is
// refused as damaged, whatever --allow-unextractable says: an archive of entries that share
// their data (a zip bomb) would otherwise become a sound-looking SFX of separate copies.
// And over the finished SFX, as a dry run of the end user's extraction: every entry is read
// and decoded the way the stub will, and compared with what the author gave (its name,
// size and CRC-32). Where the names land in the target folder is judged before the file is
// written (checkTargetFolder), with the same settings.
#include <cstdio>
#include <functional>

#include "archive/archive_reader.h"
#include "archive/zip_format.h"
#include "base/code_page.h"
#include "base/terminal.h"
#include "extract/entry_decoder.h"
#include "report/error_reporter.h"
#include "system/dbcs.h"
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

namespace {

// Runs `walk` on the archive at `path` (code page 932) with the stub's reader; returns 0, or
// the status the stub would end with.
int runStubReader(const std::string& path, uint32_t shift, const std::function<void(ArchiveReader&)>& walk) {
  QuietDisplay quiet;
  MessageDisplay* display = ErrorReporter::GetMessageDisplay();
  ErrorReporter::SetMessageDisplay(&quiet);
  SysExitHook hook = SysSetExitHook(throwStop);
  int stopped = 0;
  try {
    ArchiveReader reader;
    reader.SetArchiveSpec(path.c_str());
    reader.setOffsetShift(shift);
    if (!reader.Open()) {
      stopped = FATAL_ARCHIVE_UNREADABLE;
    } else {
      reader.LoadDirectory();
      walk(reader);
    }
  } catch (const StubStop& stop) {
    stopped = stop.status;
  }
  SysSetExitHook(hook);
  ErrorReporter::SetMessageDisplay(display);
  return stopped;
}

std::string stopText(int stopped) {
  std::string code = stopped > FORMAT_EXIT_OFFSET ? "format error " + std::to_string(stopped - FORMAT_EXIT_OFFSET)
                                                  : "error " + std::to_string(stopped);
  return stopReason(stopped) + "; the stub would stop with " + code;
}

// One entry's stored bytes, read on from its local header by the stub's reader.
class ReadBack : public EntryDecoder {
 public:
  ReadBack(ArchiveReader& reader, uint32_t size) : reader_(reader), left_(size) {}
  uint32_t ReadSource(uint8_t* buffer, uint32_t size) override {
    uint32_t n = size < left_ ? size : left_;
    if (n > 0) reader_.ReadExact(buffer, n);
    left_ -= n;
    return n;
  }

 private:
  ArchiveReader& reader_;
  uint32_t left_;
};

// What one entry of the finished file would give the end user, against the entry the
// author gave; empty when the same.
std::string entryDifference(ArchiveReader& reader, const EntryRecord* read, const ZipEntry& given) {
  std::string name(entryName(read), entryNameLength(read));
  if (name != given.name) return "is read back as \"" + shownName(name) + "\"";
  reader.ReadLocalHeader(read);
  if ((given.flags & GPF_ENCRYPTED) || LastSingleChar(name.c_str()) == '/') return std::string();
  uint16_t method = le16(read + CDH_METHOD);
  if (method != METHOD_STORED && method != METHOD_DEFLATE && method != METHOD_DEFLATE64) return std::string();
  ReadBack data(reader, le32(read + CDH_COMPRESSED));
  int result = data.Decode(method);
  if (result != 0) return "has compressed data that the stub cannot decode (error " + std::to_string(result) + ")";
  if (data.produced() != given.uncompressedSize) {
    return "decodes to " + std::to_string(data.produced()) + " bytes, not the " +
           std::to_string(given.uncompressedSize) + " it declares";
  }
  if (data.crc() != given.crc) {
    char text[64];
    std::snprintf(text, sizeof text, "decodes to the CRC-32 %08X, not the %08X it declares", data.crc(), given.crc);
    return text;
  }
  return std::string();
}

}  // namespace

bool checkWithStubReader(const std::string& path, uint32_t shift, Reporter& reporter) {
  std::string cp932;
  std::string problem = toEnginePath(path, cp932);
  if (!problem.empty()) {
    reporter.error(path + ": " + problem + "; the stub's reader needs it to check the input: copy the file to "
                   "another path");
    return false;
  }
  int stopped = runStubReader(cp932, shift, [](ArchiveReader& reader) {
    for (int i = 0; i < reader.loadedCount(); ++i) reader.ReadLocalHeader(reader.entry(i));
  });
  if (stopped == 0) return true;
  reporter.error(path + " is damaged: " + stopText(stopped));
  return false;
}

void dryRun(const std::string& written, const ZipArchive& archive, Reporter& reporter) {
  std::string cp932;
  std::string problem = toEnginePath(written, cp932);
  if (!problem.empty()) {
    reporter.warning("the dry run of the stub's extraction could not open the finished file (" + problem +
                     "), and its entries were not decoded");
    return;
  }
  ProgressLine progress;
  int differences = 0;
  auto differ = [&](const std::string& text) {
    progress.done();
    reporter.unextractable(text);
    ++differences;
  };
  int stopped = runStubReader(cp932, 0, [&](ArchiveReader& reader) {
    if (static_cast<size_t>(reader.loadedCount()) != archive.entries.size()) {
      differ("the stub reads " + std::to_string(reader.loadedCount()) + " entries, not the " +
             std::to_string(archive.entries.size()) + " written");
      return;
    }
    for (int i = 0; i < reader.loadedCount() && differences < 20; ++i) {
      const ZipEntry& given = archive.entries[static_cast<size_t>(i)];
      progress.update("mksfx: dry run of the extraction: " + std::to_string(i + 1) + " of " +
                      std::to_string(archive.entries.size()) + " entries");
      std::string difference = entryDifference(reader, reader.entry(i), given);
      if (!difference.empty()) differ("entry \"" + shownName(given.name) + "\" " + difference);
    }
  });
  progress.done();
  if (stopped != 0) differ("the finished file does not read back: " + stopText(stopped));
}
