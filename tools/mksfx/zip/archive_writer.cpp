// Writes the builder's archive model as ZIP records behind whatever already lies in the
// output (the stub, its padding and the configuration block), one entry at a time. The stub's reader takes the
// central directory offset and every local header offset as absolute positions in its own
// file, so each offset is counted from the start of the whole output. Local headers are
// written from the central values; an entry flagged with a data descriptor keeps the flag
// (traditional encryption checks the time instead of the CRC then) and gets a descriptor
// with its signature after its data.
#include "zip/archive_writer.h"

#include <cstring>

#include "archive/zip_format.h"
#include "base/code_page.h"
#include "base/terminal.h"

namespace {

void put16(std::string& out, uint16_t v) {
  uint8_t b[2];
  putLe16(b, v);
  out.append(reinterpret_cast<char*>(b), 2);
}
void put32(std::string& out, uint32_t v) {
  uint8_t b[4];
  putLe32(b, v);
  out.append(reinterpret_cast<char*>(b), 4);
}

std::string localHeader(const ZipEntry& e) {
  std::string out;
  put32(out, SIG_LOCAL);
  put16(out, e.versionNeeded);
  put16(out, e.flags);
  put16(out, e.method);
  put16(out, e.time);
  put16(out, e.date);
  put32(out, e.crc);
  put32(out, e.compressedSize);
  put32(out, e.uncompressedSize);
  put16(out, static_cast<uint16_t>(e.name.size()));
  put16(out, static_cast<uint16_t>(e.localExtra.size()));
  out += e.name;
  out += e.localExtra;
  return out;
}

std::string dataDescriptor(const ZipEntry& e) {
  std::string out;
  put32(out, SIG_SPANNING);  // the data descriptor signature has the same value
  put32(out, e.crc);
  put32(out, e.compressedSize);
  put32(out, e.uncompressedSize);
  return out;
}

// One entry: its local header, its stored bytes and its descriptor. A file to deflate gets
// its header again once the method, CRC and sizes are known.
bool writeEntry(ZipEntry& e, OutputFile& out, ByteProgress& progress, Reporter& reporter) {
  uint64_t header = out.position();
  if (!out.write(localHeader(e))) return false;
  if (e.packSource) {
    if (!writePackedSource(e, out, progress, reporter) || !out.rewrite(header, localHeader(e))) return false;
  } else if (!copyStoredBytes(e, out, progress, reporter)) {
    return false;
  }
  return !(e.flags & GPF_DATA_DESCRIPTOR) || out.write(dataDescriptor(e));
}

void appendCentral(const ZipEntry& e, uint32_t localOffset, std::string& out) {
  put32(out, SIG_CENTRAL);
  put16(out, e.versionMade);
  put16(out, e.versionNeeded);
  put16(out, e.flags);
  put16(out, e.method);
  put16(out, e.time);
  put16(out, e.date);
  put32(out, e.crc);
  put32(out, e.compressedSize);
  put32(out, e.uncompressedSize);
  put16(out, static_cast<uint16_t>(e.name.size()));
  put16(out, static_cast<uint16_t>(e.centralExtra.size()));
  put16(out, static_cast<uint16_t>(e.comment.size()));
  put16(out, 0);  // disk number start
  put16(out, e.internalAttributes);
  put32(out, e.externalAttributes);
  put32(out, localOffset);
  out += e.name;
  out += e.centralExtra;
  out += e.comment;
}

}  // namespace

bool writeArchive(ZipArchive& archive, OutputFile& out, Reporter& reporter) {
  constexpr uint64_t LIMIT = 0xFFFFFFFFull;  // offsets and sizes are 32-bit without ZIP64
  auto tooLarge = [&]() {
    reporter.error("the result would exceed 4 GB, which the stub's 32-bit offsets cannot reach");
    return false;
  };
  std::vector<uint32_t> offsets;
  offsets.reserve(archive.entries.size());
  uint64_t total = 0;
  for (const ZipEntry& e : archive.entries) total += bytesToWrite(e);
  ByteProgress progress("packing", total);
  for (size_t i = 0; i < archive.entries.size(); ++i) {
    ZipEntry& e = archive.entries[i];
    progress.setItem(shownName(e.name));
    if (out.position() > LIMIT) {
      progress.done();
      return tooLarge();
    }
    offsets.push_back(static_cast<uint32_t>(out.position()));
    if (!writeEntry(e, out, progress, reporter)) {
      progress.done();
      if (reporter.errors() == 0 && !out.stopRequested()) {
        reporter.error(std::string("cannot write the output: ") + hostErrorText());
      }
      return false;
    }
  }
  progress.done();
  std::string directory;
  for (size_t i = 0; i < archive.entries.size(); ++i) appendCentral(archive.entries[i], offsets[i], directory);
  uint64_t directoryOffset = out.position();
  if (directoryOffset + directory.size() > LIMIT) return tooLarge();
  uint16_t count = static_cast<uint16_t>(archive.entries.size());
  uint32_t directorySize = static_cast<uint32_t>(directory.size());
  put32(directory, SIG_END);
  put16(directory, 0);  // this disk
  put16(directory, 0);  // disk where the central directory starts
  put16(directory, count);
  put16(directory, count);
  put32(directory, directorySize);
  put32(directory, static_cast<uint32_t>(directoryOffset));
  put16(directory, static_cast<uint16_t>(archive.comment.size()));
  directory += archive.comment;
  if (!out.write(directory)) {
    if (!out.stopRequested()) reporter.error(std::string("cannot write the output: ") + hostErrorText());
    return false;
  }
  return true;
}
