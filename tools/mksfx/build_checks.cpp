// The checks of a build's settings that guard against surprises for the end user: no
// default directory (the end user is offered the temporary directory), an extension whose
// association the stub would take over from the system, program group commands that the
// program manager does not take; and the output's place inside its own input tree.
#include <cctype>
#include <cstdio>

#include "base/code_page.h"
#include "build_options.h"
#include "host/host.h"

namespace {

// Extensions that Windows and common programs own: registering one makes the stub delete
// the existing key tree of the association.
const char* const SYSTEM_EXTENSIONS[] = {
    "txt", "exe", "com", "bat", "cmd", "lnk", "pif", "scr", "dll", "sys", "ini", "inf", "reg", "hlp", "chm",
    "htm", "html", "url", "jpg", "jpeg", "png", "gif", "bmp", "ico", "pdf", "zip", "doc", "xls", "ppt",
    "rtf", "wav", "mid", "mp3", "avi", "js", "vbs", "msi", "cab", "xml", "log", "csv",
};

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

void warnAboutDefaults(const BuildOptions& o, Reporter& reporter) {
  if (o.directory.empty()) {
    reporter.warning("no --dir: the end user will be offered the temporary directory to extract into");
  }
  std::vector<std::string> pairs = splitBarList(o.extensions, TextCode::Utf8);
  for (size_t i = 0; o.hasExtensions && !o.extensions.empty() && i < pairs.size(); i += 2) {
    size_t dot = pairs[i].find('.');
    std::string extension = dot == std::string::npos ? std::string() : lower(pairs[i].substr(dot + 1));
    for (const char* common : SYSTEM_EXTENSIONS) {
      if (extension == common) {
        reporter.warning("--extensions: ." + extension + " is a common system extension; registering it makes the "
                         "stub replace the association Windows or another program has for it");
      }
    }
  }
  std::vector<std::string> group = splitBarList(o.group, TextCode::Utf8);
  for (size_t i = 1; o.hasGroup && i < group.size(); ++i) {
    const std::string& command = group[i];
    if (command.empty() || command.front() != '[' || command.back() != ']') {
      reporter.warning("--group: the command \"" + command + "\" is not in the program manager's bracketed form, "
                       "such as [AddItem(%0APP.EXE,My App)]");
    }
  }
}

std::string outputInsideInput(const std::string& input, const std::string& output) {
  std::string root = hostRealPath(input);
  size_t slash = output.find_last_of(HOST_SEPARATORS);
  std::string folder = hostRealPath(slash == std::string::npos ? "." : output.substr(0, slash + 1));
  if (root.empty() || folder.empty()) return std::string();
  std::string name = output.substr(slash == std::string::npos ? 0 : slash + 1);
  if (folder == root) return name;
  if (folder.compare(0, root.size() + 1, root + "/") == 0) return folder.substr(root.size() + 1) + "/" + name;
  return std::string();
}

void listEntries(const ZipArchive& archive) {
  for (const ZipEntry& e : archive.entries) {
    std::printf("  %10u %10u  %-9s  %s\n", e.uncompressedSize, e.compressedSize, methodName(e.method).c_str(),
                shownName(e.name).c_str());
  }
}
