// The checks that apply to every entry of a build whatever its input: what the stub
// extracts (methods, versions, encryption), where it would put the entry (its name, and
// names that are one file on Windows), and what the format can hold at all.
#include "archive/zip_format.h"
#include "base/code_page.h"
#include "zip/extra_fields.h"
#include "zip/target_folder.h"
#include "zip/zip_archive.h"

namespace {

constexpr uint16_t METHOD_AES = 99;             // WinZip AES: the real method is in the 0x9901 field
constexpr uint16_t EXTRA_AES = 0x9901;
constexpr uint16_t GPF_STRONG_ENCRYPTION = 0x0040;
// A Unix writer keeps the file's mode in the upper half of the external attributes; a
// symbolic link's stored bytes are its target's path.
constexpr uint32_t UNIX_TYPE_MASK = 0170000;
constexpr uint32_t UNIX_SYMLINK = 0120000;

bool isUnixSymlink(const ZipEntry& e) {
  return (e.versionMade >> 8) == HOST_UNIX && ((e.externalAttributes >> 16) & UNIX_TYPE_MASK) == UNIX_SYMLINK;
}

}  // namespace

void checkEntries(const ZipArchive& archive, Reporter& reporter) {
  // The end record counts entries in 16 bits; more would need ZIP64.
  if (archive.entries.size() > 0xFFFF) {
    reporter.error("more than 65,535 entries; the stub reads no ZIP64 archives");
  }
  for (const ZipEntry& e : archive.entries) {
    std::string shown = shownName(e.name);
    std::string reason = entryNameProblem(e.name);
    if (!reason.empty()) reporter.unextractable("entry \"" + shown + "\": " + reason);
    if (e.method != 0 && e.method != 8 && e.method != 9 && e.method != METHOD_AES) {
      reporter.unextractable("entry \"" + shown + "\": compression method " + std::to_string(e.method) + " (" +
                             methodName(e.method) + ") cannot be extracted by the stub");
    }
    if (isUnixSymlink(e)) {
      reporter.unextractable("entry \"" + shown +
                             "\": a symbolic link, which the stub writes as a file holding the path it points to");
    }
    if (e.versionNeeded > 25) {
      reporter.unextractable("entry \"" + shown + "\": needs version " + std::to_string(e.versionNeeded / 10) + "." +
                             std::to_string(e.versionNeeded % 10) + " to extract; the stub skips it");
    }
    if (e.method == METHOD_AES || hasExtraField(e.centralExtra, EXTRA_AES) || hasExtraField(e.localExtra, EXTRA_AES)) {
      reporter.unextractable("entry \"" + shown + "\": AES encryption, which the stub cannot decrypt");
    } else if (e.flags & GPF_STRONG_ENCRYPTION) {
      reporter.unextractable("entry \"" + shown + "\": strong encryption, which the stub cannot decrypt");
    }
    if (e.name.size() > 0xFFFF || e.localExtra.size() > 0xFFFF || e.centralExtra.size() > 0xFFFF ||
        e.comment.size() > 0xFFFF) {
      reporter.error("entry \"" + shown + "\": a name, extra field or comment is too long for the format");
    }
  }
  if (archive.comment.size() > 0xFFFF) {
    reporter.error("the archive comment is " + std::to_string(archive.comment.size()) +
                   " bytes in code page 932; the end record holds at most 65,535");
  }
  // The stub looks for the end record backwards from the end of its file, so a signature
  // inside the comment, which follows the record, would be taken for it.
  const char endSignature[] = {'P', 'K', 5, 6};
  if (archive.comment.find(std::string(endSignature, 4)) != std::string::npos) {
    reporter.error("the archive comment holds the end record signature PK\\5\\6; the stub would take it for the end record");
  }
}


void checkTargetFolder(const ZipArchive& archive, bool subdirs, Reporter& reporter) {
  TargetFolder folder;
  for (const ZipEntry& e : archive.entries) {
    std::string path = e.name;
    if (!subdirs) {
      // Without subdirectories the stub skips directory entries and puts every file in
      // the extraction directory under its last component.
      bool directory;
      path = lastComponent(path, directory);
      if (directory) continue;
    }
    std::string problem = folder.add(path, e.name);
    if (!problem.empty()) reporter.unextractable(problem);
  }
}
