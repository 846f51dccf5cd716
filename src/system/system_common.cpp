// The platform-independent half of the system layer: the NTFS extra-field time parser, the
// locale date rules (reading AFTER/BEFORE dates, showing DOS dates), the small text and
// attribute helpers, the name-type and write-suppression switches, and FileStream, the
// file class built on the Sys* file operations of the platform half.
#include <cstdio>
#include <cstring>
#include <new>

#include "system/dbcs.h"
#include "system/little_endian.h"
#include "system/system.h"
#include "system/system_internal.h"

namespace {

bool longNames = true;               // name type: long unless set to short
const int* writeSuppression = nullptr;


// NTFS extra field (header id 0x000A): id u16, data size u16, then the data: 4 reserved
// bytes followed by attributes, each a tag u16, a size u16 and that many bytes. Attribute 1
// of size 24 holds the last write, last access and creation times, 8 bytes each.
constexpr uint16_t NTFS_HEADER_ID = 0x000A;
constexpr uint32_t NTFS_FIELD_HEADER = 4;   // id and data size
constexpr uint32_t NTFS_RESERVED = 4;       // leading reserved bytes of the data
constexpr uint32_t NTFS_ATTR_HEADER = 4;    // tag and size of one attribute
constexpr uint16_t NTFS_TAG_TIMES = 1;
constexpr uint16_t NTFS_TIMES_SIZE = 24;

// DOS date fields: bits 15-9 year - 1980, 8-5 month, 4-0 day.
constexpr int DOS_YEAR_BASE = 1980;
constexpr int DOS_YEAR_LAST = DOS_YEAR_BASE + 127;

// Two decimal digits at text[pos].
int twoDigits(const char* text, int pos) { return (text[pos] - '0') * 10 + (text[pos + 1] - '0'); }

}  // namespace

// ---- small helpers shared with the platform half -------------------------------------------

uint32_t sysDosDay(int year, int month, int day) {
  uint32_t date = (static_cast<uint32_t>(year - DOS_YEAR_BASE) & 0x7F) << 9 |
                  static_cast<uint32_t>(month & 0x0F) << 5 | static_cast<uint32_t>(day & 0x1F);
  return date << 16;
}

const int* sysWriteSuppression() { return writeSuppression; }

// ---- switches ---------------------------------------------------------------------------------

void SysSetNameType(int code) { longNames = code != SYS_NAMES_SHORT; }
bool SysGetNameType() { return longNames; }
void SysSetWriteSuppression(const int* flag) { writeSuppression = flag; }

// ---- text and attribute helpers ---------------------------------------------------------------

// Upper-cases a to z in place. The second byte of a double-byte character can fall in the
// range of a to z (0x61-0x7A), so double-byte characters are stepped over whole and keep
// their bytes.
char* SysUpperCase(char* text) {
  if (!text) return text;
  for (char* p = text; *p; p = NextChar(p)) {
    if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 0x20);
  }
  return text;
}

int SysToUpper(int c) { return (c >= 'a' && c <= 'z') ? c - 0x20 : c; }

const char* SysFindColon(const char* text, int which) {
  if (!text || (which != 1 && which != 2)) return nullptr;
  return which == 1 ? FindFirstChar(text, ':') : FindLastChar(text, ':');
}

// Read-only, hidden, system, directory and normal survive; archive, compressed and the rest
// are dropped.
uint32_t SysKeepAttributes(uint32_t attributes) {
  return attributes & (SYS_ATTR_READONLY | SYS_ATTR_HIDDEN | SYS_ATTR_SYSTEM | SYS_ATTR_DIRECTORY |
                       SYS_ATTR_NORMAL);
}

// ---- NTFS extra field -----------------------------------------------------------------------

