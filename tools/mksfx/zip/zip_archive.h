// The model of the archive the builder writes: entries with their names already in code
// page 932 and where their stored bytes come from; the readers of its two kinds of input (a
// ZIP file or a directory); the checks that decide whether the stub would deliver every
// entry; and the times of a reproducible build. The stub's own rules (record offsets,
// version and flag values) come from the engine's headers, so the builder checks and writes
// exactly what the stub reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/reporter.h"
#include "host/host.h"

struct ZipEntry {
  std::string name;  // code page 932 bytes, '/' as separator
  uint16_t versionMade = 20;
  uint16_t versionNeeded = 20;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t time = 0;  // DOS time and date, local time
  uint16_t date = 0;
  uint32_t crc = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  std::string localExtra;
  std::string centralExtra;
  std::string comment;
  std::string data;  // the stored bytes: compressed, with the encryption header if any
  // Where the stored bytes come from while `data` is not loaded: a range of the input ZIP
  // file (compressedSize bytes at sourceOffset), or a file of the input directory that is
  // deflated when it is loaded (which sets the method, CRC and sizes). Entries are loaded
  // and released one at a time, so no archive is ever held whole.
  std::string sourcePath;
  uint64_t sourceOffset = 0;
  bool packSource = false;
  int packLevel = 9;  // the deflate level for a file to deflate; 0 stores it
};

struct ZipArchive {
  std::vector<ZipEntry> entries;
  std::string comment;  // code page 932
};

// An entry's stored bytes read in pieces: from `data`, or from its range of the input ZIP
// file. (A file of the input directory is deflated as the archive is written.)
class StoredBytes {
 public:
  explicit StoredBytes(const ZipEntry& entry);
  ~StoredBytes();
  StoredBytes(const StoredBytes&) = delete;
  StoredBytes& operator=(const StoredBytes&) = delete;
  // Up to `size` bytes; 0 at the end, or when the file cannot be read (failed() then).
  size_t read(char* buffer, size_t size);
  bool failed() const { return failed_; }

 private:
  const ZipEntry& entry_;
  HostFile file_;
  uint64_t done_ = 0;
  bool failed_ = false;
};

// "Deflated", "Stored", "method 77" ...
std::string methodName(uint16_t method);
// A DOS date and time as "2024-05-01 12:30:00".
std::string dosDateTimeText(uint16_t date, uint16_t time);

// ---- inputs ---------------------------------------------------------------------------------

struct InputOptions {
  bool utf8Names = false;  // names of a ZIP without the UTF-8 flag are UTF-8 as well
  std::vector<std::string> excludes;  // wildcard patterns of entries to leave out
  int level = 9;                      // deflate level of a directory input; 0 stores
  std::string ownOutput;  // the output's path inside a directory input (UTF-8), left out
};

// Reads a ZIP file. Returns false (with an error in `reporter`) when it is not one the
// stub can use at all; otherwise every entry is in `archive`, names in code page 932.
bool readZipInput(const std::string& path, const InputOptions& options, ZipArchive& archive,
                  Reporter& reporter);
// Reads the ZIP input at `path` with the stub's own reader, every offset moved by
// `shift` (where a prefix moved the archive). False, reported as damage, when the stub would
// stop on it: a damaged directory, overlapping entries, a local header that does not match.
bool checkWithStubReader(const std::string& path, uint32_t shift, Reporter& reporter);
// Reads a directory tree: files deflated (stored when that is not smaller), entries in
// byte order of their UTF-8 paths, directories as entries of their own.
bool readDirectoryInput(const std::string& path, const InputOptions& options, ZipArchive& archive,
                        Reporter& reporter);

// The dry run of the end user's extraction on the finished file at `written`: the stub's
// reader reads every entry back and its decoder decodes it; a name, size or CRC-32 other
// than the archive's cannot be delivered (reported as such). Encrypted entries are read but
// not decoded (no password).
void dryRun(const std::string& written, const ZipArchive& archive, Reporter& reporter);
// True when some entry is a directory or lies in one (its name has a separator, or it
// carries the DOS directory attribute).
bool hasDirectories(const ZipArchive& archive);
// Paths that would not fit under `directory` (code page 932; relative or empty: under C:\).
void checkPathLengths(const ZipArchive& archive, const std::string& directory, bool subdirs, Reporter& reporter);

// Checks that apply to every entry whatever the input: names, methods, versions, flags.
void checkEntries(const ZipArchive& archive, Reporter& reporter);
// What the entries make in the target folder with the subdirectory setting the SFX ships:
// two names that are one file on Windows, or a path that must be a file and a directory.
void checkTargetFolder(const ZipArchive& archive, bool subdirs, Reporter& reporter);

// What the stub would do with an entry name (code page 932): empty when it extracts the entry
// where its name says, else the reason it would not.
std::string entryNameProblem(const std::string& cp932Name);

// ---- times ----------------------------------------------------------------------------------

// A Unix time as a DOS date and time in local time (hostLocalTime); times before 1980
// or after 2107 become the first or last DOS date-time.
void unixToDosDateTime(int64_t t, uint16_t& date, uint16_t& time);
// $SOURCE_DATE_EPOCH: `set` false when it is unset or empty; false when it is not a count
// of seconds from 0 to 2^31-1.
bool sourceDateEpoch(int64_t& epoch, bool& set);
// Clamps every entry's DOS date-time and the times of its extra fields to `epoch`.
void clampEntryTimes(ZipArchive& archive, int64_t epoch);
