// Decodes the stored bytes of a ZIP input's entries with the stub's own decoder and CRC-32
// before they are shipped, reading them in pieces from the input: an entry whose data does
// not decode, or decodes to other bytes than its CRC and size promise, would reach every end
// user as a CRC warning, so the build refuses it. Encrypted entries cannot be checked
// without their password and are left to the stub's own check.
#include <cstdio>

#include "archive/zip_format.h"
#include "extract/entry_decoder.h"
#include "base/terminal.h"
#include "base/code_page.h"
#include "zip/zip_archive.h"

namespace {

// Feeds one entry's stored bytes to the engine's decoder.
class CheckedEntry : public EntryDecoder {
 public:
  explicit CheckedEntry(const ZipEntry& entry) : bytes_(entry) {}
  uint32_t ReadInput(uint8_t* buffer, uint32_t size) override {
    return static_cast<uint32_t>(bytes_.read(reinterpret_cast<char*>(buffer), size));
  }
  bool failed() const { return bytes_.failed(); }

 private:
  StoredBytes bytes_;
};

}  // namespace

std::string entryDataProblem(const ZipEntry& e) {
  if (e.flags & GPF_ENCRYPTED) return std::string();
  if (e.method != METHOD_STORED && e.method != METHOD_DEFLATE && e.method != METHOD_DEFLATE64) {
    return std::string();  // refused elsewhere
  }
  CheckedEntry entry(e);
  int result = entry.Decode(e.method);
  if (result != 0 && !entry.failed()) {
    return "its compressed data is damaged (the decoder stops with error " + std::to_string(result) + ")";
  }
  if (entry.failed()) return "its stored bytes cannot be read from the input";
  if (entry.produced() != e.uncompressedSize) {
    return "its data decodes to " + std::to_string(entry.produced()) + " bytes, not the " +
           std::to_string(e.uncompressedSize) + " it declares";
  }
  if (entry.crc() != e.crc) {
    char text[64];
    std::snprintf(text, sizeof text, "its data has the CRC-32 %08X, not the %08X it declares", entry.crc(), e.crc);
    return text;
  }
  return std::string();
}

void checkEntryData(const ZipArchive& archive, Reporter& reporter) {
  ProgressLine progress;
  size_t done = 0;
  for (const ZipEntry& e : archive.entries) {
    progress.update("mksfx: checking " + std::to_string(++done) + " of " + std::to_string(archive.entries.size()) +
                    " entries with the stub's decoder");
    std::string reason = entryDataProblem(e);
    if (!reason.empty()) {
      progress.done();
      reporter.unextractable("entry \"" + shownName(e.name) + "\": " + reason);
    }
  }
  progress.done();
}