int SysParseNtfsTimes(const uint8_t* extra, uint32_t length, NtfsTimes** result) {
  *result = nullptr;
  if (!extra || length < NTFS_FIELD_HEADER || le16(extra) != NTFS_HEADER_ID) return 0;
  uint32_t dataSize = le16(extra + 2);
  // The data follows the 4-byte field header, so the whole field must hold header and data.
  if (dataSize == 0 || length - NTFS_FIELD_HEADER < dataSize) return 0;

  NtfsTimes* times = new (std::nothrow) NtfsTimes;
  if (!times) return -1;
  const uint8_t* data = extra + NTFS_FIELD_HEADER;
  // Each step moves by at least the attribute header, so the walk ends within dataSize/4 steps.
  for (uint32_t offset = NTFS_RESERVED; offset + NTFS_ATTR_HEADER <= dataSize;) {
    uint16_t tag = le16(data + offset);
    uint16_t size = le16(data + offset + 2);
    uint32_t body = offset + NTFS_ATTR_HEADER;
    if (tag == NTFS_TAG_TIMES && size == NTFS_TIMES_SIZE && body + size <= dataSize) {
      times->written = le64(data + body);
      times->accessed = le64(data + body + 8);
      times->created = le64(data + body + 16);
      *result = times;
      return 1;
    }
    offset = body + size;
  }
  delete times;
  return 0;
}

// ---- locale date rules ------------------------------------------------------------------------

// The text starts at the option word's '=' (skipped). Six or eight digits, read by the date
// order; a two-digit year stands for 1980-2079. With eight digits the year is taken whole
// and must lie within the DOS range 1980-2107, so 19790101 is refused instead of becoming 2079.
int SysParseDate(const char* text, int dateOrder, uint32_t* dateTime) {
  constexpr int NOT_A_DATE = 5;  // the option parser's code for an invalid sub-option
  if (!text || !dateTime) return NOT_A_DATE;
  if (*text == '=') ++text;
  size_t length = std::strlen(text);
  if (length != 6 && length != 8) return NOT_A_DATE;
  for (size_t i = 0; i < length; ++i)
    if (text[i] < '0' || text[i] > '9') return NOT_A_DATE;

  bool full = length == 8;
  int month, day, century = 0, yy;
  switch (dateOrder) {
    case SYS_DATE_DMY:
      day = twoDigits(text, 0), month = twoDigits(text, 2);
      if (full) century = twoDigits(text, 4), yy = twoDigits(text, 6);
      else yy = twoDigits(text, 4);
      break;
    case SYS_DATE_YMD:
      if (full) century = twoDigits(text, 0), yy = twoDigits(text, 2), month = twoDigits(text, 4),
                day = twoDigits(text, 6);
      else yy = twoDigits(text, 0), month = twoDigits(text, 2), day = twoDigits(text, 4);
      break;
    default:  // SYS_DATE_MDY
      month = twoDigits(text, 0), day = twoDigits(text, 2);
      if (full) century = twoDigits(text, 4), yy = twoDigits(text, 6);
      else yy = twoDigits(text, 4);
      break;
  }
  int year;
  if (full) {
    year = century * 100 + yy;
    if (century < 19 || year < DOS_YEAR_BASE || year > DOS_YEAR_LAST) return NOT_A_DATE;
  } else {
    year = yy >= 80 ? 1900 + yy : 2000 + yy;
  }
  if (month < 1 || month > 12 || day < 1 || day > 31) return NOT_A_DATE;
  *dateTime = sysDosDay(year, month, day);
  return 0;
}

