// The shell's wildcards on UTF-8 text, one matcher for every host: '*', '?', [set], [!set],
// [a-z] and '\' quoting, where '?' and a bracket take a whole character (a Japanese one
// too); and the exclusion of a path by its leading directories or its last component.
#include "base/wildcard.h"

#include "base/code_page.h"

namespace {

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
    Utf8Char low = decodeUtf8(pattern, i);
    uint32_t high = low.value;
    i += low.length;
    if (i + 1 < pattern.size() && pattern[i] == '-' && pattern[i + 1] != ']') {
      ++i;
      if (pattern[i] == '\\' && i + 1 < pattern.size()) ++i;
      Utf8Char last = decodeUtf8(pattern, i);
      high = last.value;
      i += last.length;
    }
    if (c >= low.value && c <= high) matched = true;
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
    Utf8Char c = decodeUtf8(text, t);
    size_t n = c.length;
    bool step = false;
    size_t next = p;
    if (p < pattern.size()) {
      bool matched = false;
      size_t end = 0;
      if (pattern[p] == '?') {
        step = true;
        next = p + 1;
      } else if (pattern[p] == '[' && matchBracket(pattern, p, c.value, end, matched)) {
        step = matched;
        next = end;
      } else {
        size_t q = pattern[p] == '\\' && p + 1 < pattern.size() ? p + 1 : p;
        size_t m = decodeUtf8(pattern, q).length;
        step = pattern.compare(q, m, text, t, m) == 0 && m == n;
        next = q + m;
      }
    }
    if (step) {
      p = next;
      t += n;
    } else if (starP != std::string::npos) {
      p = starP;
      starT += decodeUtf8(text, starT).length;
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
  bool directory = !p.empty() && p.back() == '/';
  while (!p.empty() && p.back() == '/') p.pop_back();
  // Each candidate with whether it names a directory (leading directories always do). A
  // leading directory is tried by its path and by its own name, so ".git" leaves out
  // "lib/.git/config" of a ZIP input as the walk of a directory input does.
  std::vector<std::pair<std::string, bool>> candidates;
  size_t start = 0;
  for (size_t at = p.find('/'); at != std::string::npos; start = at + 1, at = p.find('/', at + 1)) {
    candidates.emplace_back(p.substr(0, at), true);
    if (start > 0) candidates.emplace_back(p.substr(start, at - start), true);
  }
  candidates.emplace_back(p, directory);
  candidates.emplace_back(p.substr(p.rfind('/') == std::string::npos ? 0 : p.rfind('/') + 1), directory);
  for (const std::string& pattern : patterns) {
    // A pattern ending in '/' ("build/") names directories only.
    std::string bare = pattern;
    bool directoriesOnly = false;
    while (!bare.empty() && bare.back() == '/') bare.pop_back(), directoriesOnly = true;
    for (const auto& c : candidates) {
      if ((c.second || !directoriesOnly) && wildcardMatches(bare, c.first)) return true;
    }
  }
  return false;
}
