// The checks of a build's settings that guard against surprises for the end user: no
// default directory (the end user is offered the temporary directory), an extension whose
// association the stub would take over from the system, program group commands that the
// program manager does not take; and the wildcard exclusion (one matcher for every host)
// and the output's place inside its own input tree.
#include <cctype>
#include <cstdio>

#include "build_options.h"
#include "host.h"

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

// The length of the UTF-8 character at text[i] (1 for a byte that starts none), so that
// '?' and a bracket take a Japanese character whole.
size_t characterLength(const std::string& text, size_t i) {
  unsigned char lead = static_cast<unsigned char>(text[i]);
  size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  for (size_t k = 1; k < n; ++k) {
    if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 1;
  }
  return n;
}

// The code point (or byte) of the character at text[i], `length` bytes long.
uint32_t characterValue(const std::string& text, size_t i, size_t length) {
  uint32_t value = static_cast<unsigned char>(text[i]);
  if (length == 1) return value;
  value &= 0x7Fu >> length;
  for (size_t k = 1; k < length; ++k) value = value << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
  return value;
}

// Matches the bracket expression at pattern[p] ('[' ... ']', '!' or '^' negating, ranges
// a-z, '\' quoting) against the character c. `end` gets the index after the ']'; false
// there when the bracket is not closed (the '[' is then an ordinary character).
bool matchBracket(const std::string& pattern, size_t p, uint32_t c, size_t& end, bool& matched) {
  size_t i = p + 1;
  bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
  if (negated) ++i;
  matched = false;
  bool first = true;
  while (i < pattern.size() && (first || pattern[i] != ']')) {
    first = false;
    if (pattern[i] == '\\' && i + 1 < pattern.size()) ++i;
    size_t n = characterLength(pattern, i);
    uint32_t low = characterValue(pattern, i, n), high = low;
    i += n;
    if (i + 1 < pattern.size() && pattern[i] == '-' && pattern[i + 1] != ']') {
      ++i;
      if (pattern[i] == '\\' && i + 1 < pattern.size()) ++i;
      size_t m = characterLength(pattern, i);
      high = characterValue(pattern, i, m);
      i += m;
    }
    if (c >= low && c <= high) matched = true;
  }
  if (i >= pattern.size()) return false;
  end = i + 1;
  matched = matched != negated;
  return true;
}

}  // namespace

// '*' takes any run of characters ('/' too), '?' one character, a bracket one of a set, '\'
// the next character as it is. The last '*' is retried one character further on each
// mismatch, which bounds the work by the product of the two lengths.
bool wildcardMatches(const std::string& pattern, const std::string& text) {
  size_t p = 0, t = 0, starP = std::string::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = ++p;
      starT = t;
      continue;
    }
    size_t n = characterLength(text, t);
    bool step = false;
    size_t next = p;
    if (p < pattern.size()) {
      bool matched = false;
      size_t end = 0;
      if (pattern[p] == '?') {
        step = true;
        next = p + 1;
      } else if (pattern[p] == '[' && matchBracket(pattern, p, characterValue(text, t, n), end, matched)) {
        step = matched;
        next = end;
      } else {
        size_t q = pattern[p] == '\\' && p + 1 < pattern.size() ? p + 1 : p;
        size_t m = characterLength(pattern, q);
        step = pattern.compare(q, m, text, t, m) == 0 && m == n;
        next = q + m;
      }
    }
    if (step) {
      p = next;
      t += n;
    } else if (starP != std::string::npos) {
      p = starP;
      starT += characterLength(text, starT);
      t = starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

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
      if (wildcardMatches(pattern, c)) return true;
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