// Shows the date half of a DOS date-time in the date order with the platform's separator. An
// impossible month shows as 1 and a day of 0 as 1; the year is shown whole (1980-2107).
char* SysFormatDate(uint32_t dateTime, int dateOrder, char* buffer) {
  if (!buffer) return buffer;
  int month = static_cast<int>((dateTime >> 21) & 0x0F);
  int day = static_cast<int>((dateTime >> 16) & 0x1F);
  int year = DOS_YEAR_BASE + static_cast<int>((dateTime >> 25) & 0x7F);
  if (month < 1 || month > 12) month = 1;
  if (day == 0) day = 1;
  char sep = sysDateSeparator();
  constexpr size_t FORMAT_BUFFER = 16;  // the callers' buffer size
  if (dateOrder == SYS_DATE_DMY)
    std::snprintf(buffer, FORMAT_BUFFER, "%02d%c%02d%c%04d", day, sep, month, sep, year);
  else if (dateOrder == SYS_DATE_YMD)
    std::snprintf(buffer, FORMAT_BUFFER, "%04d%c%02d%c%02d", year, sep, month, sep, day);
  else
    std::snprintf(buffer, FORMAT_BUFFER, "%02d%c%02d%c%04d", month, sep, day, sep, year);
  return buffer;
}

// ---- literal look-ups --------------------------------------------------------------------------

bool sysLiteralPath(const char* path, char* literal) {
  size_t length = std::strlen(path);
  if (length >= static_cast<size_t>(SYS_PATH_MAX)) return false;
  std::memcpy(literal, path, length + 1);
  // The last character, walked as units so that a trail byte 0x5C is no separator.
  size_t last = 0;
  for (size_t i = 0; i < length; i += SysIsLeadByte(static_cast<unsigned char>(literal[i])) && literal[i + 1] ? 2 : 1) last = i;
  bool separator = length > 0 && (literal[last] == '/' || literal[last] == '\\');
  if (separator && last > 0 && literal[last - 1] != ':') literal[last] = '\0';
  return true;
}

// ---- FileStream -----------------------------------------------------------------------------

FileStream::FileStream(const char* name, uint32_t access, uint32_t shareMode, uint32_t disposition,
                       uint32_t flagsAndAttributes) {
  name_[0] = '\0';
  if (name) CopyBounded(name_, name, sizeof name_);
  handle_ = SysOpenFile(name, access, shareMode, disposition, flagsAndAttributes);
  // A file this call created is empty; only a file that was there is asked for its size.
  bool created = disposition == SYS_CREATE_NEW || disposition == SYS_CREATE_ALWAYS;
  if (handle_ != SYS_INVALID_HANDLE && !created) SysFileSize(handle_, &size_);
}

int FileStream::Read(void* buffer, uint32_t n, uint32_t* bytesRead) {
  int result = SysReadFile(handle_, buffer, n, bytesRead);
  position_ += *bytesRead;
  return result;
}

int FileStream::Write(const void* buffer, uint32_t n, uint32_t* bytesWritten) {
  const int* suppress = sysWriteSuppression();
  if (suppress && *suppress) {
    if (bytesWritten) *bytesWritten = n;
    return 0;
  }
  int result = SysWriteFile(handle_, buffer, n, bytesWritten);
  position_ += *bytesWritten;
  return (result == 0 && *bytesWritten == n) ? 0 : 1;
}

bool FileStream::IsOpen() const { return handle_ != SYS_INVALID_HANDLE; }

void* FileStream::Reserved() { return nullptr; }

uint32_t FileStream::Size() const { return size_; }

uint32_t FileStream::Seek(int32_t distance, int origin) {
  uint32_t position = position_;
  if (SysSeek(handle_, distance, &position, origin) == 0) position_ = position;
  return position_;
}

int FileStream::Rewind() {
  Seek(0, SYS_FPOS_BEGIN);
  position_ = 0;
  return 1;
}

int FileStream::Truncate() { return SysSetEndOfFile(handle_); }

int FileStream::Close() {
  if (handle_ == SYS_INVALID_HANDLE) return 1;  // -1 is also the current-process pseudo-handle
  int result = SysCloseFile(handle_);
  if (result == 0) handle_ = SYS_INVALID_HANDLE;
  return result;
}

FileStream::~FileStream() {
  if (handle_ != SYS_INVALID_HANDLE) SysCloseFile(handle_);
}

void sysLabelDotToBlank(char* label) {
  char* dot = FindFirstChar(label, '.');
  if (dot != nullptr) *dot = ' ';
}
