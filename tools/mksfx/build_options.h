// The settings of one `mksfx build`, as the command line (and a settings file) give them.
#pragma once

#include <string>
#include <vector>

#include "cli.h"
#include "mksfx.h"
#include "pe_resources.h"

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
  bool messages = false, strict = false, force = false, allowUnextractable = false;
  std::string overwrite = "ask";
  InputOptions inputOptions;
};

// Fills `o` from the parsed command line; false (after printing the usage error) when a
// value is not one the option takes.
bool buildOptionsFrom(const Arguments& arguments, BuildOptions& o);
