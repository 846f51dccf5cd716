// The checks of a build's settings that guard against surprises for the end user: no
// default directory (the end user is offered the temporary directory), an extension whose
// association the stub would take over from the system, program group commands that the
// program manager does not take; and the wildcard exclusion and the output's place inside
// its own input tree.
#include <fnmatch.h>
#include <limits.h>
#include <stdlib.h>

#include <cctype>
#include <cstdio>

#include "build_options.h"

namespace {

// Extensions that Windows and common programs own: registering one makes the stub delete
// the existing key tree of the association.
const char* const SYSTEM_EXTENSIONS[] = {
    "txt", "exe", "com", "bat", "cmd", "lnk", "pif", "scr", "dll", "sys", "ini", "inf", "reg", "hlp", "chm",
    "htm", "html", "url", "jpg", "jpeg", "png", "gif", "bmp", "ico", "pdf", "zip", "doc", "xls", "ppt",
    "rtf", "wav", "mid", "mp3", "avi", "js", "vbs", "msi", "cab", "xml", "log", "csv",
};

std::vector<std::string> splitBars(const std::string& text) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == '|') parts.emplace_back(); else parts.back() += c;
  }
  return parts;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string realDirectory(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

}  // namespace

bool excluded(const std::string& path, const std::vector<std::string>& patterns) {
  if (patterns.empty()) return false;
  std::string p = path;
  while (!p.empty() && p.back() == '/') p.pop_back();
  std::vector<std::string> candidates;
  for (size_t at = p.find('/'); at != std::string::npos; at = p.find('/', at + 1)) {
    candidates.push_back(p.substr(0, at));
  }
  candidates.push_back(p);
  candidates.push_back(p.substr(p.rfind('/') == std::string::npos ? 0 : p.rfind('/') + 1));
  for (const std::string& pattern : patterns) {
    for (const std::string& c : candidates) {
      if (fnmatch(pattern.c_str(), c.c_str(), 0) == 0) return true;
    }
  }
  return false;
}

void warnAboutDefaults(const BuildOptions& o, Problems& problems) {
  if (o.directory.empty()) {
    problems.warning("no --dir: the end user will be offered the temporary directory to extract into");
  }
  std::vector<std::string> pairs = splitBars(o.extensions);
  for (size_t i = 0; o.hasExtensions && !o.extensions.empty() && i < pairs.size(); i += 2) {
    size_t dot = pairs[i].find('.');
    std::string extension = dot == std::string::npos ? std::string() : lower(pairs[i].substr(dot + 1));
    for (const char* common : SYSTEM_EXTENSIONS) {
      if (extension == common) {
        problems.warning("--extensions: ." + extension + " is a common system extension; registering it makes the "
                         "stub replace the association Windows or another program has for it");
      }
    }
  }
  std::vector<std::string> group = splitBars(o.group);
  for (size_t i = 1; o.hasGroup && i < group.size(); ++i) {
    const std::string& command = group[i];
    if (command.empty() || command.front() != '[' || command.back() != ']') {
      problems.warning("--group: the command \"" + command + "\" is not in the program manager's bracketed form, "
                       "such as [AddItem(%0APP.EXE,My App)]");
    }
  }
}

std::string outputInsideInput(const std::string& input, const std::string& output) {
  std::string root = realDirectory(input);
  size_t slash = output.rfind('/');
  std::string folder = realDirectory(slash == std::string::npos ? "." : output.substr(0, slash + 1));
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
