// A look at a file before the engine opens it, for the faults an author meets most: a file
// that is no SFX at all, and one cut short on its way (a download or a copy that stopped).
// The engine reports both with the stub's numbered texts ("the end record was not found",
// "the file is too small"); the author gets plain words first, with what to do next. The
// end record is searched as the engine searches it, backwards through the whole file (a
// signature or other data may follow it), but only behind the program image: the stub's own
// code holds the signature's four bytes, which would otherwise be taken for a record.
#include <algorithm>
#include <cstring>

#include "archive/zip_format.h"
#include "commands.h"
#include "host/host.h"
#include "pe/pe_image.h"
#include "report/error_reporter.h"
#include "session/config_block.h"

namespace {

constexpr uint64_t SEARCH_CHUNK = uint64_t{1} << 20;

// An end record at or after `from` whose comment ends inside the file, the highest first.
bool hasEndRecord(HostFile& file, uint64_t from, uint64_t size) {
  std::string chunk;
  for (uint64_t end = size; end >= from + EOCD_SIZE;) {  // tests the records ending by `end`
    uint64_t start = end - from > SEARCH_CHUNK ? end - SEARCH_CHUNK : from;
    chunk.assign(static_cast<size_t>(end - start), '\0');
    if (!file.readAt(start, &chunk[0], chunk.size())) return false;
    for (size_t at = chunk.size() - EOCD_SIZE + 1; at-- > 0;) {
      const uint8_t* r = reinterpret_cast<const uint8_t*>(chunk.data()) + at;
      if (le32(r) == SIG_END && start + at + EOCD_SIZE + le16(r + EOCD_COMMENT_LENGTH) <= size) return true;
    }
    if (start == from) break;
    end = start + EOCD_SIZE - 1;  // the next chunk's last record starts just below this one's first
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

// Where the program image that the file's headers describe ends (0 for a file without one).
uint64_t imageEnd(HostFile& file, uint64_t size) {
  std::string head(static_cast<size_t>(size < 4096 ? size : 4096), '\0');
  if (head.size() < 2 || !file.readAt(0, &head[0], head.size()) || head[0] != 'M' || head[1] != 'Z') return 0;
  PeImage pe;
  std::string problem;
  if (!parsePeImage(head, pe, problem)) return 0;
  uint64_t end = 0;
  for (const PeSection& s : pe.sections) end = std::max(end, uint64_t(s.rawPointer) + s.rawSize);
  return end;
}

}  // namespace

std::string plainFileProblem(const std::string& path, const std::string& cp932Path) {
  HostFile file;
  uint64_t size = 0;
  if (!file.openRead(path) || !file.size(size)) return std::string();
  uint64_t image = imageEnd(file, size);
  if (image <= size && hasEndRecord(file, image, size)) return std::string();
  std::string cut = path + ": file cut short at byte " + std::to_string(size);
  if (hasBlock(cp932Path)) {
    return cut + ": the stub and its configuration block are there, the end of the ZIP archive is not; "
                 "copy or download the file again (or build it again)";
  }
  if (image > size) {  // the file ends inside its program image
    return cut + ", inside the stub's program image; copy or download the file again (or build it again)";
  }
  return path + ": not a self-extracting file (no configuration block / no ZIP archive found); "
                "\"mksfx build -o OUT.exe INPUT\" makes one from a ZIP file or a folder";
}
