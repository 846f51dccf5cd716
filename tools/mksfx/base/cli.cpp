// The one command-line parser of the builder. Each command describes its options in a
// table (CommandSpec); the parser turns the table into getopt_long's arrays, so every
// command accepts the same forms, and the help text is printed from the same table, so
// what --help says and what the parser takes cannot drift apart.
#include "base/cli.h"

#include <getopt.h>

#include <cstring>

const char* const EXIT_STATUS_HELP =
    "Exit statuses (the same for every command):\n"
    "  0  all good\n"
    "  1  finished with warnings: an entry skipped, failed its CRC check or not created, a\n"
    "     password that did not fit, a configuration block that was rejected, or (build) a\n"
    "     warning printed while the file was written\n"
    "  2  the input or the SFX is damaged or unusable, or standard output could not be\n"
    "     written; a build writes nothing\n"
    "  3  usage error (the reason is printed before the usage line)\n"
    "  4  cancelled (Ctrl-C, SIGTERM or SIGHUP, a closed console window or output pipe, or\n"
    "     \"quit\" answered to a question); a partly written file is removed, and what was\n"
    "     left as it was is named\n";

namespace {

const OptionSpec COMMON_OPTIONS[] = {
    {"help", 'h', nullptr, "Print this help and end with status 0."},
    {"quiet", 'q', nullptr,
     "Print only warnings and errors (and the summary line that counts them): no progress,\n"
     "no entry list, no notice of the stub on a clean run."},
    {"verbose", 'v', nullptr,
     "Print more detail (every entry built; on a terminal, every entry tested or extracted,\n"
     "where a progress line stands for them otherwise)."},
};

constexpr int LONG_ONLY_BASE = 256;  // getopt_long values of options without a letter

// The table of a command with the common options behind its own.
std::vector<OptionSpec> allOptions(const CommandSpec& spec) {
  std::vector<OptionSpec> all = spec.options;
  for (const OptionSpec& o : COMMON_OPTIONS) all.push_back(o);
  return all;
}

// A letter '0' stands for the ten digit options -0 ... -9 (the compression level).
bool isDigitOption(const OptionSpec& o) { return o.letter == '0'; }

std::string optionForms(const OptionSpec& o) {
  std::string text = "  ";
  if (isDigitOption(o)) text += "-0 ... -9, ";
  else if (o.letter) text += std::string("-") + o.letter + ", ";
  else text += "    ";
  text += std::string("--") + o.name;
  if (o.value) text += std::string("=") + o.value;
  return text;
}

// The spec index of a getopt_long value; -1 for none of ours.
int indexOf(const std::vector<OptionSpec>& options, int value) {
  if (value >= LONG_ONLY_BASE) {
    return value - LONG_ONLY_BASE < static_cast<int>(options.size()) ? value - LONG_ONLY_BASE : -1;
  }
  for (size_t i = 0; i < options.size(); ++i) {
    if (options[i].letter == value && value != 0) return static_cast<int>(i);
    if (isDigitOption(options[i]) && value >= '0' && value <= '9') return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

std::string counted(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool Arguments::has(const std::string& name) const {
  for (const auto& g : given) {
    if (g.first == name) return true;
  }
  return false;
}

std::string Arguments::value(const std::string& name) const {
  std::string last;
  for (const auto& g : given) {
    if (g.first == name) last = g.second;
  }
  return last;
}

std::vector<std::string> Arguments::values(const std::string& name) const {
  std::vector<std::string> all;
  for (const auto& g : given) {
    if (g.first == name) all.push_back(g.second);
  }
  return all;
}

namespace {
std::string lastUsageReason;
}  // namespace

std::string lastUsageError() { return lastUsageReason; }

bool optionGiven(int argc, char** argv, const char* option) {
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], option) == 0) return true;
  }
  return false;
}

int usageError(const CommandSpec& spec, const std::string& reason) {
  lastUsageReason = reason;
  std::fflush(stdout);
  std::fprintf(stderr, "mksfx %s: %s\nusage: mksfx %s\nRun \"mksfx help %s\" for the options.\n", spec.name,
               reason.c_str(), spec.synopsis, spec.name);
  return STATUS_USAGE;
}

