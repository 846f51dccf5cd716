// The stub's resources as the builder reads and rewrites them: the resource tree of a PE
// image (type, name, language, data), the icon, the version record and the application
// manifest. An author's SFX gets the author's icon, product names and execution level; the
// stub's code is not touched.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/reporter.h"

// What `build` changes in the stub's resources; nothing when every field is empty.
struct ResourceEdits {
  std::string icon;      // path of an .ico file
  std::string iconFile;  // or the bytes of one (an SFX's icon, a settings file's icon-data)
  std::vector<std::pair<std::string, std::string>> versionStrings;  // key, UTF-8 value
  std::string manifestLevel;  // asInvoker or requireAdministrator
  bool any() const {
    return !icon.empty() || !iconFile.empty() || !versionStrings.empty() || !manifestLevel.empty();
  }
};

// What a program shows Windows about itself: its icon, version record and manifest level,
// read from the resources of the program image at the start of a file.
struct IconSize {
  int width, height, bits;
};
struct ProgramIdentity {
  std::string iconFile;         // the first group icon as the bytes of an .ico file; empty: none
  std::vector<IconSize> icons;  // its images
  bool hasVersion = false;
  std::string fileVersion, productVersion;  // of the record's fixed part ("2.1.0.3"), may be empty
  std::vector<std::pair<std::string, std::string>> versionStrings;  // the first string table (UTF-8)
  std::string manifestLevel;  // "(no manifest)", "(none named)" or the level
};
// False, with `problem`, when the image has no resource tree that can be read.
bool readProgramIdentity(const std::string& image, ProgramIdentity& identity, std::string& problem);
// The start of the file at `path` that holds its program image (the configuration block
// lies below 300,000 bytes, so the image ends before 1 MiB).
std::string programImageOf(const std::string& path);

// The version keys an author may set, and the same as a list for messages.
bool isVersionKey(const std::string& key);
extern const char* const VERSION_KEY_LIST;
// The version key that names the program's file; a build sets it to the output's name.
constexpr char ORIGINAL_FILENAME_KEY[] = "OriginalFilename";
// False when `level` is not an execution level the builder writes.
bool isManifestLevel(const std::string& level);

// Rewrites the resources of `stub` (a PE32 image) with `edits`. Errors go to `reporter`;
// `stub` is changed only when there are none. `originalFilename` (may be empty) is the
// output's file name, set unless the edits name one; a stub without a version record
// keeps it unset.
void applyResourceEdits(std::string& stub, const ResourceEdits& edits, const std::string& originalFilename,
                        Reporter& reporter);

// Prints the resources an SFX shows to Windows (icon images, version strings, manifest
// level) for `mksfx show`, from the program image at the start of the file at `path`.
void showResources(const std::string& path);
// The file version of a program's version record ("1.1.0.0"); empty when it has none.
std::string programFileVersion(const std::string& image);
