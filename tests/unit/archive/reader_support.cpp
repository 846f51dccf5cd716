// Helpers of the reader tests (see reader_support.h).
#include "reader_support.h"

#include <sstream>

#include "system/system.h"

std::vector<ManifestEntry> readManifest(const std::string& fixtureBase) {
  std::vector<ManifestEntry> entries;
  std::istringstream lines(readFileBytes(fixturePath(fixtureBase + ".manifest")));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    std::istringstream fields(line);
    std::string hexName, crc;
    ManifestEntry e{};
    fields >> hexName >> e.compressed >> e.uncompressed >> crc >> e.method >> e.flags >> e.dataOffset;
    for (size_t i = 0; i + 1 < hexName.size(); i += 2) {
      e.name += static_cast<char>(std::stoi(hexName.substr(i, 2), nullptr, 16));
    }
    e.crc = static_cast<uint32_t>(std::stoul(crc, nullptr, 16));
    entries.push_back(e);
  }
  return entries;
}

std::string normalisedName(const std::string& raw) {
  std::string name = raw;
  for (size_t i = 0; i < name.size(); ++i) {
    if (SysIsLeadByte(static_cast<unsigned char>(name[i])) && i + 1 < name.size()) {
      ++i;
    } else if (name[i] == '\\') {
      name[i] = '/';
    }
  }
  return name;
}

int openAndLoad(ArchiveReader& reader, const std::string& path) {
  try {
    reader.SetArchiveSpec(path.c_str());
    if (!reader.Open()) return -1;
    return reader.LoadDirectory();
  } catch (const FatalExit& exit) {
    return exit.status;
  }
}