void printHelp(const CommandSpec& spec, std::FILE* to) {
  std::fprintf(to, "usage: mksfx %s\n\n%s\n\nOptions:\n", spec.synopsis, spec.summary);
  for (const OptionSpec& o : allOptions(spec)) {
    std::fprintf(to, "%s\n", optionForms(o).c_str());
    const char* line = o.help;
    while (*line) {
      const char* end = std::strchr(line, '\n');
      size_t length = end ? static_cast<size_t>(end - line) : std::strlen(line);
      std::fprintf(to, "        %.*s\n", static_cast<int>(length), line);
      line += length + (end ? 1 : 0);
    }
  }
  if (spec.notes) std::fprintf(to, "\n%s", spec.notes);
  std::fprintf(to, "\n%s", EXIT_STATUS_HELP);
}

int parseArguments(const CommandSpec& spec, int argc, char** argv, Arguments& out) {
  std::vector<OptionSpec> options = allOptions(spec);
  std::vector<option> longs;
  std::string shorts = ":";  // a leading ':' makes a missing value ':' instead of '?'
  for (size_t i = 0; i < options.size(); ++i) {
    const OptionSpec& o = options[i];
    int value = o.letter && !isDigitOption(o) ? o.letter : LONG_ONLY_BASE + static_cast<int>(i);
    longs.push_back({o.name, o.value ? required_argument : no_argument, nullptr, value});
    if (isDigitOption(o)) shorts += "0123456789";
    else if (o.letter) shorts += std::string(1, o.letter) + (o.value ? ":" : "");
  }
  longs.push_back({nullptr, 0, nullptr, 0});
  opterr = 0;
  optind = 0;  // glibc: start over (and from argv[1])
  for (;;) {
    int c = getopt_long(argc, argv, shorts.c_str(), longs.data(), nullptr);
    if (c == -1) break;
    const char* given = argv[optind - 1] ? argv[optind - 1] : "";
    if (c == ':') {
      int k = indexOf(options, optopt);
      std::string name = k >= 0 ? std::string("--") + options[k].name : given;
      return usageError(spec, "option " + name + " needs a value (" + (k >= 0 ? options[k].value : "") + ")");
    }
    if (c == '?') {
      int k = optopt ? indexOf(options, optopt) : -1;
      if (k >= 0) return usageError(spec, std::string("option --") + options[k].name + " takes no value");
      bool letter = optopt && std::strncmp(given, "--", 2) != 0;
      std::string shown = letter ? std::string("-") + static_cast<char>(optopt) : given;
      return usageError(spec, "unknown or ambiguous option " + shown);
    }
    int k = indexOf(options, c);
    if (k < 0) return usageError(spec, std::string("unknown option ") + given);
    const OptionSpec& o = options[k];
    // The digit options carry their value in the letter (-9); their long form in optarg.
    bool digit = isDigitOption(o) && c >= '0' && c <= '9';
    std::string value = digit ? std::string(1, static_cast<char>(c)) : o.value ? optarg : "";
    if (std::strcmp(o.name, "help") == 0) {
      printHelp(spec, stdout);
      return STATUS_OK;
    }
    if (std::strcmp(o.name, "quiet") == 0) verbosity = Verbosity::Quiet;
    else if (std::strcmp(o.name, "verbose") == 0) verbosity = Verbosity::Verbose;
    else out.given.emplace_back(o.name, value);
  }
  for (int i = optind; i < argc; ++i) out.operands.push_back(argv[i]);
  int count = static_cast<int>(out.operands.size());
  if (count < spec.minOperands) return usageError(spec, std::string(spec.operandName) + " is missing");
  if (spec.maxOperands >= 0 && count > spec.maxOperands) {
    return usageError(spec, "more than one " + std::string(spec.operandName) + " (\"" +
                                out.operands[static_cast<size_t>(spec.maxOperands)] + "\")");
  }
  return -1;
}
