// The builder's command line: one parser for every command (GNU getopt_long, so options
// take "--opt=value" or "--opt value", short options cluster, "--" ends the options, and
// options and operands may come in any order), the help text of each command built from
// the same table that drives the parser, and the exit statuses every command shares.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "base/json.h"
#include "base/reporter.h"
#include "base/terminal.h"

constexpr char MKSFX_VERSION[] = "1.1.0";

// One option of a command. `help` explains it (lines separated by '\n', an example on a
// line of its own); `value` names its value ("DIR") or is null for a switch.
struct OptionSpec {
  const char* name;    // the long name without "--"
  char letter;         // the short form, 0 for none
  const char* value;
  const char* help;
};

struct CommandSpec {
  const char* name;        // "build"
  const char* synopsis;    // the usage line after "mksfx "
  const char* summary;     // what the command does, one paragraph
  std::vector<OptionSpec> options;  // -h, -q and -v are added to every command
  int minOperands;
  int maxOperands;
  const char* operandName;  // for "FILE.exe is missing"
  const char* notes;        // more text after the options (syntax, examples); may be null
};

// The options given, in command-line order, by long name; switches have an empty value.
struct Arguments {
  std::vector<std::pair<std::string, std::string>> given;
  std::vector<std::string> operands;
  bool has(const std::string& name) const;
  std::string value(const std::string& name) const;  // the last one given
  std::vector<std::string> values(const std::string& name) const;
};

// Parses argv (argv[0] is the command's name). Returns -1 when the command should run;
// otherwise the status to end with: STATUS_OK after --help, STATUS_USAGE after a usage error
// (the reason, then the usage line, on standard error).
int parseArguments(const CommandSpec& spec, int argc, char** argv, Arguments& out);

// Prints "mksfx CMD: REASON", the usage line and where the help is; returns STATUS_USAGE.
int usageError(const CommandSpec& spec, const std::string& reason);
// The reason of the last usage error (for a --json document); empty before one.
std::string lastUsageError();
// True when `option` ("--json") stands among the options, before any "--".
bool optionGiven(int argc, char** argv, const char* option);
void printHelp(const CommandSpec& spec, std::FILE* to);

// "1 entry", "2 entries".
std::string counted(size_t n, const char* one, const char* many);

// The help text that ends every command's help: the exit statuses.
extern const char* const EXIT_STATUS_HELP;

// The command tables (each beside its command).
extern const CommandSpec BUILD_COMMAND;
extern const CommandSpec SHOW_COMMAND;
extern const CommandSpec TEST_COMMAND;
extern const CommandSpec EXTRACT_COMMAND;
