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

// Fills `o` from the parsed command line; false (after printing the usage error) when a
// value is not one the option takes.
bool buildOptionsFrom(const Arguments& arguments, BuildOptions& o);

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
// A block and an archive comment (code page 932) in the settings file form.
std::string settingsText(const ConfigBlock& block, const std::string& comment);
// The settings a build runs with: those of an SFX input (unless --reset-config), then those
// of --config FILE, then the command line's. False after a usage error.
bool mergeSettings(const Arguments& commandLine, Arguments& merged);
