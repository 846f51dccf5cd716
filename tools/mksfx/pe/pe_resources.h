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
  std::string icon;  // path of an .ico file
  std::vector<std::pair<std::string, std::string>> versionStrings;  // key, UTF-8 value
  std::string manifestLevel;  // asInvoker or requireAdministrator
  bool any() const { return !icon.empty() || !versionStrings.empty() || !manifestLevel.empty(); }
};

// The version keys an author may set.
bool isVersionKey(const std::string& key);
// False when `level` is not an execution level the builder writes.
bool isManifestLevel(const std::string& level);

// Rewrites the resources of `stub` (a PE32 image) with `edits`. Errors go to `reporter`;
// `stub` is changed only when there are none.
void applyResourceEdits(std::string& stub, const ResourceEdits& edits, Reporter& reporter);

// Prints the resources an SFX shows to Windows (icon images, version strings, manifest
// level) for `mksfx show`, from the program image at the start of the file at `path`.
void showResources(const std::string& path);
// The file version of a program's version record ("1.1.0.0"); empty when it has none.
std::string programFileVersion(const std::string& image);
