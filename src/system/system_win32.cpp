// System services on Win32: thin wrappers over the real calls, each turning the platform's
// result into 0 / 1 (or -1 for a handle). Reads and writes are shielded from console break
// events: a break during a transfer only sets a flag, and the event is raised again once the
// transfer is complete. DOS date-times are local time and go through the platform's local
// and UTC file-time conversions. Handles are HANDLE values cast to SysHandle.
#include <windows.h>
#include <winioctl.h>

#include <cstring>

#include "system/dbcs.h"
#include "system/system.h"
#include "system/system_internal.h"

namespace {

constexpr const char* MODULE = "ZSYSTEM";

// Set by the console control handler on the platform's own thread; a single aligned store.
volatile LONG breakFlag = 0;

BOOL WINAPI onConsoleEvent(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) breakFlag = 1;
  return TRUE;  // handled: the process does not end in the middle of a transfer
}

// The break scope: how deep scopes are open, and whether the scope's handler is installed.
int scopeDepth = 0;
bool scopeGuard = false;

// Removes the handler (the scope's or a transfer's own) and raises a pending break again.
void guardRemove() {
  DWORD error = GetLastError();
  SetConsoleCtrlHandler(onConsoleEvent, FALSE);
  if (breakFlag) GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
  SetLastError(error);
}

// True when the transfer installed a handler of its own (no scope's handler is in place).
bool guardBegin() {
  if (scopeGuard) return false;
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
  return true;
}

void guardEnd(bool own) {
  if (!own && !breakFlag) return;  // the scope's handler stays for the next transfer
  if (!own) scopeGuard = false;
  guardRemove();
}

HANDLE handleOf(SysHandle file) { return reinterpret_cast<HANDLE>(file); }

SysFileTime fromFiletime(const FILETIME& ft) {
  return static_cast<SysFileTime>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
}

FILETIME toFiletime(SysFileTime t) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(t);
  ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
  return ft;
}

// The root "X:\" made of the first character of path.
void rootOf(const char* path, char root[4]) {
  root[0] = path[0];
  root[1] = ':';
  root[2] = '\\';
  root[3] = '\0';
}

void fillRecord(const WIN32_FIND_DATAA& data, FindRecord* record) {
  record->attributes = data.dwFileAttributes;
  record->rawCreated = fromFiletime(data.ftCreationTime);
  record->rawAccessed = fromFiletime(data.ftLastAccessTime);
  record->rawWritten = fromFiletime(data.ftLastWriteTime);
  record->created = SysFileTimeToDos(&record->rawCreated);
  record->accessed = SysFileTimeToDos(&record->rawAccessed);
  record->written = SysFileTimeToDos(&record->rawWritten);
  record->size = data.nFileSizeLow;
  // The short name type takes the alternate name; a name that already is 8.3 has none, and
  // then the long name is the short one.
  const char* name = data.cFileName;
  if (!SysGetNameType() && data.cAlternateFileName[0]) name = data.cAlternateFileName;
  CopyBounded(record->name, name, sizeof record->name);
  CopyBounded(record->shortName, data.cAlternateFileName, sizeof record->shortName);
}

}  // namespace

bool SysIsLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != 0; }

uint32_t SysLastError() { return GetLastError(); }

bool SysBreakPending() { return breakFlag != 0; }

void SysBeginBreakScope() {
  if (scopeDepth++ == 0 && !breakFlag) scopeGuard = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
}

void SysEndBreakScope() {
  if (scopeDepth == 0 || --scopeDepth != 0 || !scopeGuard) return;
  scopeGuard = false;
  guardRemove();
}

// ---- files --------------------------------------------------------------------------------------

int SysCreateDirectory(const char* directory, void* securityAttributes) {
  SFX_ASSERT(MODULE, directory != nullptr, "lpszDirectory != NULL");
  return CreateDirectoryA(directory, static_cast<LPSECURITY_ATTRIBUTES>(securityAttributes)) ? 0 : 1;
}

int SysDeleteFile(const char* path) { return path && DeleteFileA(path) ? 0 : 1; }

// A rename within one volume that replaces the target in one step of the file system; a
// symbolic link in the target's place is replaced itself, and other hard links of the old
// file keep its bytes. ReplaceFile, which would carry the old file's security and streams
// over, is no single step: its own failure modes show the old name taken away before the
// new file gets it (the old file then lives under another name), and a process ended in
// between would leave the name empty. Windows refuses a read-only target itself; Wine run
// by root would not, so the attribute is looked at first.
int SysReplaceFile(const char* source, const char* target) {
  SFX_ASSERT(MODULE, source != nullptr, "pszSource != NULL");
  SFX_ASSERT(MODULE, target != nullptr, "pszTarget != NULL");
  DWORD attributes = GetFileAttributesA(target);
  constexpr DWORD NOT_REPLACED = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY;
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & NOT_REPLACED)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 1;
  }
  return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}

