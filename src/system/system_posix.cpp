// System services on Linux (POSIX). Handles are file descriptors. Names are code page 932
// inside the engine and UTF-8 on the file system; the conversion happens here, at the
// boundary (the variant characters written in their Unix form, cp932_variants.h), and '\'
// is accepted as a separator beside '/'. DOS date-times go through the
// local time zone of the date itself (mktime/localtime). Read-only is the absence of every
// write permission bit; hidden, system and compressed are not representable and are
// ignored; creation times cannot be set. Drives are always fixed and volume labels are not
// supported (failure). errno is translated once, here, into the Win32 codes of system.h.
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "system/cp932_variants.h"
#include "system/dbcs.h"
#include "system/system.h"
#include "system/system_internal.h"
#include "system/system_posix.h"

namespace {

constexpr const char* MODULE = "ZSYSTEM";

uint32_t lastError = 0;

// ---- names ------------------------------------------------------------------------------

iconv_t cp932ToUtf8 = reinterpret_cast<iconv_t>(-1);
iconv_t utf8ToCp932 = reinterpret_cast<iconv_t>(-1);

bool isAscii(const char* text) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
    if (*p >= 0x80) return false;
  return true;
}

// Converts the zero-terminated `in` with the descriptor (opened on first use) into `out`,
// terminated; false when a byte sequence is invalid or the result does not fit.
bool convertName(iconv_t& cd, const char* to, const char* from, const char* in, char* out,
                 size_t outSize) {
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  char* inPtr = const_cast<char*>(in);
  size_t inLeft = std::strlen(in);
  char* outPtr = out;
  size_t outLeft = outSize - 1;
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
      iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1))
    return false;
  *outPtr = '\0';
  return true;
}

// The Windows forms of the variant characters in a converted name replaced in place by the
// Unix forms, which are never longer.
void toUnixForms(char* text) {
  for (const Cp932Variant& v : CP932_VARIANTS) {
    size_t from = std::strlen(v.windowsForm), to = std::strlen(v.unixForm);
    for (char* at = std::strstr(text, v.windowsForm); at; at = std::strstr(at + to, v.windowsForm)) {
      std::memcpy(at, v.unixForm, to);
      std::memmove(at + to, at + from, std::strlen(at + from) + 1);
    }
  }
}

// ---- console break ----------------------------------------------------------------------

volatile sig_atomic_t breakFlag = 0;

extern "C" void onBreak(int) { breakFlag = 1; }

bool installBreakHandler(struct sigaction* previous) {
  struct sigaction action {};
  action.sa_handler = onBreak;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  return sigaction(SIGINT, &action, previous) == 0;
}

// The break scope: how deep scopes are open, whether the scope's handler is installed, and
// the action it replaced.
int scopeDepth = 0;
bool scopeGuard = false;
struct sigaction scopePrevious {};

// Holds SIGINT back for the length of one transfer: a break that arrives meanwhile only sets
// the flag, and is raised again once the transfer is complete and the previous action is back.
// Inside a break scope the scope's handler does the holding; it is taken down only when a
// break has to be raised.
class BreakGuard {
 public:
  BreakGuard() : own_(!scopeGuard) {
    if (own_) installed_ = installBreakHandler(&previous_);
  }
  ~BreakGuard() {
    if (!own_ && !breakFlag) return;
    int saved = errno;
    if (own_ && installed_) sigaction(SIGINT, &previous_, nullptr);
    if (!own_) {
      scopeGuard = false;
      sigaction(SIGINT, &scopePrevious, nullptr);
    }
    if (breakFlag) raise(SIGINT);
    errno = saved;
  }

 private:
  struct sigaction previous_ {};
  bool own_;
  bool installed_ = false;
};

// ---- times ------------------------------------------------------------------------------

// FILETIME counts 100 ns from 1601-01-01; time_t counts seconds from 1970-01-01.
constexpr int64_t TICKS_PER_SECOND = 10000000;
constexpr int64_t EPOCH_DIFFERENCE = 11644473600;  // seconds from 1601 to 1970

