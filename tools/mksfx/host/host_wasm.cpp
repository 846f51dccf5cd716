// The builder's host layer in the browser and under node (Emscripten): the files are those
// of Emscripten's in-memory file system, which the page's worker (web/mksfx-run.js) fills
// with the author's input and the stub and reads the output back from. File calls are the
// C library's over that file system; what differs from Linux:
// - Publication renames: the in-memory file system has no link(), and only this program
//   writes there, so an existing target is looked for first.
// - A new program gets the mode 0755 set outright (the umask starts at 0777 there).
// - No own folder, terminal, shell or signals: the caller names the stub with --stub,
//   nothing is asked, a signing command does not run (signing is done afterwards with the
//   command line), and the worker is ended rather than interrupted.
// - The environment (SOURCE_DATE_EPOCH, TZ) is what the caller put into it.
// - Local time: Emscripten's localtime ignores TZ and its time_t has 32 bits, so the zone
//   TZ names is asked of the JavaScript engine (Intl); a fixed zone in POSIX form
//   ("UTC0", "JST-9") is read here; without TZ the engine's own zone counts.
// - Code page 932: the C library has no CP932 (its SHIFT_JIS differs), so the tables that
//   cmake/cp932.py generates at build time are used.
#include <emscripten.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>

#include "cp932_table.h"
#include "host/host.h"

const char* const HOST_SEPARATORS = "/";