SysHandle SysOpenFile(const char* name, uint32_t access, uint32_t shareMode, uint32_t disposition,
                      uint32_t flagsAndAttributes) {
  SFX_ASSERT(MODULE, name != nullptr, "pszFileName != NULL");
  HANDLE h = CreateFileA(name, access, shareMode, nullptr, disposition, flagsAndAttributes, nullptr);
  return h == INVALID_HANDLE_VALUE ? SYS_INVALID_HANDLE : reinterpret_cast<SysHandle>(h);
}

int SysReadFile(SysHandle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) {
  SFX_ASSERT(MODULE, file != 0, "hFile != NULL");
  SFX_ASSERT(MODULE, buffer != nullptr, "pBuffer != NULL");
  SFX_ASSERT(MODULE, bytesToRead > 0, "uBytes2Read > 0");
  SFX_ASSERT(MODULE, bytesRead != nullptr, "puBytesRead != NULL");
  DWORD n = 0;
  bool own = guardBegin();
  BOOL ok = ReadFile(handleOf(file), buffer, bytesToRead, &n, nullptr);
  guardEnd(own);
  *bytesRead = n;
  return ok ? 0 : 1;
}

int SysWriteFile(SysHandle file, const void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten) {
  SFX_ASSERT(MODULE, file != 0, "hFile != NULL");
  SFX_ASSERT(MODULE, buffer != nullptr, "pBuffer != NULL");
  SFX_ASSERT(MODULE, bytesWritten != nullptr, "puBytesWrite != NULL");
  DWORD n = 0;
  bool own = guardBegin();
  BOOL ok = WriteFile(handleOf(file), buffer, bytesToWrite, &n, nullptr);
  guardEnd(own);
  *bytesWritten = n;
  return ok ? 0 : 1;
}

// -1 is no handle here, although CloseHandle would take it for the current process.
int SysCloseFile(SysHandle file) {
  if (file == SYS_INVALID_HANDLE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 1;
  }
  return CloseHandle(handleOf(file)) ? 0 : 1;
}

int SysSetEndOfFile(SysHandle file) {
  SFX_ASSERT(MODULE, file != 0, "hFile != NULL");
  return SetEndOfFile(handleOf(file)) ? 0 : 1;
}

int SysFlushFile(SysHandle file) { return FlushFileBuffers(handleOf(file)) ? 0 : 1; }

