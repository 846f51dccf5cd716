// libFuzzer target for the builder's ZIP input, as a build takes it up to its dry run: each
// input is written to a file and read as the author's archive (end record, ZIP64 records,
// central records, local headers, names brought into code page 932, the stub's reader over
// the input); the entries then meet the build's checks (names, methods, the target folder
// with and without subdirectories, path lengths). An archive the build would not refuse is
// written to a temporary file by the builder's writer and read back by the dry run (the
// stub's reader and decoder, against the names, sizes and CRC-32s given). The input's length
// picks --allow-unextractable (odd) and --utf8-names (bit 1). The builder's reports are
// silenced; a crash, a hang, a leak or an access out of bounds is a fault.
#include <cstdint>
#include <string>

#include "base/output_file.h"
#include "fuzz_support.h"
#include "host/host.h"
#include "zip/archive_writer.h"
#include "zip/zip_archive.h"

namespace {

// Bounds one input's work: the writer copies each entry's data (overlapping entries of a
// ZIP64 input are copied apart) and the dry run decodes all of it, up to 1032 times larger.
constexpr size_t MAX_WRITTEN_ENTRIES = 64;
constexpr uint64_t MAX_WRITTEN_DATA = 64 * 1024;

bool smallEnough(const ZipArchive& archive) {
  if (archive.entries.size() > MAX_WRITTEN_ENTRIES) return false;
  uint64_t data = 0;
  for (const ZipEntry& e : archive.entries) data += e.compressedSize;
  return data <= MAX_WRITTEN_DATA;
}

void writeAndDryRun(ZipArchive& archive, const std::string& beside, Reporter& reporter) {
  HostFile file;
  std::string written;
  if (!file.createTemporary(beside, written)) return;
  OutputFile out(file);
  bool complete = writeArchive(archive, out, reporter);
  if (file.close() && complete) dryRun(written, archive, reporter);
  hostRemoveFile(written);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silenceBuilderReports();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = inputFile("fuzz_builder_zip", ".zip");
  static const std::string output = inputFile("fuzz_builder_zip", ".exe");
  if (!writeInput(path, data, size)) return 0;
  InputOptions options;
  options.utf8Names = (size & 2) != 0;
  Reporter reporter(false, (size & 1) != 0);
  ZipArchive archive;
  if (!readZipInput(path, options, archive, reporter)) return 0;
  checkEntries(archive, reporter);
  bool subdirs = hasDirectories(archive);
  checkTargetFolder(archive, subdirs, reporter);
  checkPathLengths(archive, "C:\\Program Files\\Fuzz", subdirs, reporter);
  Reporter otherSetting;  // the setting the archive does not suggest, judged apart
  checkTargetFolder(archive, !subdirs, otherSetting);
  if (!reporter.refused() && smallEnough(archive)) writeAndDryRun(archive, output, reporter);
  return 0;
}
