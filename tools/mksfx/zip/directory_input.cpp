// Makes the archive from a directory tree. Every regular file becomes an entry, deflated
// with zlib (raw deflate, level 9 unless the author chose another) or stored when deflating
// does not make it smaller; every directory becomes an entry of its own, so empty ones are
// recreated. Files and directories that match an --exclude pattern, and the output file
// itself, are left out. Entries
// are in byte order of their UTF-8 paths and carry the files' modification times as DOS
// date-times, so the same tree always gives the same archive. Entries are marked as made
// by MS-DOS with DOS attributes (directory, read-only, archive), which the stub restores.
#include <algorithm>

#include "archive/zip_format.h"
#include "base/terminal.h"
#include "base/code_page.h"
#include "base/wildcard.h"
#include "host/host.h"
#include "zip/zip_archive.h"

namespace {

constexpr uint16_t VERSION_STORED = 10;    // 1.0: stored entries and directories
constexpr uint16_t VERSION_DEFLATED = 20;  // 2.0: deflate
constexpr uint16_t HOST_MSDOS_VERSION = 20;  // made by MS-DOS (host 0), format 2.0
constexpr uint32_t DOS_READONLY = 0x01;
constexpr uint32_t DOS_DIRECTORY = 0x10;
constexpr uint32_t DOS_ARCHIVE = 0x20;
constexpr uint64_t ENTRY_SIZE_LIMIT = 0xFFFFFFFFull;  // sizes are 32-bit without ZIP64

struct Found {
  std::string path;  // relative, UTF-8, '/' separators; directories end with '/'
  std::string full;
  HostStatus info;
};

// Collects the tree below `root` (relative path `prefix`). Symbolic links to files are
// followed; links to directories (and Windows junctions), devices, pipes and sockets are
// reported and left out, so the walk neither loops nor blocks on a pipe.
void walk(const std::string& root, const std::string& prefix, const InputOptions& options,
          std::vector<Found>& found, Reporter& reporter, int depth) {
  std::string directory = prefix.empty() ? root : root + "/" + prefix;
  std::vector<std::string> names;
  if (!hostListDirectory(directory, names)) {
    reporter.error("cannot read the directory " + directory);
    return;
  }
  for (const std::string& name : names) {
    Found f;
    f.full = directory + "/" + name;
    std::string relative = prefix.empty() ? name : prefix + "/" + name;
    // The output itself (an earlier build, or this build's temporary file) is never packed.
    if (!options.ownOutput.empty() &&
        (relative == options.ownOutput || relative.compare(0, options.ownOutput.size() + 7, options.ownOutput + ".mksfx-") == 0)) {
      continue;
    }
    if (!hostStatus(f.full, f.info)) {
      reporter.warning(relative + ": cannot be read; left out");
      continue;
    }
    if (f.info.kind == HostKind::Directory) {
      if (f.info.link) {
        reporter.warning(relative + ": a symbolic link to a directory; left out");
        continue;
      }
      if (depth > 128) {
        reporter.error(relative + ": the tree is nested too deeply");
        continue;
      }
      f.path = relative + "/";
      if (excluded(f.path, options.excludes)) continue;
      found.push_back(f);
      walk(root, relative, options, found, reporter, depth + 1);
    } else if (f.info.kind == HostKind::File) {
      f.path = relative;
      if (excluded(f.path, options.excludes)) continue;
      found.push_back(f);
    } else {
      reporter.warning(relative + ": not a regular file or directory; left out");
    }
  }
}

bool makeEntry(const Found& f, int level, ZipEntry& entry, Reporter& reporter) {
  bool isDirectory = f.path.back() == '/';
  if (!utf8ToCp932(f.path, entry.name)) {
    reporter.unextractable(noCp932FormText(f.path, "\"" + escapeControls(f.path, false) + "\""));
    entry.name = f.path;
  }
  entry.versionMade = HOST_MSDOS_VERSION;
  unixToDosDateTime(f.info.modified, entry.date, entry.time);
  uint32_t attributes = isDirectory ? DOS_DIRECTORY : DOS_ARCHIVE;
  if (f.info.readOnly) attributes |= DOS_READONLY;
  entry.externalAttributes = attributes;
  if (isDirectory) {
    entry.versionNeeded = VERSION_STORED;
    entry.method = METHOD_STORED;
    return true;
  }
  if (f.info.size >= ENTRY_SIZE_LIMIT) {
    reporter.error(f.path + ": larger than 4 GB; the stub reads no ZIP64 archives");
    return false;
  }
  // The file is read and deflated when the archive is written (so one file at a time is in
  // memory, and only in pieces); a file that cannot be opened is refused now.
  if (!hostReadable(f.full)) {
    reporter.error(f.path + ": cannot be read");
    return false;
  }
  entry.sourcePath = f.full;
  entry.packSource = true;
  entry.packLevel = level;
  entry.method = level > 0 ? METHOD_DEFLATE : METHOD_STORED;  // until the writer knows
  entry.versionNeeded = level > 0 ? VERSION_DEFLATED : VERSION_STORED;
  return true;
}

}  // namespace

bool readDirectoryInput(const std::string& path, const InputOptions& options, ZipArchive& archive,
                        Reporter& reporter) {
  std::vector<Found> found;
  walk(path, "", options, found, reporter, 0);
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.path < b.path; });
  // The files are packed when the archive is written, which shows the progress.
  for (const Found& f : found) {
    ZipEntry entry;
    if (makeEntry(f, options.level, entry, reporter)) archive.entries.push_back(std::move(entry));
  }
  return reporter.errors() == 0;
}
