// What the stub does with an entry name, decided before the name goes into the archive: the
// stub walks names as code page 932 characters, takes both '/' and '\' (outside double-byte
// characters) as separators, keeps at most 259 bytes, refuses a ':' or a leading separator,
// and Windows itself cannot create device names or names with certain characters. A name
// that would be refused, cut, or written outside the extraction directory is reported.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "base/code_page.h"
#include "zip/zip_archive.h"

namespace {

constexpr size_t NAME_MAX_BYTES = 259;  // a 260-byte path buffer with its terminating zero

// The components of a name split at '/' and '\' that are single-byte characters.
std::vector<std::string> components(const std::string& name) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < name.size();) {
    size_t n = cp932CharLength(name, i);
    if (n == 1 && (name[i] == '/' || name[i] == '\\')) {
      parts.emplace_back();
    } else {
      parts.back().append(name, i, n);
    }
    i += n;
  }
  return parts;
}

bool isDeviceName(const std::string& component) {
  std::string base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$", "CONIN$", "CONOUT$"};
  for (const char* d : devices) {
    if (base == d) return true;
  }
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

// A single-byte character that Windows does not accept in a file name.
bool isForbiddenByte(unsigned char c) { return c < 0x20 || std::strchr("<>\"|?*", c) != nullptr; }

}  // namespace

std::string entryNameProblem(const std::string& name) {
  if (name.empty()) return "the name is empty";
  if (name.size() > NAME_MAX_BYTES) return "the name is longer than 259 bytes in code page 932";
  if (name[0] == '/' || name[0] == '\\') return "the name begins with a separator (an absolute path)";
  for (size_t i = 0; i < name.size();) {
    size_t n = cp932CharLength(name, i);
    if (n == 1 && name[i] == ':') return "the name contains ':' (a drive or a stream)";
    if (n == 1 && isForbiddenByte(static_cast<unsigned char>(name[i]))) {
      char shown[16];
      unsigned char c = static_cast<unsigned char>(name[i]);
      std::snprintf(shown, sizeof shown, c < 0x20 ? "U+%04X" : "'%c'", c);
      return std::string("the name contains ") + shown + ", a character that Windows does not allow in file names";
    }
    i += n;
  }
  if (name.find('\\') != std::string::npos) {
    bool single = false;
    for (size_t i = 0; i < name.size(); i += cp932CharLength(name, i)) {
      if (cp932CharLength(name, i) == 1 && name[i] == '\\') single = true;
    }
    if (single) return "the name contains '\\', which the stub takes as a separator";
  }
  std::vector<std::string> parts = components(name);
  for (size_t k = 0; k < parts.size(); ++k) {
    const std::string& part = parts[k];
    bool last = k + 1 == parts.size();
    if (part == "..") return "the name has a '..' component (it would leave the extraction directory)";
    if (part.empty() && !last) return "the name has an empty component";
    // "." names the folder it stands in, as Windows resolves it: "./a.txt" (the names of
    // an archive made from ".") is "a.txt". A file named "." would be the folder itself.
    if (part == "." && !last) continue;
    if (isDeviceName(part)) return "the name uses a device name (" + part + ")";
    if (!part.empty() && (part.back() == '.' || part.back() == ' '))
      return "a component ends in a dot or a blank, which Windows drops";
  }
  return std::string();
}

bool hasDirectories(const ZipArchive& archive) {
  constexpr uint32_t DOS_DIRECTORY = 0x10;  // the directory bit of the DOS attributes
  for (const ZipEntry& e : archive.entries) {
    if (components(e.name).size() > 1 || (e.externalAttributes & DOS_DIRECTORY)) return true;
  }
  return false;
}

// Windows paths hold at most 259 bytes in code page 932 (a 260-byte buffer with its zero);
// the stub joins the extraction directory, a separator and the entry's path (its last
// component only when subdirectories are off).
void checkPathLengths(const ZipArchive& archive, const std::string& directory, bool subdirs, Reporter& reporter) {
  bool absolute = directory.size() >= 2 && directory[1] == ':';
  std::string base = absolute ? directory : "C:\\" + directory;
  if (base.back() != '\\' && base.back() != '/') base += '\\';
  for (const ZipEntry& e : archive.entries) {
    std::vector<std::string> parts = components(e.name);
    if (!parts.empty() && parts.back().empty()) parts.pop_back();
    if (parts.empty()) continue;
    size_t length = base.size();
    if (subdirs) {
      for (const std::string& part : parts) length += part.size() + 1;
      --length;
    } else {
      length += parts.back().size();
    }
    if (length > NAME_MAX_BYTES) {
      reporter.unextractable("entry \"" + shownName(e.name) + "\": its path under " + cp932ToUtf8(base) + " is " +
                             std::to_string(length) + " bytes in code page 932; Windows paths hold at most 259");
    }
  }
}
