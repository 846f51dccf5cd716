// mksfx: the archive author's tool. `build` makes a self-extracting file from the stub, a
// configuration block and a ZIP archive (or a directory); `show` prints what such a file
// holds; `test` and `extract` run the stub's own session and engine on it headlessly.
#include <cstdio>
#include <cstring>

#include "mksfx.h"

namespace {

const char* const USAGE =
    "usage: mksfx build -o OUT.exe [options] INPUT     make a self-extracting file\n"
    "       mksfx show FILE.exe                         print its configuration and entries\n"
    "       mksfx test FILE.exe [--password P]          test every entry with the stub's engine\n"
    "       mksfx extract FILE.exe -d DIR [--overwrite ask|always|never] [--password P]\n"
    "                                                   extract it with the stub's engine\n"
    "Run \"mksfx build\" without arguments for the build options.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0) {
    std::fprintf(argc < 2 ? stderr : stdout, "%s", USAGE);
    return argc < 2 ? 2 : 0;
  }
  const char* command = argv[1];
  if (std::strcmp(command, "build") == 0) return commandBuild(argc - 2, argv + 2);
  if (std::strcmp(command, "show") == 0) return commandShow(argc - 2, argv + 2);
  if (std::strcmp(command, "test") == 0) return commandRun(argc - 2, argv + 2, true);
  if (std::strcmp(command, "extract") == 0) return commandRun(argc - 2, argv + 2, false);
  std::fprintf(stderr, "mksfx: unknown command \"%s\"\n%s", command, USAGE);
  return 2;
}