// Any 64-bit file time, also one from a hostile archive, gives a timespec without overflow.
struct timespec timespecOf(SysFileTime fileTime) {
  constexpr uint64_t EPOCH_TICKS = static_cast<uint64_t>(EPOCH_DIFFERENCE) * TICKS_PER_SECOND;
  int64_t seconds, rest;
  if (fileTime >= EPOCH_TICKS) {
    uint64_t after = fileTime - EPOCH_TICKS;
    seconds = static_cast<int64_t>(after / TICKS_PER_SECOND);
    rest = static_cast<int64_t>(after % TICKS_PER_SECOND);
  } else {
    uint64_t before = EPOCH_TICKS - fileTime;
    seconds = -static_cast<int64_t>(before / TICKS_PER_SECOND);
    rest = -static_cast<int64_t>(before % TICKS_PER_SECOND);
    if (rest < 0) --seconds, rest += TICKS_PER_SECOND;
  }
  struct timespec ts {};
  ts.tv_sec = static_cast<time_t>(seconds);
  ts.tv_nsec = static_cast<long>(rest * 100);
  return ts;
}

bool leapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && leapYear(year) ? 29 : days[month - 1];
}

int fdOf(SysHandle handle) { return static_cast<int>(handle); }

// The zone is read again when TZ has changed since the last conversion (tests and callers
// switch it within one run). With TZ unset, tzset() looks at /etc/localtime every time, a
// system call per conversion that an extraction of many small files feels.
void refreshZone() {
  static bool known = false;
  static char last[256];
  const char* tz = std::getenv("TZ");
  char now[sizeof last];
  if (tz) std::snprintf(now, sizeof now, "=%s", tz);  // "=" tells an empty TZ from none
  else now[0] = '\0';
  if (known && std::strcmp(now, last) == 0) return;
  tzset();
  std::memcpy(last, now, sizeof last);
  known = true;
}

}  // namespace

// ---- shared POSIX helpers ---------------------------------------------------------------------

