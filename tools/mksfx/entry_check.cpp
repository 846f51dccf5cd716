// Decodes the stored bytes of a ZIP input's entries with the stub's own decoder and CRC-32
// before they are shipped, reading them in pieces from the input: an entry whose data does not decode, or decodes to other bytes
// than its CRC and size promise, would reach every end user as a CRC warning, so the build
// refuses it. Encrypted entries cannot be checked without their password and are left to
// the stub's own check.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "archive/zip_format.h"
#include "decode/crc32.h"
#include "decode/inflate.h"
#include "console.h"
#include "mksfx.h"

namespace {

constexpr uint32_t IN_SIZE = 61440;   // the reads the stub's engine makes
constexpr uint32_t OUT_SIZE = MAXDICSIZE;
constexpr uint32_t WORK_SIZE = MIN_FIXED_BUFFER;

// Feeds one entry's bytes to the decoder and keeps the CRC and count of what comes out.
class CheckIo : public InflateIo {
 public:
  explicit CheckIo(const ZipEntry& entry) : bytes_(entry) {
    InBuf = in_.get();
    InBufSize = IN_SIZE;
    OutBuf = out_.get();
    OutBufSize = OUT_SIZE;
    WorkBuf = work_.get();
    WorkBufSize = WORK_SIZE;
  }
  uint32_t ReadInput(uint8_t* buffer, uint32_t size) override {
    return static_cast<uint32_t>(bytes_.read(reinterpret_cast<char*>(buffer), size));
  }
  bool failed() const { return bytes_.failed(); }
  bool WriteOutput(const uint8_t* data, uint32_t size) override {
    crc = Crc32Update(data, size, crc);
    produced += size;
    return true;
  }
  uint32_t crc = 0xFFFFFFFFu;
  uint64_t produced = 0;

 private:
  StoredBytes bytes_;
  std::unique_ptr<uint8_t[]> in_{new uint8_t[IN_SIZE]};
  std::unique_ptr<uint8_t[]> out_{new uint8_t[OUT_SIZE]};
  std::unique_ptr<uint8_t[]> work_{new uint8_t[WORK_SIZE]};
};

}  // namespace

std::string entryDataProblem(const ZipEntry& e) {
  if (e.flags & GPF_ENCRYPTED) return std::string();
  if (e.method != 0 && e.method != 8 && e.method != 9) return std::string();  // refused elsewhere
  CheckIo io(e);
  if (e.method == 0) {
    uint8_t piece[IN_SIZE];
    while (uint32_t n = io.ReadInput(piece, sizeof piece)) io.WriteOutput(piece, n);
  } else {
    Inflater inflater;
    inflater.Init(io);
    int result = inflater.Run(e.method == 8);
    if (result != 0 && !io.failed()) {
      return "its compressed data is damaged (the decoder stops with error " + std::to_string(result) + ")";
    }
  }
  if (io.failed()) return "its stored bytes cannot be read from the input";
  if (io.produced != e.uncompressedSize) {
    return "its data decodes to " + std::to_string(io.produced) + " bytes, not the " +
           std::to_string(e.uncompressedSize) + " it declares";
  }
  uint32_t crc = ~io.crc;
  if (crc != e.crc) {
    char text[64];
    std::snprintf(text, sizeof text, "its data has the CRC-32 %08X, not the %08X it declares", crc, e.crc);
    return text;
  }
  return std::string();
}

void checkEntryData(const ZipArchive& archive, Problems& problems) {
  ProgressLine progress;
  size_t done = 0;
  for (const ZipEntry& e : archive.entries) {
    progress.update("mksfx: checking " + std::to_string(++done) + " of " + std::to_string(archive.entries.size()) +
                    " entries with the stub's decoder");
    std::string reason = entryDataProblem(e);
    if (!reason.empty()) {
      progress.done();
      problems.unextractable("entry \"" + shownName(e.name) + "\": " + reason);
    }
  }
  progress.done();
}
