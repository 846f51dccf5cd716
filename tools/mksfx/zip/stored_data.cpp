// The stored bytes of the entries on their way into the output, one entry at a time and in
// pieces of 1 MiB: a ZIP input's bytes are copied from their range of the input file; a
// file of the input directory is deflated straight into the output (raw deflate at the
// author's level) and, when that does not make it smaller, taken back and copied as it is.
// So the builder's memory does not grow with the payload: it holds the archive's records,
// not its data.
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "archive/zip_format.h"
#include "zip/archive_writer.h"

namespace {

constexpr size_t PIECE = 1 << 20;
constexpr uint16_t VERSION_STORED = 10;    // 1.0: stored entries
constexpr uint16_t VERSION_DEFLATED = 20;  // 2.0: deflate
constexpr uint64_t ENTRY_SIZE_LIMIT = 0xFFFFFFFFull;  // sizes are 32-bit without ZIP64

std::vector<char>& pieceBuffer(int which) {
  static std::vector<char> buffers[2] = {std::vector<char>(PIECE), std::vector<char>(PIECE)};
  return buffers[which];
}

// Deflates the file into `out`; `crc` and `size` get the CRC-32 and length of what was read.
bool deflateInto(HostFile& file, int level, OutputFile& out, ByteProgress& progress, uint32_t& crc, uint64_t& size,
                 uint64_t& packed) {
  z_stream s;
  std::memset(&s, 0, sizeof s);
  // windowBits -15: raw deflate, no zlib header; memLevel 9 for the best match finding.
  if (deflateInit2(&s, level, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  std::vector<char>& in = pieceBuffer(0);
  std::vector<char>& compressed = pieceBuffer(1);
  crc = 0;
  size = packed = 0;
  bool ok = true;
  int result = Z_OK;
  while (ok && result != Z_STREAM_END) {
    int64_t n = out.stopRequested() ? -1 : file.read(in.data(), in.size());
    if (n < 0) {
      ok = false;
      break;
    }
    crc = static_cast<uint32_t>(crc32(crc, reinterpret_cast<const Bytef*>(in.data()), static_cast<uInt>(n)));
    size += static_cast<uint64_t>(n);
    progress.advance(static_cast<uint64_t>(n));
    s.next_in = reinterpret_cast<Bytef*>(in.data());
    s.avail_in = static_cast<uInt>(n);
    int flush = n < static_cast<int64_t>(in.size()) ? Z_FINISH : Z_NO_FLUSH;
    do {
      s.next_out = reinterpret_cast<Bytef*>(compressed.data());
      s.avail_out = static_cast<uInt>(compressed.size());
      result = deflate(&s, flush);
      size_t produced = compressed.size() - s.avail_out;
      ok = result != Z_STREAM_ERROR && out.write(compressed.data(), produced);
      packed += produced;
    } while (ok && s.avail_out == 0);
    if (size >= ENTRY_SIZE_LIMIT) ok = false;
  }
  deflateEnd(&s);
  return ok && result == Z_STREAM_END;
}

// Copies the file as it is; false when it cannot be read or is no longer what was deflated
// (`check`: the CRC and size it had then).
bool copyInto(HostFile& file, OutputFile& out, ByteProgress* progress, bool check, uint32_t& crc, uint64_t& size) {
  if (!file.seek(0)) return false;
  std::vector<char>& in = pieceBuffer(0);
  uint32_t again = 0;
  uint64_t copied = 0;
  for (;;) {
    int64_t n = file.read(in.data(), in.size());
    if (n < 0) return false;
    if (n == 0) break;
    again = static_cast<uint32_t>(crc32(again, reinterpret_cast<const Bytef*>(in.data()), static_cast<uInt>(n)));
    copied += static_cast<uint64_t>(n);
    if (progress) progress->advance(static_cast<uint64_t>(n));
    if ((check && copied > size) || copied >= ENTRY_SIZE_LIMIT || !out.write(in.data(), static_cast<size_t>(n))) {
      return false;
    }
  }
  if (check) return copied == size && again == crc;
  crc = again;
  size = copied;
  return true;
}

}  // namespace

StoredBytes::StoredBytes(const ZipEntry& entry) : entry_(entry) {
  if (entry.sourcePath.empty() || entry.packSource) return;
  failed_ = !file_.openRead(entry.sourcePath) || !file_.seek(entry.sourceOffset);
}

StoredBytes::~StoredBytes() = default;

size_t StoredBytes::read(char* buffer, size_t size) {
  uint64_t total = file_.isOpen() ? entry_.compressedSize : entry_.data.size();
  size_t want = static_cast<size_t>(std::min<uint64_t>(size, total - done_));
  if (failed_ || want == 0) return 0;
  if (!file_.isOpen()) {
    std::memcpy(buffer, entry_.data.data() + done_, want);
  } else if (file_.read(buffer, want) != static_cast<int64_t>(want)) {
    failed_ = true;
    return 0;
  }
  done_ += want;
  return want;
}

uint64_t bytesToWrite(const ZipEntry& e) {
  if (!e.packSource) return e.sourcePath.empty() ? e.data.size() : e.compressedSize;
  HostStatus s;
  return hostStatus(e.sourcePath, s) ? s.size : 0;
}

bool writePackedSource(ZipEntry& e, OutputFile& out, ByteProgress& progress, Reporter& reporter) {
  HostFile file;
  if (!file.openRead(e.sourcePath)) {
    reporter.error(e.sourcePath + ": cannot be read: " + hostErrorText());
    return false;
  }
  uint64_t start = out.position(), size = 0, packed = 0;
  uint32_t crc = 0;
  bool ok = e.packLevel > 0 ? deflateInto(file, e.packLevel, out, progress, crc, size, packed)
                            : copyInto(file, out, &progress, false, crc, size);
  if (ok && size >= ENTRY_SIZE_LIMIT) ok = false;
  if (ok && e.packLevel > 0 && packed < size) {
    e.method = METHOD_DEFLATE;
    e.versionNeeded = VERSION_DEFLATED;
    e.compressedSize = static_cast<uint32_t>(packed);
  } else if (ok) {
    // The copy that replaces deflated data is not counted again.
    ok = e.packLevel == 0 || (out.truncate(start) && copyInto(file, out, nullptr, true, crc, size));
    e.method = METHOD_STORED;
    e.versionNeeded = VERSION_STORED;
    e.compressedSize = static_cast<uint32_t>(size);
  }
  file.close();
  if (!ok && out.stopRequested()) return false;
  if (!ok && !out.writeError().empty()) {
    reporter.error("cannot write the output: " + out.writeError());
    return false;
  }
  if (!ok) {
    reporter.error(e.sourcePath + (size >= ENTRY_SIZE_LIMIT ? ": 4 GB or larger; the stub reads no ZIP64 archives"
                                                            : ": cannot be read, or changed while it was packed"));
    return false;
  }
  e.crc = crc;
  e.uncompressedSize = static_cast<uint32_t>(size);
  return true;
}

bool copyStoredBytes(const ZipEntry& e, OutputFile& out, ByteProgress& progress, Reporter& reporter) {
  StoredBytes bytes(e);
  std::vector<char>& buffer = pieceBuffer(0);
  uint64_t copied = 0;
  while (size_t n = bytes.read(buffer.data(), buffer.size())) {
    if (!out.write(buffer.data(), n)) {
      if (!out.stopRequested()) reporter.error(std::string("cannot write the output: ") + hostErrorText());
      return false;
    }
    copied += n;
    progress.advance(n);
  }
  uint64_t expected = e.sourcePath.empty() ? e.data.size() : e.compressedSize;
  if (bytes.failed() || copied != expected) {
    reporter.error(e.sourcePath + ": cannot be read again, or changed since it was read");
    return false;
  }
  return true;
}