int SysFileSize(SysHandle file, uint32_t* size) {
  DWORD high = 0;
  DWORD low = GetFileSize(handleOf(file), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return 1;
  *size = high ? 0xFFFFFFFFu : low;
  return 0;
}

int SysSeek(SysHandle file, int32_t distance, uint32_t* newPosition, int origin) {
  SFX_ASSERT(MODULE, file != 0, "hFile != NULL");
  SFX_ASSERT(MODULE, origin == SYS_FPOS_BEGIN || origin == SYS_FPOS_CURRENT || origin == SYS_FPOS_END,
             "MoveType == SYS_FPOS_BEGIN || MoveType == SYS_FPOS_CURRENT || MoveType == SYS_FPOS_END");
  HANDLE h = handleOf(file);
  int64_t target = static_cast<uint32_t>(distance);  // from the start: a position
  if (origin != SYS_FPOS_BEGIN) {
    DWORD high = 0;
    DWORD low = origin == SYS_FPOS_END ? GetFileSize(h, &high)
                                       : SetFilePointer(h, 0, reinterpret_cast<LONG*>(&high), FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return 1;
    target = static_cast<int64_t>(uint64_t(high) << 32 | low) + distance;
  }
  if (target < 0 || target >= 0xFFFFFFFFll) {
    SetLastError(target < 0 ? ERROR_NEGATIVE_SEEK : ERROR_INVALID_PARAMETER);
    return 1;
  }
  LONG high = 0;  // with a high part the system takes the low one as unsigned
  DWORD low = SetFilePointer(h, static_cast<LONG>(target), &high, FILE_BEGIN);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return 1;
  if (newPosition) *newPosition = static_cast<uint32_t>(target);
  return 0;
}

int SysGetAttributes(const char* name, uint32_t* attributes) {
  SFX_ASSERT(MODULE, name != nullptr, "pFileName != NULL");
  SFX_ASSERT(MODULE, attributes != nullptr, "pFileAttr != NULL");
  *attributes = GetFileAttributesA(name);
  return *attributes == INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

bool SysNewFileHas(uint32_t attributes) { return attributes == SYS_ATTR_ARCHIVE; }

// Sets the attributes; with the compressed bit on Windows NT it also asks the file system to
// compress the file or directory (the answer is not examined: not every volume compresses).
int SysSetAttributes(const char* name, uint32_t attributes) {
  SFX_ASSERT(MODULE, name != nullptr, "pFileName != NULL");
  if (!SetFileAttributesA(name, attributes)) return 1;
  if (!(attributes & SYS_ATTR_COMPRESSED)) return 0;
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;  // 148 bytes
  if (!GetVersionExA(&version) || version.dwPlatformId != VER_PLATFORM_WIN32_NT) return 0;
  DWORD flags = (attributes & SYS_ATTR_DIRECTORY) ? FILE_FLAG_BACKUP_SEMANTICS : 0;
  HANDLE h = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 1;
  USHORT format = COMPRESSION_FORMAT_DEFAULT;
  DWORD returned = 0;
  DeviceIoControl(h, FSCTL_SET_COMPRESSION, &format, sizeof format, nullptr, 0, &returned, nullptr);
  CloseHandle(h);
  return 0;
}

// ---- times --------------------------------------------------------------------------------------

int SysDosToFileTime(uint16_t dosDate, uint16_t dosTime, SysFileTime* fileTime) {
  SFX_ASSERT(MODULE, fileTime != nullptr, "pftFileTime != NULL");
  FILETIME local, utc;
  if (!DosDateTimeToFileTime(dosDate, dosTime, &local) || !LocalFileTimeToFileTime(&local, &utc)) return 1;
  *fileTime = fromFiletime(utc);
  return 0;
}

uint32_t SysFileTimeToDos(const SysFileTime* fileTime) {
  SFX_ASSERT(MODULE, fileTime != nullptr, "pftFileTime != NULL");
  FILETIME utc = toFiletime(*fileTime), local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&utc, &local)) return 0;
  // The DOS range ends with 2107; some platforms wrap later years round to 1980 instead of failing.
  SYSTEMTIME fields;
  if (!FileTimeToSystemTime(&local, &fields) || fields.wYear < 1980 || fields.wYear > 2107) return 0;
  if (!FileTimeToDosDateTime(&local, &date, &time)) return 0;
  return static_cast<uint32_t>(date) << 16 | time;
}

int SysGetFileTimes(SysHandle file, uint32_t* created, uint32_t* accessed, uint32_t* written) {
  SFX_ASSERT(MODULE, file != 0, "hFile != NULL");
  FILETIME c, a, w;
  bool ok = GetFileTime(handleOf(file), &c, &a, &w) != 0;
  SysFileTime tc = fromFiletime(c), ta = fromFiletime(a), tw = fromFiletime(w);
  if (created) *created = ok ? SysFileTimeToDos(&tc) : 0;
  if (accessed) *accessed = ok ? SysFileTimeToDos(&ta) : 0;
  if (written) *written = ok ? SysFileTimeToDos(&tw) : 0;
  return ok ? 0 : 1;
}

int SysSetFileTimes(SysHandle file, const uint32_t* created, const uint32_t* accessed,
                    const uint32_t* written, const NtfsTimes* ntfs, int timesMask) {
  SFX_ASSERT(MODULE, file != 0, "hFile != NULL");
  FILETIME c, a, w;
  const FILETIME *pc = nullptr, *pa = nullptr, *pw = nullptr;
  if (ntfs) {
    if (timesMask & SYS_TIMES_ACCESS) a = toFiletime(ntfs->accessed), pa = &a;
    if (timesMask & SYS_TIMES_MODIFY) w = toFiletime(ntfs->written), pw = &w;
    if (timesMask & SYS_TIMES_CREATE) c = toFiletime(ntfs->created), pc = &c;
  } else {
    SysFileTime t;
    if (created) {
      if (SysDosToFileTime(dosDateOf(*created), dosTimeOf(*created), &t) != 0) return 1;
      c = toFiletime(t), pc = &c;
    }
    if (accessed) {
      if (SysDosToFileTime(dosDateOf(*accessed), dosTimeOf(*accessed), &t) != 0) return 1;
      a = toFiletime(t), pa = &a;
    }
    if (written) {
      if (SysDosToFileTime(dosDateOf(*written), dosTimeOf(*written), &t) != 0) return 1;
      w = toFiletime(t), pw = &w;
    }
  }
  return SetFileTime(handleOf(file), pc, pa, pw) ? 0 : 1;
}

// ---- directory searches -----------------------------------------------------------------------

SysHandle SysFindFirst(const char* pattern, FindRecord* record) {
  SFX_ASSERT(MODULE, pattern != nullptr, "pFileName != NULL");
  SFX_ASSERT(MODULE, record != nullptr, "pFindData != NULL");
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA(pattern, &data);
  if (h == INVALID_HANDLE_VALUE) return SYS_INVALID_HANDLE;
  fillRecord(data, record);
  return reinterpret_cast<SysHandle>(h);
}

int SysFindNext(SysHandle search, FindRecord* record) {
  SFX_ASSERT(MODULE, search != 0, "hSearch != NULL");
  SFX_ASSERT(MODULE, record != nullptr, "pFindData != NULL");
  WIN32_FIND_DATAA data;
  if (!FindNextFileA(handleOf(search), &data)) return 1;
  fillRecord(data, record);
  return 0;
}

int SysFindClose(SysHandle search) { return FindClose(handleOf(search)) ? 0 : 1; }

// FindFirstFile takes '*', '?', '<', '>' and '"' as wildcards; no Windows file name holds
// one of them, so a path with one names no file. Any other path is a name, never a pattern.
int SysLookUp(const char* path, FindRecord* record) {
  SFX_ASSERT(MODULE, path != nullptr, "pFileName != NULL");
  SFX_ASSERT(MODULE, record != nullptr, "pFindData != NULL");
  char literal[SYS_PATH_MAX];
  if (!sysLiteralPath(path, literal) || std::strpbrk(literal, "*?<>\"") != nullptr) return 1;
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA(literal, &data);
  if (h == INVALID_HANDLE_VALUE) return 1;
  FindClose(h);
  fillRecord(data, record);
  return 0;
}

// ---- directories and paths ------------------------------------------------------------------------

char* SysFullPath(char* full, const char* file) {
  SFX_ASSERT(MODULE, file != nullptr, "pszFile != NULL");
  SFX_ASSERT(MODULE, full != nullptr, "pszFull != NULL");
  char result[SYS_PATH_MAX];
  char* part = nullptr;
  DWORD n = GetFullPathNameA(file, sizeof result, result, &part);
  if (n == 0 || n >= sizeof result) {
    // Not representable in 259 characters: the input stays as it was.
    CopyBounded(full, file, SYS_PATH_MAX);
    return nullptr;
  }
  size_t partOffset = part ? static_cast<size_t>(part - result) : n;  // a trailing separator: empty name
  std::memcpy(full, result, n + 1);
  return full + partOffset;
}

int SysGetCurrentDirectory(char* buffer) {
  if (!buffer) return 1;
  DWORD n = GetCurrentDirectoryA(SYS_PATH_MAX, buffer);
  if (n == 0 || n >= static_cast<DWORD>(SYS_PATH_MAX)) {
    buffer[0] = '\0';
    return 1;
  }
  return 0;
}

int SysSetCurrentDirectory(const char* path) { return path && SetCurrentDirectoryA(path) ? 0 : 1; }

char* SysShortPath(char* shortPath, const char* longPath, uint32_t size) {
  if (!shortPath || !longPath || size == 0) return shortPath;
  char result[SYS_PATH_MAX];
  DWORD n = GetShortPathNameA(longPath, result, sizeof result);
  if (n == 0 || n >= sizeof result) CopyBounded(shortPath, longPath, size);
  else CopyBounded(shortPath, result, size);
  return shortPath;
}

char* SysConvertName(char* destination, const char* source, uint32_t length, int direction) {
  if (!destination || !source || length == 0) return destination;
  if (direction == SYS_ANSI_TO_OEM) CharToOemBuffA(source, destination, length);
  else if (direction == SYS_OEM_TO_ANSI) OemToCharBuffA(source, destination, length);
  else std::memmove(destination, source, length);
  return destination;
}

namespace {

// A path the system gives in UTF-16, in the ANSI code page. A folder name with a character
// that code page lacks ("José" where it is 932) has no ANSI form: the system's own ANSI
// calls put a look-alike or '?' in its place, and the path then names nothing or another
// folder. Its short form (8.3 names, which the volume makes in ASCII) names it. False
// when neither form fits.
bool ansiPath(const wchar_t* wide, char* buffer) {
  BOOL lossy = FALSE;
  if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, buffer, SYS_PATH_MAX, nullptr, &lossy) > 0 &&
      !lossy) {
    return true;
  }
  wchar_t shortWide[SYS_PATH_MAX];
  DWORD n = GetShortPathNameW(wide, shortWide, SYS_PATH_MAX);
  lossy = FALSE;
  return n > 0 && n < static_cast<DWORD>(SYS_PATH_MAX) &&
         WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, shortWide, -1, buffer, SYS_PATH_MAX, nullptr, &lossy) > 0 &&
         !lossy;
}

}  // namespace