bool SysIsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool posixToHost(const char* name, char* host, size_t hostSize) {
  size_t length = std::strlen(name);
  if (length >= static_cast<size_t>(SYS_PATH_MAX)) {
    posixSetError(SYS_ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  char slashed[SYS_PATH_MAX];
  for (size_t i = 0; i <= length; ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (SysIsLeadByte(c) && i + 1 < length) {
      slashed[i] = name[i];
      slashed[i + 1] = name[i + 1];  // a second byte 0x5C is part of the character
      ++i;
    } else {
      slashed[i] = c == '\\' ? '/' : name[i];
    }
  }
  if (isAscii(slashed)) {
    if (length + 1 > hostSize) return posixSetError(SYS_ERROR_FILENAME_EXCED_RANGE), false;
    std::memcpy(host, slashed, length + 1);
    return true;
  }
  if (!convertName(cp932ToUtf8, "UTF-8", "CP932", slashed, host, hostSize)) {
    posixSetError(SYS_ERROR_INVALID_NAME);
    return false;
  }
  toUnixForms(host);
  return true;
}

bool posixFromHost(const char* host, char* out, size_t size) {
  if (size == 0) return false;
  if (isAscii(host)) {
    size_t length = std::strlen(host);
    if (length + 1 > size) return false;
    std::memcpy(out, host, length + 1);
    return true;
  }
  return convertName(utf8ToCp932, "CP932", "UTF-8", host, out, size);
}

void posixSetError(uint32_t code) { lastError = code; }

void posixSetErrno(int error, const char* hostPath) {
  switch (error) {
    case ENOENT: {
      // Windows tells a missing file (2) from a missing directory on the way (3).
      uint32_t code = SYS_ERROR_FILE_NOT_FOUND;
      if (hostPath) {
        const char* slash = std::strrchr(hostPath, '/');
        if (slash && slash != hostPath) {
          char parent[HOST_PATH_MAX];
          size_t n = static_cast<size_t>(slash - hostPath);
          if (n < sizeof parent) {
            std::memcpy(parent, hostPath, n);
            parent[n] = '\0';
            struct stat st;
            if (stat(parent, &st) != 0 || !S_ISDIR(st.st_mode)) code = SYS_ERROR_PATH_NOT_FOUND;
          }
        }
      }
      lastError = code;
      return;
    }
    case ENOTDIR: lastError = SYS_ERROR_PATH_NOT_FOUND; return;
    case EACCES: case EPERM: case EROFS: case EISDIR: case ETXTBSY:
      lastError = SYS_ERROR_ACCESS_DENIED; return;
    case EEXIST: lastError = SYS_ERROR_FILE_EXISTS; return;
    case ENAMETOOLONG: lastError = SYS_ERROR_FILENAME_EXCED_RANGE; return;
    case ENOSPC: case EDQUOT: lastError = 112; return;    // ERROR_DISK_FULL
    case EMFILE: case ENFILE: lastError = 4; return;      // ERROR_TOO_MANY_OPEN_FILES
    case EBADF: lastError = 6; return;                    // ERROR_INVALID_HANDLE
    case ENOMEM: lastError = SYS_ERROR_NOT_ENOUGH_MEMORY; return;
    case EINVAL: lastError = SYS_ERROR_INVALID_PARAMETER; return;
    case ENOTEMPTY: lastError = 145; return;              // ERROR_DIR_NOT_EMPTY
    case EBUSY: lastError = 32; return;                   // ERROR_SHARING_VIOLATION
    case ENOMEDIUM: lastError = SYS_ERROR_NOT_READY; return;
    case EIO: lastError = 1117; return;                   // ERROR_IO_DEVICE
    default: lastError = 31; return;                      // ERROR_GEN_FAILURE
  }
}

uint32_t posixAttributes(const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return SYS_ATTR_DIRECTORY;
  uint32_t attributes = SYS_ATTR_ARCHIVE;
  if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) attributes |= SYS_ATTR_READONLY;
  return attributes;
}

SysFileTime posixFileTime(const struct timespec& ts) {
  int64_t ticks = (static_cast<int64_t>(ts.tv_sec) + EPOCH_DIFFERENCE) * TICKS_PER_SECOND + ts.tv_nsec / 100;
  return static_cast<SysFileTime>(ticks < 0 ? 0 : ticks);
}

uint32_t SysLastError() { return lastError; }

bool SysBreakPending() { return breakFlag != 0; }

void SysBeginBreakScope() {
  if (scopeDepth++ == 0 && !breakFlag) scopeGuard = installBreakHandler(&scopePrevious);
}

void SysEndBreakScope() {
  if (scopeDepth == 0 || --scopeDepth != 0 || !scopeGuard) return;
  scopeGuard = false;
  int saved = errno;
  sigaction(SIGINT, &scopePrevious, nullptr);
  if (breakFlag) raise(SIGINT);
  errno = saved;
}

// ---- files --------------------------------------------------------------------------------------

int SysCreateDirectory(const char* directory, void* securityAttributes) {
  SFX_ASSERT(MODULE, directory != nullptr, "lpszDirectory != NULL");
  char host[HOST_PATH_MAX];
  if (!posixToHost(directory, host, sizeof host)) return 1;
  if (mkdir(host, 0777) != 0) {
    if (errno == EEXIST) posixSetError(SYS_ERROR_ALREADY_EXISTS);
    else posixSetErrno(errno, host);
    return 1;
  }
  return 0;
}

int SysDeleteFile(const char* path) {
  if (!path) return posixSetError(SYS_ERROR_INVALID_PARAMETER), 1;
  char host[HOST_PATH_MAX];
  if (!posixToHost(path, host, sizeof host)) return 1;
  struct stat st;
  if (lstat(host, &st) != 0) return posixSetErrno(errno, host), 1;
  // As on Windows, directories and read-only files are not deleted.
  if (S_ISDIR(st.st_mode) || (!S_ISLNK(st.st_mode) && (posixAttributes(st) & SYS_ATTR_READONLY)))
    return posixSetError(SYS_ERROR_ACCESS_DENIED), 1;
  if (unlink(host) != 0) return posixSetErrno(errno, host), 1;
  return 0;
}

// rename() replaces the target atomically, and replaces a symbolic link or one name of a
// hard-linked file itself, never what it points to; as on Windows, a read-only file or a
// directory in the target's place is not replaced. A regular old file hands its permission
// bits (and its owner, where the process may set it) to the new one first, so that a
// replaced file keeps what was set on it, whatever its size.
int SysReplaceFile(const char* source, const char* target) {
  SFX_ASSERT(MODULE, source != nullptr, "pszSource != NULL");
  SFX_ASSERT(MODULE, target != nullptr, "pszTarget != NULL");
  char from[HOST_PATH_MAX], to[HOST_PATH_MAX];
  if (!posixToHost(source, from, sizeof from) || !posixToHost(target, to, sizeof to)) return 1;
  struct stat st;
  if (lstat(to, &st) == 0) {
    bool readOnly = S_ISREG(st.st_mode) && (posixAttributes(st) & SYS_ATTR_READONLY);
    if (S_ISDIR(st.st_mode) || readOnly) return posixSetError(SYS_ERROR_ACCESS_DENIED), 1;
    if (S_ISREG(st.st_mode)) {
      struct stat made;
      if (lstat(from, &made) == 0 && (made.st_uid != st.st_uid || made.st_gid != st.st_gid)) {
        int given = lchown(from, st.st_uid, st.st_gid);  // fails unless the process may give it
        (void)given;
      }
      chmod(from, st.st_mode & 07777);  // after the owner: a change of owner drops set-id bits
    }
  }
  if (rename(from, to) != 0) return posixSetErrno(errno, to), 1;
  return 0;
}

SysHandle SysOpenFile(const char* name, uint32_t access, uint32_t shareMode, uint32_t disposition,
                      uint32_t flagsAndAttributes) {
  SFX_ASSERT(MODULE, name != nullptr, "pszFileName != NULL");
  char host[HOST_PATH_MAX];
  if (!posixToHost(name, host, sizeof host)) return SYS_INVALID_HANDLE;
  bool reading = access & SYS_GENERIC_READ, writing = access & SYS_GENERIC_WRITE;
  int flags = O_CLOEXEC | (reading && writing ? O_RDWR : writing ? O_WRONLY : O_RDONLY);
  switch (disposition) {
    case SYS_CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case SYS_CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case SYS_OPEN_EXISTING: break;
    case SYS_OPEN_ALWAYS: flags |= O_CREAT; break;
    case SYS_TRUNCATE_EXISTING:
      if (!writing) return posixSetError(SYS_ERROR_INVALID_PARAMETER), SYS_INVALID_HANDLE;
      flags |= O_TRUNC;
      break;
    default: return posixSetError(SYS_ERROR_INVALID_PARAMETER), SYS_INVALID_HANDLE;
  }
  // O_EXCL makes a new file or fails: nothing that exists, read-only file or directory, is
  // opened, so the checks below are for the other dispositions only.
  bool fresh = disposition == SYS_CREATE_NEW;
  struct stat st;
  // A read-only file is never opened for writing, also not by a privileged user.
  if (writing && !fresh && stat(host, &st) == 0 && S_ISREG(st.st_mode) &&
      (posixAttributes(st) & SYS_ATTR_READONLY))
    return posixSetError(SYS_ERROR_ACCESS_DENIED), SYS_INVALID_HANDLE;
  mode_t mode = (flagsAndAttributes & SYS_ATTR_READONLY) ? 0444 : 0666;
  int fd = open(host, flags, mode);
  if (fd < 0) return posixSetErrno(errno, host), SYS_INVALID_HANDLE;
  if (!fresh && (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))) {  // directories are not files
    close(fd);
    return posixSetError(SYS_ERROR_ACCESS_DENIED), SYS_INVALID_HANDLE;
  }
  if (fd < 3) {
    // Keep handles away from 0, which the assertions take for "no handle".
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close(fd);
    if (moved < 0) return posixSetErrno(errno), SYS_INVALID_HANDLE;
    fd = moved;
  }
  return fd;
}

