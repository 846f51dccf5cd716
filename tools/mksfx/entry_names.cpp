// What the stub does with an entry name, decided before the name goes into the archive: the
// stub walks names as code page 932 characters, takes both '/' and '\' (outside double-byte
// characters) as separators, keeps at most 259 bytes, refuses a ':' or a leading separator,
// and Windows itself cannot create device names or names with certain characters. A name
// that would be refused, cut, or written outside the extraction directory is reported.
#include <cctype>
#include <cstring>

#include "mksfx.h"

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
    if (n == 1 && isForbiddenByte(static_cast<unsigned char>(name[i])))
      return "the name contains a character that Windows does not allow in file names";
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
    if (part == ".") return "the name has a '.' component";
    if (isDeviceName(part)) return "the name uses a device name (" + part + ")";
    if (!part.empty() && (part.back() == '.' || part.back() == ' '))
      return "a component ends in a dot or a blank, which Windows drops";
  }
  return std::string();
}