int SysModulePath(char* buffer) {
  if (!buffer) return 1;
  wchar_t wide[SYS_PATH_MAX];
  DWORD w = GetModuleFileNameW(nullptr, wide, SYS_PATH_MAX);
  if (w > 0 && w < static_cast<DWORD>(SYS_PATH_MAX) && ansiPath(wide, buffer)) return 0;
  DWORD n = GetModuleFileNameA(nullptr, buffer, SYS_PATH_MAX);
  if (n == 0 || n >= static_cast<DWORD>(SYS_PATH_MAX)) {
    buffer[0] = '\0';
    return 1;
  }
  return 0;
}

int SysTempDirectory(char* buffer) {
  if (!buffer) return 1;
  wchar_t wide[SYS_PATH_MAX];
  DWORD w = GetTempPathW(SYS_PATH_MAX, wide);
  if (w > 0 && w < static_cast<DWORD>(SYS_PATH_MAX) && ansiPath(wide, buffer)) return 0;
  DWORD n = GetTempPathA(SYS_PATH_MAX, buffer);
  if (n == 0 || n >= static_cast<DWORD>(SYS_PATH_MAX)) {
    buffer[0] = '\0';
    return 1;
  }
  return 0;
}

// ---- volume, drive and locale services ----------------------------------------------------------

