// mksfx: the archive author's tool. `build` makes a self-extracting file from the stub, a
// configuration block and a ZIP archive (or a directory); `show` prints what such a file
// holds; `test` and `extract` run the stub's own session and engine on it headlessly.
// This file picks the command and answers `help`, `--help` and `--version`.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/cli.h"
#include "base/reporter.h"
#include "commands.h"
#include "host/host.h"
#include "pe/pe_resources.h"

namespace {

const char* const OVERVIEW =
    "usage: mksfx COMMAND [options] ARGUMENTS\n"
    "\n"
    "Commands:\n"
    "  build -o OUT.exe [options] INPUT   make a self-extracting file from a ZIP or a directory\n"
    "  show FILE.exe                      print its configuration and entries\n"
    "  test FILE.exe                      test every entry with the stub's engine\n"
    "  extract FILE.exe -d DIR            extract it with the stub's engine\n"
    "  help [COMMAND]                     explain a command and all its options\n"
    "\n"
    "Options of every command: -h/--help, -q/--quiet, -v/--verbose. \"mksfx --version\"\n"
    "prints the version of mksfx and of the stub a build would use.\n"
    "Environment: SFX_STUB names the stub a build takes without --stub.\n";

const CommandSpec* const COMMANDS[] = {&BUILD_COMMAND, &SHOW_COMMAND, &TEST_COMMAND, &EXTRACT_COMMAND};

const CommandSpec* findCommand(const char* name) {
  for (const CommandSpec* c : COMMANDS) {
    if (std::strcmp(c->name, name) == 0) return c;
  }
  return nullptr;
}

int overviewError(const std::string& reason) {
  std::fprintf(stderr, "mksfx: %s\n%s", reason.c_str(), OVERVIEW);
  return STATUS_USAGE;
}

int commandHelp(int argc, char** argv) {
  if (argc < 2) {
    std::printf("%s\n%s", OVERVIEW, EXIT_STATUS_HELP);
    return STATUS_OK;
  }
  const CommandSpec* spec = findCommand(argv[1]);
  if (!spec || argc > 2) {
    return overviewError(spec ? "help takes one command" : std::string("no command \"") + argv[1] + "\"");
  }
  printHelp(*spec, stdout);
  return STATUS_OK;
}

int printVersion() {
  std::printf("mksfx %s\n", MKSFX_VERSION);
  std::fflush(stdout);
  Reporter reporter;
  std::string stub = locateStub(std::string(), reporter);
  std::string bytes;
  if (stub.empty() || !hostReadWholeFile(stub, bytes)) {
    std::printf("stub: none found (a build needs --stub FILE)\n");
  } else {
    std::string version = programFileVersion(bytes);
    std::printf("stub: %s, %zu bytes, version %s\n", stub.c_str(), bytes.size(),
                version.empty() ? "(not recorded)" : version.c_str());
  }
  return STATUS_OK;
}

int run(int argc, char** argv) {
  if (argc < 2) return overviewError("no command given");
  const char* command = argv[1];
  if (std::strcmp(command, "-h") == 0 || std::strcmp(command, "--help") == 0) return commandHelp(1, argv);
  if (std::strcmp(command, "--version") == 0 || std::strcmp(command, "-V") == 0) return printVersion();
  if (std::strcmp(command, "help") == 0) return commandHelp(argc - 1, argv + 1);
  if (std::strcmp(command, "build") == 0) return commandBuild(argc - 1, argv + 1);
  if (std::strcmp(command, "show") == 0) return commandShow(argc - 1, argv + 1);
  if (std::strcmp(command, "test") == 0) return commandRun(argc - 1, argv + 1, true);
  if (std::strcmp(command, "extract") == 0) return commandRun(argc - 1, argv + 1, false);
  return overviewError(std::string(command[0] == '-' ? "unknown option \"" : "unknown command \"") + command + "\"");
}

}  // namespace

// The commands see the arguments as UTF-8 on every host (Windows gives them as UTF-16).
int main(int argc, char** argv) {
  hostPrepareConsole();
  // Until a command begins to write (or runs the engine, which takes back its own output),
  // a request to stop has nothing to take back.
  hostEndOnInterrupt(STATUS_CANCELLED, "\nmksfx: cancelled; nothing was written\n");
  std::vector<std::string> arguments = hostArguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& a : arguments) pointers.push_back(&a[0]);
  pointers.push_back(nullptr);
  int status = run(static_cast<int>(arguments.size()), pointers.data());
  // What a command prints is its result (show --config > setup.cfg): when standard output
  // could not take it, on a full disk for one, the run has failed whatever it found.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "mksfx: cannot write to standard output: %s\n", std::strerror(errno));
    if (status < STATUS_FAILED) status = STATUS_FAILED;
  }
  return status;
}