int SysReadFile(SysHandle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) {
  SFX_ASSERT(MODULE, file != 0, "hFile != NULL");
  SFX_ASSERT(MODULE, buffer != nullptr, "pBuffer != NULL");
  SFX_ASSERT(MODULE, bytesToRead > 0, "uBytes2Read > 0");
  SFX_ASSERT(MODULE, bytesRead != nullptr, "puBytesRead != NULL");
  *bytesRead = 0;
  ssize_t n;
  int error;
  {
    BreakGuard guard;
    do n = read(fdOf(file), buffer, bytesToRead);
    while (n < 0 && errno == EINTR);
    error = errno;
  }
  if (n < 0) return posixSetErrno(error), 1;
  *bytesRead = static_cast<uint32_t>(n);
  return 0;
}

int SysWriteFile(SysHandle file, const void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten) {
  SFX_ASSERT(MODULE, file != 0, "hFile != NULL");
  SFX_ASSERT(MODULE, buffer != nullptr, "pBuffer != NULL");
  SFX_ASSERT(MODULE, bytesWritten != nullptr, "puBytesWrite != NULL");
  *bytesWritten = 0;
  const char* p = static_cast<const char*>(buffer);
  int error = 0;
  {
    BreakGuard guard;
    while (*bytesWritten < bytesToWrite) {
      ssize_t n = write(fdOf(file), p + *bytesWritten, bytesToWrite - *bytesWritten);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error = n < 0 ? errno : ENOSPC;
        break;
      }
      *bytesWritten += static_cast<uint32_t>(n);
    }
  }
  if (error) return posixSetErrno(error), 1;
  return 0;
}