int SysDriveType(const char* path) {
  char root[4];
  UINT type;
  if (path && path[0]) {
    rootOf(path, root);
    type = GetDriveTypeA(root);
  } else {
    type = GetDriveTypeA(nullptr);
  }
  switch (type) {
    case DRIVE_REMOVABLE: case DRIVE_FIXED: case DRIVE_REMOTE: case DRIVE_CDROM: case DRIVE_RAMDISK:
      return static_cast<int>(type);
    default:
      return SYS_DRIVE_FIXED;
  }
}

int SysGetVolumeLabel(const char* path, char* label, uint32_t* serial) {
  if (serial) *serial = 0;
  if (!label) return 1;
  label[0] = '\0';
  char root[4];
  const char* rootPath = nullptr;
  if (path && path[0]) rootOf(path, root), rootPath = root;
  constexpr DWORD LABEL_BUFFER = 260;  // the callers' buffers hold 261 bytes
  BOOL ok = GetVolumeInformationA(rootPath, label, LABEL_BUFFER, nullptr, nullptr, nullptr, nullptr, 0);
  if (!ok) label[0] = '\0';
  return ok ? 0 : 1;
}

int SysSetVolumeLabel(const char* drive, char* label) {
  SFX_ASSERT(MODULE, label != nullptr, "pVolumeName != NULL");
  sysLabelDotToBlank(label);  // a label NAME.EXT is written NAME EXT
  char root[4];
  const char* rootPath = nullptr;
  if (drive && drive[0]) rootOf(drive, root), rootPath = root;
  return SetVolumeLabelA(rootPath, label) ? 0 : 1;
}

// LOCALE_IDATE: '0' month-day-year, '1' day-month-year, '2' year-month-day.
// LOCALE_ITIME: '0' 12-hour clock, '1' 24-hour clock.
int SysLoadLocale(int* dateOrder, bool* clock24) {
  char value[5];
  if (!GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDATE, value, sizeof value)) return 1;
  int order = value[0] == '0' ? SYS_DATE_MDY : value[0] == '1' ? SYS_DATE_DMY : SYS_DATE_YMD;
  if (!GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ITIME, value, sizeof value)) return 1;
  if (dateOrder) *dateOrder = order;
  if (clock24) *clock24 = value[0] != '0';
  return 0;
}

// The first character of the user's "sDate" setting; '/' when it cannot be read.
char sysDateSeparator() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return '/';
  BYTE value[5];
  DWORD size = sizeof value;
  LONG status = RegQueryValueExA(key, "sDate", nullptr, nullptr, value, &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || size == 0 || value[0] == 0) return '/';
  return static_cast<char>(value[0]);
}

uint32_t SysToday() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return sysDosDay(now.wYear, now.wMonth, now.wDay);
}
