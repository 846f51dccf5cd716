// Which stub a build uses: the one named by --stub, else the one named by $SFX_STUB, else
// the one installed with this program (../share/mksfx/sfxstub.exe from the folder that holds
// mksfx), else one beside it (the build tree's layout, where mksfx.exe and sfxstub.exe
// share a folder too). The program's own folder comes from the system, so a copied or
// installed mksfx finds the stub installed with it and no build path is compiled in.
#include "commands.h"
#include "host/host.h"

namespace {

std::vector<std::string> installedCandidates() {
  std::vector<std::string> candidates;
  std::string folder = hostOwnFolder();
  if (!folder.empty()) {
    candidates.push_back(folder + "/../share/mksfx/sfxstub.exe");
    candidates.push_back(folder + "/sfxstub.exe");
  }
  return candidates;
}

}  // namespace

std::string findStub(const std::string& option) {
  if (!option.empty()) return option;
  // A variable that is set wins even when its file is missing: the author named a stub, so
  // a fall-back to another one would build with a stub nobody chose.
  std::string named;
  if (hostEnvironment("SFX_STUB", named)) return named;
  for (const std::string& c : installedCandidates()) {
    if (hostIsFile(c)) return c;
  }
  return std::string();
}

std::string locateStub(const std::string& option, Reporter& reporter) {
  std::string found = findStub(option);
  if (!found.empty()) return found;
  std::vector<std::string> candidates = installedCandidates();
  std::string tried;
  for (const std::string& c : candidates) tried += "\n  " + c;
  reporter.error("no stub found; install mksfx with its stub, set SFX_STUB, or pass --stub FILE. Looked for:" +
                 tried);
  return std::string();
}
