// A look at a file before the engine opens it, for the faults an author meets most: a file
// that is no SFX at all, and one cut short on its way (a download or a copy that stopped).
// The engine reports both with the stub's numbered texts ("the end record was not found",
// "the file is too small"); the author gets plain words first, with what to do next. The
// end record is searched as the engine searches it: within the last 65,557 bytes, where its
// comment would end at the end of the file.
#include <cstring>

#include "archive/zip_format.h"
#include "commands.h"
#include "host/host.h"
#include "pe/pe_image.h"
#include "report/error_reporter.h"
#include "session/config_block.h"

namespace {

constexpr uint64_t END_SEARCH = EOCD_SIZE + 0xFFFF;  // the record and the longest comment

bool hasEndRecord(HostFile& file, uint64_t size) {
  uint64_t start = size > END_SEARCH ? size - END_SEARCH : 0;
  std::string tail(static_cast<size_t>(size - start), '\0');
  if (tail.size() < EOCD_SIZE || !file.readAt(start, &tail[0], tail.size())) return false;
  for (size_t at = tail.size() - EOCD_SIZE + 1; at-- > 0;) {
    const uint8_t* r = reinterpret_cast<const uint8_t*>(tail.data()) + at;
    if (le32(r) == SIG_END && at + EOCD_SIZE + le16(r + EOCD_COMMENT_LENGTH) <= tail.size()) return true;
  }
  return false;
}

class SilentDisplay : public MessageDisplay {
 public:
  bool show(ProgressLink*, const char*, const char*, MessageKind) override { return false; }
};

bool hasBlock(const std::string& cp932Path) {
  SilentDisplay silent;
  ErrorReporter::SetMessageDisplay(&silent);
  ConfigBlock block;
  bool found = block.load(cp932Path.c_str()) != ConfigLoadResult::Absent;
  ErrorReporter::SetMessageDisplay(nullptr);
  return found;
}

// A program image whose sections reach beyond the end of the file was cut inside it.
bool imageCut(HostFile& file, uint64_t size) {
  std::string head(static_cast<size_t>(size < 4096 ? size : 4096), '\0');
  if (head.size() < 2 || !file.readAt(0, &head[0], head.size()) || head[0] != 'M' || head[1] != 'Z') return false;
  PeImage pe;
  std::string problem;
  if (!parsePeImage(head, pe, problem)) return false;
  for (const PeSection& s : pe.sections) {
    if (uint64_t(s.rawPointer) + s.rawSize > size) return true;
  }
  return false;
}

}  // namespace

std::string plainFileProblem(const std::string& path, const std::string& cp932Path) {
  HostFile file;
  uint64_t size = 0;
  if (!file.openRead(path) || !file.size(size) || hasEndRecord(file, size)) return std::string();
  std::string cut = path + ": file cut short at byte " + std::to_string(size);
  if (hasBlock(cp932Path)) {
    return cut + ": the stub and its configuration block are there, the end of the ZIP archive is not; "
                 "copy or download the file again (or build it again)";
  }
  if (imageCut(file, size)) {
    return cut + ", inside the stub's program image; copy or download the file again (or build it again)";
  }
  return path + ": not a self-extracting file (no configuration block / no ZIP archive found); "
                "\"mksfx build -o OUT.exe INPUT\" makes one from a ZIP file or a folder";
}