int SysCloseFile(SysHandle file) {
  // Files never sit on the standard streams (see SysOpenFile), and -1 is no handle.
  if (file <= 2) return posixSetError(6), 1;  // ERROR_INVALID_HANDLE
  if (close(fdOf(file)) != 0) return posixSetErrno(errno), 1;
  return 0;
}

int SysSetEndOfFile(SysHandle file) {
  SFX_ASSERT(MODULE, file != 0, "hFile != NULL");
  off_t position = lseek(fdOf(file), 0, SEEK_CUR);
  if (position < 0 || ftruncate(fdOf(file), position) != 0) return posixSetErrno(errno), 1;
  return 0;
}

int SysFlushFile(SysHandle file) {
  if (fsync(fdOf(file)) != 0) return posixSetErrno(errno), 1;
  return 0;
}

int SysFileSize(SysHandle file, uint32_t* size) {
  struct stat st;
  if (fstat(fdOf(file), &st) != 0) return posixSetErrno(errno), 1;
  *size = st.st_size >= 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<uint32_t>(st.st_size);
  return 0;
}

int SysSeek(SysHandle file, int32_t distance, uint32_t* newPosition, int origin) {
  SFX_ASSERT(MODULE, file != 0, "hFile != NULL");
  SFX_ASSERT(MODULE, origin == SYS_FPOS_BEGIN || origin == SYS_FPOS_CURRENT || origin == SYS_FPOS_END,
             "MoveType == SYS_FPOS_BEGIN || MoveType == SYS_FPOS_CURRENT || MoveType == SYS_FPOS_END");
  int fd = fdOf(file);
  int64_t base = 0;
  if (origin == SYS_FPOS_CURRENT) {
    base = lseek(fd, 0, SEEK_CUR);
  } else if (origin == SYS_FPOS_END) {
    struct stat st;
    base = fstat(fd, &st) == 0 ? st.st_size : -1;
  }
  if (base < 0) return posixSetErrno(errno), 1;
  int64_t target = origin == SYS_FPOS_BEGIN ? int64_t{static_cast<uint32_t>(distance)} : base + distance;
  if (target < 0) return posixSetError(131), 1;  // ERROR_NEGATIVE_SEEK
  if (target >= 0xFFFFFFFFll) return posixSetError(SYS_ERROR_INVALID_PARAMETER), 1;
  if (lseek(fd, static_cast<off_t>(target), SEEK_SET) < 0) return posixSetErrno(errno), 1;
  if (newPosition) *newPosition = static_cast<uint32_t>(target);
  return 0;
}

int SysGetAttributes(const char* name, uint32_t* attributes) {
  SFX_ASSERT(MODULE, name != nullptr, "pFileName != NULL");
  SFX_ASSERT(MODULE, attributes != nullptr, "pFileAttr != NULL");
  *attributes = SYS_INVALID_ATTRIBUTES;
  char host[HOST_PATH_MAX];
  if (!posixToHost(name, host, sizeof host)) return 1;
  struct stat st;
  if (stat(host, &st) != 0) return posixSetErrno(errno, host), 1;
  *attributes = posixAttributes(st);
  return 0;
}

// Only read-only has a POSIX form: it removes every write bit of a file; clearing it gives
// the owner write access back. Hidden, system, archive and compressed are accepted and
// ignored, and so is every attribute of a directory.
// A new file's write permission depends on the umask, which SysSetAttributes corrects.
bool SysNewFileHas(uint32_t) { return false; }

int SysSetAttributes(const char* name, uint32_t attributes) {
  SFX_ASSERT(MODULE, name != nullptr, "pFileName != NULL");
  char host[HOST_PATH_MAX];
  if (!posixToHost(name, host, sizeof host)) return 1;
  struct stat st;
  if (stat(host, &st) != 0) return posixSetErrno(errno, host), 1;
  // A directory without write permission could not receive the rest of the extraction;
  // read-only on a directory is also only a display hint on Windows.
  if (S_ISDIR(st.st_mode)) return 0;
  mode_t mode = st.st_mode & 07777;
  if (attributes & SYS_ATTR_READONLY) mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  else if (!(mode & (S_IWUSR | S_IWGRP | S_IWOTH))) mode |= S_IWUSR;
  if (mode != (st.st_mode & 07777) && chmod(host, mode) != 0) return posixSetErrno(errno, host), 1;
  return 0;
}

