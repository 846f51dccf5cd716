// Which stub a build uses: the one named by --stub, else the one named by $SFX_STUB, else
// the one installed with this program (../share/mksfx/sfxstub.exe from the folder that holds
// mksfx), else one beside it (the build tree's layout). The program's own folder comes from
// the system (/proc/self/exe), so a copied or installed mksfx finds the stub installed with
// it and no build path is compiled in.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "mksfx.h"

namespace {

bool isRegularFile(const std::string& path) {
  struct stat s;
  return stat(path.c_str(), &s) == 0 && S_ISREG(s.st_mode);
}

std::string ownFolder() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return std::string();
  std::string exe(self, static_cast<size_t>(n));
  return exe.substr(0, exe.rfind('/'));
}

}  // namespace

std::string locateStub(const std::string& option) {
  if (!option.empty()) return option;
  // A variable that is set wins even when its file is missing: the author named a stub, so
  // a fall-back to another one would build with a stub nobody chose.
  if (const char* env = std::getenv("SFX_STUB")) return env;
  std::vector<std::string> candidates;
  std::string folder = ownFolder();
  if (!folder.empty()) {
    candidates.push_back(folder + "/../share/mksfx/sfxstub.exe");
    candidates.push_back(folder + "/sfxstub.exe");
  }
  for (const std::string& c : candidates) {
    if (isRegularFile(c)) return c;
  }
  std::string tried;
  for (const std::string& c : candidates) tried += "\n  " + c;
  std::fprintf(stderr,
               "mksfx: error: no stub found; install mksfx with its stub, set SFX_STUB, or pass --stub FILE. "
               "Looked for:%s\n",
               tried.c_str());
  return std::string();
}
