// The settings of one `mksfx build`, as the command line (and a settings file) give them.
#pragma once

#include <string>
#include <vector>

#include "base/cli.h"
#include "base/reporter.h"
#include "zip/zip_archive.h"
#include "pe/pe_resources.h"

class ConfigBlock;
using Settings = std::vector<std::pair<std::string, std::string>>;  // option name, value

struct BuildOptions {
  std::string output;
  std::string stub;
  std::string input;
  std::string directory;
  std::string group;
  std::string extensions;
  std::string comment;
  std::string signCommand;  // run on the finished file, "{}" standing for its path
  ResourceEdits resources;  // icon, version strings, execution level
  bool hasDirectory = false, hasGroup = false, hasExtensions = false, hasComment = false;
  int subdirs = -1;  // -1: on when the input has directories
  bool messages = false, strict = false, force = false, allowUnextractable = false, resetConfig = false;
  std::string overwrite = "ask";
  std::string config;  // --config FILE
  InputOptions inputOptions;
};

// The setting of a settings file that holds an icon itself (an .ico file in base64), as
// `mksfx show --config` writes an SFX's icon; it has no command-line option.
constexpr char ICON_DATA_SETTING[] = "icon-data";

// Fills `o` from the parsed command line; false (after printing the usage error) when a
// value is not one the option takes.
bool buildOptionsFrom(const Arguments& arguments, BuildOptions& o);
// Why `value` is not one that the option (or setting) `name` takes ("level takes one
// digit ..."); empty when it is. The command line and settings files share it.
std::string settingProblem(const std::string& name, const std::string& value);

// Warnings about settings that would surprise the end user (build_checks.cpp).
void warnAboutDefaults(const BuildOptions& o, Reporter& reporter);
// The entries as built, one line each (for -v).
void listEntries(const ZipArchive& archive);
// The output's path relative to a directory input when it lies inside it (UTF-8), else empty.
std::string outputInsideInput(const std::string& input, const std::string& output);

// Settings files and the settings of an SFX (settings_file.cpp).
// Appends the settings of a file to `given`; false with the reason (file and line).
bool readSettingsFile(const std::string& path, Settings& given, std::string& reason);
// A configuration block as settings (texts in UTF-8).
Settings settingsOfBlock(const ConfigBlock& block);
// The identity of an SFX (icon, version texts, manifest level) as settings: what differs
// from `stub`'s own (every author key when `stub` is null). The file name `sfxName` is not
// kept as its OriginalFilename, which a build sets to the output's name anyway.
Settings identitySettings(const ProgramIdentity& sfx, const ProgramIdentity* stub, const std::string& sfxName);
// The identity settings of the SFX at `path` against the stub a build would take (`stubOption`
// as --stub gives it; the usual search when empty).
Settings identityOfSfx(const std::string& path, const std::string& stubOption);
// Settings (block, identity) and an archive comment (code page 932, LF line ends) in the
// settings file form; `commentKept` is false when the comment would not read back the same.
std::string settingsText(const Settings& settings, const std::string& comment, bool& commentKept);
// The settings a build runs with: those of an SFX input (unless --reset-config), then those
// of --config FILE, then the command line's. False after a usage error.
bool mergeSettings(const Arguments& commandLine, Arguments& merged);
