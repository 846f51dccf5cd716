// The target folder model: paths folded as Windows folds names, each remembered as a file
// or a directory with the entry that made it.
#include "zip/target_folder.h"

#include <cstddef>
#include <vector>

#include "base/code_page.h"

char32_t windowsUpperCase(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 0x20;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;  // Latin-1 letters
  if (c == 0xFF) return 0x178;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;  // Greek
  if (c == 0x3C2) return 0x3A3;                                  // final sigma
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;                 // Cyrillic
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;                 // Cyrillic with marks (ё ...)
  if (c >= 0x2170 && c <= 0x217F) return c - 0x10;               // small Roman numerals
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;               // full-width Latin
  return c;
}

namespace {

// The components of a name as folded code points; a name that ends in a separator gets
// `directory`.
std::vector<std::u32string> foldedComponents(const std::string& cp932, bool& directory) {
  std::vector<std::u32string> parts(1);
  directory = false;
  for (size_t i = 0; i < cp932.size();) {
    size_t n = cp932CharLength(cp932, i);
    bool separator = n == 1 && (cp932[i] == '/' || cp932[i] == '\\');
    if (separator) {
      parts.emplace_back();
    } else {
      std::string utf8 = cp932ToUtf8(cp932.substr(i, n));
      for (size_t k = 0; k < utf8.size();) {
        Utf8Char c = decodeUtf8(utf8, k);
        parts.back() += windowsUpperCase(c.value);
        k += c.length;
      }
    }
    i += n;
  }
  if (parts.size() > 1 && parts.back().empty()) {
    parts.pop_back();
    directory = true;
  }
  // A "." component names the folder it stands in ("./a.txt" is "a.txt"); a file's own
  // last component stays, as the name checks refuse it.
  for (size_t k = 0; k < parts.size();) {
    bool keep = parts[k] != U"." || (k + 1 == parts.size() && !directory);
    if (keep) ++k;
    else parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(k));
  }
  return parts;
}

}  // namespace

std::string TargetFolder::add(const std::string& path, const std::string& entry) {
  bool directory;
  std::vector<std::u32string> parts = foldedComponents(path, directory);
  std::u32string key;
  for (size_t k = 0; k < parts.size(); ++k) {
    bool last = k + 1 == parts.size();
    if (k > 0) key += U'/';
    key += parts[k];
    bool isDirectory = !last || directory;
    auto found = nodes_.find(key);
    if (found == nodes_.end()) {
      nodes_.emplace(key, Node{isDirectory, entry});
      continue;
    }
    Node& node = found->second;
    if (node.directory != isDirectory) {
      return "entries \"" + shownName(node.entry) + "\" and \"" + shownName(entry) + "\" need \"" +
             shownName(node.directory ? entry : node.entry) +
             "\" to be a file and a directory at once on Windows; one of them would be lost";
    }
    if (last && !isDirectory) {
      return "entries \"" + shownName(node.entry) + "\" and \"" + shownName(entry) +
             "\" name the same file on Windows; the later one meets the earlier";
    }
  }
  return std::string();
}

std::string lastComponent(const std::string& cp932, bool& directory) {
  size_t start = 0;
  directory = false;
  for (size_t i = 0; i < cp932.size();) {
    size_t n = cp932CharLength(cp932, i);
    bool separator = n == 1 && (cp932[i] == '/' || cp932[i] == '\\');
    i += n;
    if (separator) start = i;
    directory = separator;
  }
  return cp932.substr(start);
}
