// Helpers of the reader tests: open and load an archive file with a fresh reader, turning a
// fatal report into its exit status, and read the oracle manifests written by the fixture
// recipe (what Python's zipfile sees in each peer-made archive).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/archive_reader.h"
#include "options/option_state.h"
#include "support/support.h"

struct ManifestEntry {
  std::string name;  // raw bytes as stored
  uint32_t compressed;
  uint32_t uncompressed;
  uint32_t crc;
  int method;
  int flags;
  uint32_t dataOffset;
};

std::vector<ManifestEntry> readManifest(const std::string& fixtureBase);

// The name as the reader presents it: '\' turned into '/' outside double-byte characters.
std::string normalisedName(const std::string& raw);

// Opens `path` and loads its directory: 0, or the exit status of the fatal report.
int openAndLoad(ArchiveReader& reader, const std::string& path);

// The entry's name as the reader holds it.
inline std::string nameOf(const EntryRecord* entry) {
  return std::string(entryName(entry), entryNameLength(entry));
}

// Resets the process-wide option record around each test.
class OptionsReset {
 public:
  OptionsReset() { Options().ResetOptions(); }
  ~OptionsReset() { Options().ResetOptions(); }
};