// ---- times --------------------------------------------------------------------------------------

int SysDosToFileTime(uint16_t dosDate, uint16_t dosTime, SysFileTime* fileTime) {
  SFX_ASSERT(MODULE, fileTime != nullptr, "pftFileTime != NULL");
  int year = 1980 + (dosDate >> 9), month = (dosDate >> 5) & 0x0F, day = dosDate & 0x1F;
  int hour = dosTime >> 11, minute = (dosTime >> 5) & 0x3F, second = (dosTime & 0x1F) * 2;
  if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
      minute > 59 || second > 59)
    return posixSetError(SYS_ERROR_INVALID_PARAMETER), 1;
  refreshZone();
  struct tm local {};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;  // the zone's rule for that date decides
  time_t t = mktime(&local);
  if (t == static_cast<time_t>(-1)) return posixSetError(SYS_ERROR_INVALID_PARAMETER), 1;
  *fileTime = static_cast<SysFileTime>((static_cast<int64_t>(t) + EPOCH_DIFFERENCE) * TICKS_PER_SECOND);
  return 0;
}

uint32_t SysFileTimeToDos(const SysFileTime* fileTime) {
  SFX_ASSERT(MODULE, fileTime != nullptr, "pftFileTime != NULL");
  refreshZone();
  struct timespec ts = timespecOf(*fileTime);
  struct tm local {};
  if (!localtime_r(&ts.tv_sec, &local)) return 0;
  int year = local.tm_year + 1900;
  if (year < 1980 || year > 2107) return 0;  // outside the DOS date range
  uint32_t date = static_cast<uint32_t>((year - 1980) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
  uint32_t time = static_cast<uint32_t>(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
  return date << 16 | time;
}

// Linux keeps no creation time that fstat reports; the last write time stands in for it.
int SysGetFileTimes(SysHandle file, uint32_t* created, uint32_t* accessed, uint32_t* written) {
  SFX_ASSERT(MODULE, file != 0, "hFile != NULL");
  uint32_t c = 0, a = 0, w = 0;
  struct stat st;
  int result = 1;
  if (fstat(fdOf(file), &st) == 0) {
    SysFileTime modify = posixFileTime(st.st_mtim), access = posixFileTime(st.st_atim);
    c = SysFileTimeToDos(&modify);
    a = SysFileTimeToDos(&access);
    w = c;
    result = 0;
  } else {
    posixSetErrno(errno);
  }
  if (created) *created = c;
  if (accessed) *accessed = a;
  if (written) *written = w;
  return result;
}

// Access and write times are set; a creation time cannot be set on Linux and is dropped.
int SysSetFileTimes(SysHandle file, const uint32_t* created, const uint32_t* accessed,
                    const uint32_t* written, const NtfsTimes* ntfs, int timesMask) {
  SFX_ASSERT(MODULE, file != 0, "hFile != NULL");
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = 0;
  times[0].tv_nsec = times[1].tv_nsec = UTIME_OMIT;
  if (ntfs) {
    if (timesMask & SYS_TIMES_ACCESS) times[0] = timespecOf(ntfs->accessed);
    if (timesMask & SYS_TIMES_MODIFY) times[1] = timespecOf(ntfs->written);
  } else {
    SysFileTime ft;
    if (created && SysDosToFileTime(dosDateOf(*created), dosTimeOf(*created), &ft) != 0) return 1;
    if (accessed) {
      if (SysDosToFileTime(dosDateOf(*accessed), dosTimeOf(*accessed), &ft) != 0) return 1;
      times[0] = timespecOf(ft);
    }
    if (written) {
      if (SysDosToFileTime(dosDateOf(*written), dosTimeOf(*written), &ft) != 0) return 1;
      times[1] = timespecOf(ft);
    }
  }
  if (futimens(fdOf(file), times) != 0) return posixSetErrno(errno), 1;
  return 0;
}

// ---- directories and paths ------------------------------------------------------------------------

int SysGetCurrentDirectory(char* buffer) {
  if (!buffer) return 1;
  char host[4096];
  if (!getcwd(host, sizeof host)) return posixSetErrno(errno), 1;
  if (!posixFromHost(host, buffer, SYS_PATH_MAX)) {
    buffer[0] = '\0';
    return posixSetError(SYS_ERROR_FILENAME_EXCED_RANGE), 1;
  }
  return 0;
}

int SysSetCurrentDirectory(const char* path) {
  if (!path) return posixSetError(SYS_ERROR_INVALID_PARAMETER), 1;
  char host[HOST_PATH_MAX];
  if (!posixToHost(path, host, sizeof host)) return 1;
  if (chdir(host) != 0) return posixSetErrno(errno, host), 1;
  return 0;
}

// Linux has no short names: the long path is the answer.
char* SysShortPath(char* shortPath, const char* longPath, uint32_t size) {
  if (shortPath && longPath && size > 0) CopyBounded(shortPath, longPath, size);
  return shortPath;
}

// The OEM and the ANSI code page are both 932 here: every direction is a copy.
char* SysConvertName(char* destination, const char* source, uint32_t length, int direction) {
  if (destination && source && length) std::memmove(destination, source, length);
  return destination;
}

int SysModulePath(char* buffer) {
  if (!buffer) return 1;
  buffer[0] = '\0';
  char host[4096];
  ssize_t n = readlink("/proc/self/exe", host, sizeof host - 1);
  if (n <= 0) return posixSetErrno(errno), 1;
  host[n] = '\0';
  if (!posixFromHost(host, buffer, SYS_PATH_MAX)) return posixSetError(SYS_ERROR_FILENAME_EXCED_RANGE), 1;
  return 0;
}

int SysTempDirectory(char* buffer) {
  if (!buffer) return 1;
  buffer[0] = '\0';
  const char* dir = std::getenv("TMPDIR");
  if (!dir || !*dir) dir = "/tmp";
  // One byte is kept free for the trailing separator.
  if (!posixFromHost(dir, buffer, SYS_PATH_MAX - 1)) {
    buffer[0] = '\0';
    return posixSetError(SYS_ERROR_FILENAME_EXCED_RANGE), 1;
  }
  size_t length = std::strlen(buffer);
  if (length == 0 || buffer[length - 1] != '/') buffer[length] = '/', buffer[length + 1] = '\0';
  return 0;
}

// ---- volume, drive and locale services ----------------------------------------------------------

int SysDriveType(const char* path) { return SYS_DRIVE_FIXED; }

constexpr uint32_t SYS_ERROR_NOT_SUPPORTED = 50;

int SysGetVolumeLabel(const char* path, char* label, uint32_t* serial) {
  if (label) label[0] = '\0';
  if (serial) *serial = 0;
  return posixSetError(SYS_ERROR_NOT_SUPPORTED), 1;
}

int SysSetVolumeLabel(const char* drive, char* label) {
  SFX_ASSERT(MODULE, label != nullptr, "pVolumeName != NULL");
  sysLabelDotToBlank(label);  // a label NAME.EXT is written NAME EXT
  return posixSetError(SYS_ERROR_NOT_SUPPORTED), 1;
}

// The date order and clock style of the environment's LC_TIME locale: the order of the
// day, month and year conversions in its date format, and a 24-hour clock unless its time
// format uses the 12-hour hour.
int SysLoadLocale(int* dateOrder, bool* clock24) {
  locale_t locale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return 1;
  const char* date = nl_langinfo_l(D_FMT, locale);
  const char* time = nl_langinfo_l(T_FMT, locale);
  int order = SYS_DATE_MDY;
  for (const char* p = date; p && *p; ++p) {
    if (*p != '%' || !p[1]) continue;
    char c = *++p;
    if (c == 'm' || c == 'D') break;
    if (c == 'd' || c == 'e') { order = SYS_DATE_DMY; break; }
    if (c == 'y' || c == 'Y' || c == 'F') { order = SYS_DATE_YMD; break; }
  }
  bool hours24 = !(time && (std::strstr(time, "%I") || std::strstr(time, "%l") || std::strstr(time, "%r")));
  freelocale(locale);
  if (dateOrder) *dateOrder = order;
  if (clock24) *clock24 = hours24;
  return 0;
}

char sysDateSeparator() { return '/'; }

uint32_t SysToday() {
  refreshZone();
  time_t now = time(nullptr);
  struct tm local {};
  if (!localtime_r(&now, &local)) return 0;
  return sysDosDay(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}