namespace {

int fdOf(intptr_t handle) { return static_cast<int>(handle); }

// Fills `parts` (year, month, day, hour, minute, second) with the local time of `seconds`
// in the IANA zone `zone`, or in the engine's own zone when it is empty; 0 when the zone is
// unknown to the engine.
EM_JS(int, zonedTime, (double seconds, const char* zone, int* parts), {
  var date = new Date(seconds * 1000);
  var name = UTF8ToString(zone);
  var values;
  if (name === "") {
    values = [date.getFullYear(), date.getMonth() + 1, date.getDate(),
              date.getHours(), date.getMinutes(), date.getSeconds()];
  } else {
    try {
      // One formatter per zone: making one costs more than a thousand uses.
      var formats = Module.zoneFormats || (Module.zoneFormats = {});
      var format = formats[name] || (formats[name] = new Intl.DateTimeFormat("en-US", {timeZone: name,
        hourCycle: "h23", year: "numeric", month: "numeric", day: "numeric",
        hour: "numeric", minute: "numeric", second: "numeric"}));
      var byType = {};
      format.formatToParts(date).forEach(function(p) { byType[p.type] = parseInt(p.value, 10); });
      values = [byType.year, byType.month, byType.day, byType.hour % 24, byType.minute, byType.second];
    } catch (e) {
      return 0;
    }
  }
  for (var i = 0; i < 6; i++) HEAP32[(parts >> 2) + i] = values[i];
  return 1;
});

// A POSIX zone without daylight saving ("UTC0", "JST-9", "EST+5", "XYZ-5:30"): its offset
// east of UTC in seconds. POSIX counts hours west, hence the sign.
bool fixedZoneOffset(const std::string& zone, int64_t& east) {
  size_t i = 0;
  while (i < zone.size() && ((zone[i] >= 'A' && zone[i] <= 'Z') || (zone[i] >= 'a' && zone[i] <= 'z'))) i++;
  if (i < 3 || i == zone.size()) return false;
  int sign = -1;
  if (zone[i] == '+' || zone[i] == '-') sign = zone[i++] == '-' ? 1 : -1;
  int hours = 0, minutes = 0, digits = 0;
  while (i < zone.size() && zone[i] >= '0' && zone[i] <= '9' && digits < 2) hours = hours * 10 + (zone[i++] - '0'), digits++;
  if (digits == 0) return false;
  if (i < zone.size() && zone[i] == ':') {
    i++;
    if (i + 2 > zone.size() || zone[i] < '0' || zone[i] > '5' || zone[i + 1] < '0' || zone[i + 1] > '9') return false;
    minutes = (zone[i] - '0') * 10 + (zone[i + 1] - '0');
    i += 2;
  }
  if (i != zone.size() || hours > 24) return false;
  east = sign * (hours * 3600 + minutes * 60);
  return true;
}

// Days since 1970-01-01 to a civil date (the proleptic Gregorian calendar).
void civilFromDays(int64_t days, int& year, int& month, int& day) {
  days += 719468;  // days from 0000-03-01 to 1970-01-01
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t dayOfEra = days - era * 146097;
  int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  int64_t monthIndex = (5 * dayOfYear + 2) / 153;  // from March
  day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

// Unicode to code page 932, built once from the decoding tables.
const uint16_t* encodingTable() {
  static uint16_t* table = nullptr;
  if (table) return table;
  table = new uint16_t[0x10000];
  for (unsigned u = 0; u < 0x10000; u++) table[u] = CP932_NONE;
  for (unsigned b = 0; b < 256; b++) {
    if (CP932_SINGLE[b] != CP932_NONE) table[CP932_SINGLE[b]] = static_cast<uint16_t>(b);
  }
  size_t skip = 0, skipCount = sizeof CP932_NOT_WRITTEN / sizeof CP932_NOT_WRITTEN[0];
  for (size_t i = 0; i < sizeof CP932_DOUBLE / sizeof CP932_DOUBLE[0]; i++) {
    unsigned leadIndex = static_cast<unsigned>(i / CP932_TRAIL_COUNT);
    unsigned lead = leadIndex < 0x1F ? 0x81 + leadIndex : 0xE0 + (leadIndex - 0x1F);
    uint16_t code = static_cast<uint16_t>(lead << 8 | (CP932_TRAIL_FIRST + i % CP932_TRAIL_COUNT));
    if (skip < skipCount && CP932_NOT_WRITTEN[skip] == code) {
      skip++;
      continue;
    }
    if (CP932_DOUBLE[i] != CP932_NONE) table[CP932_DOUBLE[i]] = code;
  }
  return table;
}

void appendUtf8(unsigned value, std::string& out) {
  if (value < 0x80) {
    out += static_cast<char>(value);
  } else if (value < 0x800) {
    out += static_cast<char>(0xC0 | value >> 6);
    out += static_cast<char>(0x80 | (value & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | value >> 12);
    out += static_cast<char>(0x80 | (value >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (value & 0x3F));
  }
}

}  // namespace

bool HostFile::openRead(const std::string& path) {
  close();
  int fd = ::open(path.c_str(), O_RDONLY);
  handle_ = fd;
  return fd >= 0;
}

bool HostFile::createNew(const std::string& path) {
  close();
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
  handle_ = fd;
  return fd >= 0;
}

bool HostFile::createTemporary(const std::string& path, std::string& temporary) {
  close();
  // One program writes to this file system: the first free numbered name is unique.
  for (int n = 0; n < 1000; n++) {
    std::string name = path + ".mksfx-" + std::to_string(n);
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd >= 0) {
      handle_ = fd;
      temporary = name;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool HostFile::makeExecutable() { return fchmod(fdOf(handle_), 0755) == 0; }

bool hostStatus(const std::string& path, HostStatus& status) {
  status = HostStatus();
  struct stat link, s;
  if (lstat(path.c_str(), &link) != 0 || stat(path.c_str(), &s) != 0) return false;
  status.kind = S_ISREG(s.st_mode) ? HostKind::File : S_ISDIR(s.st_mode) ? HostKind::Directory : HostKind::Other;
  status.link = S_ISLNK(link.st_mode);
  status.readOnly = !(s.st_mode & S_IWUSR);
  status.size = static_cast<uint64_t>(s.st_size);
  // time_t has 32 bits here: read unsigned, a time after 2038 stays in the future.
  status.modified = static_cast<int64_t>(static_cast<uint32_t>(s.st_mtime));
  return true;
}

bool hostSetModifiedTime(const std::string& path, int64_t seconds) {
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(seconds);
  times[0].tv_nsec = times[1].tv_nsec = 0;
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

HostPublish hostPublish(const std::string& temporary, const std::string& target, bool replace) {
  struct stat s;
  if (!replace && lstat(target.c_str(), &s) == 0) {
    unlink(temporary.c_str());
    errno = EEXIST;
    return HostPublish::Exists;
  }
  if (rename(temporary.c_str(), target.c_str()) == 0) return HostPublish::Done;
  int error = errno;
  unlink(temporary.c_str());
  errno = error;
  return HostPublish::Failed;
}

std::string hostErrorText() { return std::strerror(errno); }

std::vector<std::string> hostArguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

std::string hostOwnFolder() { return std::string(); }

bool hostEnvironment(const char* name, std::string& value) {
  const char* text = std::getenv(name);
  if (!text) return false;
  value = text;
  return true;
}

int hostRunCommand(const std::string&) { return -1; }

std::string hostQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

void hostPrepareConsole() {}

bool hostIsTerminal(std::FILE*) { return false; }

bool hostReadLine(bool, std::string& line) {
  line.clear();
  return false;
}

void hostEndOnInterrupt(int, const char*) {}
void hostCatchInterrupt() {}
bool hostInterrupted() { return false; }
const char* hostInterruptName() { return ""; }

int64_t hostMilliseconds() { return static_cast<int64_t>(emscripten_get_now()); }

bool hostLocalTime(int64_t seconds, HostLocalTime& local) {
  std::string zone;
  hostEnvironment("TZ", zone);
  if (!zone.empty() && zone[0] == ':') zone.erase(0, 1);
  int64_t east = 0;
  if (zone == "UTC" || zone == "GMT" || fixedZoneOffset(zone, east)) {
    int64_t shifted = seconds + east;
    int64_t days = shifted >= 0 ? shifted / 86400 : (shifted - 86399) / 86400;
    int64_t inDay = shifted - days * 86400;
    civilFromDays(days, local.year, local.month, local.day);
    local.hour = static_cast<int>(inDay / 3600);
    local.minute = static_cast<int>(inDay / 60 % 60);
    local.second = static_cast<int>(inDay % 60);
    return true;
  }
  int parts[6];
  if (!zonedTime(static_cast<double>(seconds), zone.c_str(), parts)) return false;
  local = {parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]};
  return true;
}

bool hostUtf8ToCp932(const std::string& utf8, std::string& cp932) {
  const uint16_t* table = encodingTable();
  cp932.clear();
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    unsigned value, length;
    if (c < 0x80) value = c, length = 1;
    else if ((c & 0xE0) == 0xC0) value = c & 0x1Fu, length = 2;
    else if ((c & 0xF0) == 0xE0) value = c & 0x0Fu, length = 3;
    else return false;  // four bytes: beyond the code page's plane
    if (i + length > utf8.size()) return false;
    for (unsigned k = 1; k < length; k++) {
      unsigned char t = static_cast<unsigned char>(utf8[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      value = value << 6 | (t & 0x3Fu);
    }
    if ((length == 2 && value < 0x80) || (length == 3 && value < 0x800)) return false;  // overlong
    uint16_t code = table[value];
    if (code == CP932_NONE) return false;
    if (code > 0xFF) cp932 += static_cast<char>(code >> 8);
    cp932 += static_cast<char>(code & 0xFF);
    i += length;
  }
  return true;
}

bool hostCp932ToUtf8(const std::string& cp932, std::string& utf8) {
  utf8.clear();
  for (size_t i = 0; i < cp932.size(); i++) {
    unsigned char c = static_cast<unsigned char>(cp932[i]);
    uint16_t value = CP932_SINGLE[c];
    if (value == CP932_NONE) {
      bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
      if (!lead || i + 1 >= cp932.size()) return false;
      unsigned trail = static_cast<unsigned char>(cp932[++i]);
      if (trail < CP932_TRAIL_FIRST || trail >= CP932_TRAIL_FIRST + CP932_TRAIL_COUNT) return false;
      unsigned leadIndex = c <= 0x9F ? c - 0x81u : 0x1Fu + (c - 0xE0u);
      value = CP932_DOUBLE[leadIndex * CP932_TRAIL_COUNT + (trail - CP932_TRAIL_FIRST)];
      if (value == CP932_NONE) return false;
    }
    appendUtf8(value, utf8);
  }
  return true;
}
