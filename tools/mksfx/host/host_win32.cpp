// The builder's host layer on Windows: the wide-character calls (CreateFileW,
// FindFirstFileW, GetCommandLineW), every name converted between UTF-8 and UTF-16 at the
// call, so the builder sees the same UTF-8 bytes for the same tree as on Linux. The console
// reads hidden input with ReadConsoleW and catches Ctrl-C with a control handler; commands
// run through the command interpreter; local time is the system's time zone; code page
// 932 goes through the system's tables without best-fit replacements. Handles are HANDLE
// values; error texts are those Linux gives for the same failures, so messages read alike.
#include <windows.h>
#include <io.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "host/host.h"

const char* const HOST_SEPARATORS = "/\\";

namespace {

constexpr uint64_t FILETIME_UNIX_EPOCH = 116444736000000000ull;  // 100 ns ticks from 1601 to 1970
constexpr int64_t LAST_SECOND = 253402300799;                    // 9999-12-31 23:59:59 UTC
constexpr UINT CP_SHIFT_JIS = 932;

HANDLE handleOf(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// UTF-8 to UTF-16; false when the text is not UTF-8.
bool widen(const std::string& utf8, std::wstring& wide, UINT codePage = CP_UTF8) {
  wide.clear();
  if (utf8.empty()) return true;
  int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (n <= 0) return false;
  wide.resize(static_cast<size_t>(n));
  return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), &wide[0], n) == n;
}

std::wstring widened(const std::string& utf8) {
  std::wstring wide;
  if (!widen(utf8, wide)) SetLastError(ERROR_INVALID_NAME);
  return wide;
}

std::string narrowed(const wchar_t* wide, int length = -1) {
  int n = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, length, &out[0], n, nullptr, nullptr);
  if (length < 0) out.pop_back();  // the terminating zero
  return out;
}

std::string withSlashes(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

int64_t unixOf(const FILETIME& ft) {
  int64_t ticks = static_cast<int64_t>(uint64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime) -
                  static_cast<int64_t>(FILETIME_UNIX_EPOCH);
  return ticks >= 0 ? ticks / 10000000 : -((-ticks + 9999999) / 10000000);
}

FILETIME fileTimeOf(int64_t seconds) {
  uint64_t ticks = FILETIME_UNIX_EPOCH + static_cast<uint64_t>(seconds) * 10000000ull;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}

// Opens what a name leads to (links followed) for its attributes only; directories too.
HANDLE openForAttributes(const std::string& path, DWORD access) {
  std::wstring wide = widened(path);
  if (wide.empty()) return INVALID_HANDLE_VALUE;
  return CreateFileW(wide.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool isConsole(HANDLE h) {
  DWORD mode;
  return h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode) != 0;
}

volatile LONG interrupted = 0;
volatile LONG lastEvent = -1;
volatile LONG endAtOnce = 0;
int endStatus = 0;
const char* endNote = "";

constexpr DWORD CLOSE_GRACE_MS = 4000;  // the system ends a closed console's process after about 5 s

// Runs on a thread of its own. Ctrl-C and Ctrl-Break, and the closing of the console (the
// process is ended once the handler returns, so it waits for the main thread first).
BOOL WINAPI onConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  lastEvent = static_cast<LONG>(event);
  if (endAtOnce) {
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), endNote, static_cast<DWORD>(std::strlen(endNote)), &written, nullptr);
    ExitProcess(static_cast<UINT>(endStatus));
  }
  interrupted = 1;
  if (event == CTRL_CLOSE_EVENT) Sleep(CLOSE_GRACE_MS);
  return TRUE;
}

// The console's state before hostPrepareConsole, given back at the end.
UINT savedOutputCodePage = 0;
DWORD savedErrorMode = 0;
bool errorModeChanged = false;

void restoreConsole() {
  if (savedOutputCodePage) SetConsoleOutputCP(savedOutputCodePage);
  if (errorModeChanged) SetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), savedErrorMode);
}

}  // namespace

bool HostFile::openRead(const std::string& path) {
  close();
  std::wstring wide = widened(path);
  if (wide.empty()) return false;
  HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  handle_ = h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<intptr_t>(h);
  return isOpen();
}

bool HostFile::createNew(const std::string& path) {
  close();
  std::wstring wide = widened(path);
  if (wide.empty()) return false;
  HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  handle_ = h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<intptr_t>(h);
  return isOpen();
}

bool HostFile::createTemporary(const std::string& path, std::string& temporary) {
  // A suffix from the process, the clock and a counter; a name that exists is passed over.
  static unsigned counter = 0;
  const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned value = GetCurrentProcessId() * 2654435761u ^ GetTickCount() ^ (++counter * 40503u);
    std::string suffix;
    for (int i = 0; i < 6; ++i, value /= 36) suffix += digits[value % 36];
    temporary = path + ".mksfx-" + suffix;
    if (createNew(temporary)) return true;
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

int64_t HostFile::read(char* buffer, size_t size) {
  size_t done = 0;
  while (done < size) {
    DWORD n = 0;
    if (!ReadFile(handleOf(handle_), buffer + done, static_cast<DWORD>(size - done), &n, nullptr)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return -1;
    }
    if (n == 0) break;
    done += n;
  }
  return static_cast<int64_t>(done);
}

// Windows moves the position of a synchronous handle with every transfer, also one at a
// given offset: the position is read before and set back after.
bool HostFile::readAt(uint64_t offset, char* buffer, size_t size) {
  LARGE_INTEGER zero{}, position{};
  if (!SetFilePointerEx(handleOf(handle_), zero, &position, FILE_CURRENT) || !seek(offset)) return false;
  bool ok = read(buffer, size) == static_cast<int64_t>(size);
  return seek(static_cast<uint64_t>(position.QuadPart)) && ok;
}

bool HostFile::write(const char* bytes, size_t size) {
  size_t done = 0;
  while (done < size) {
    DWORD n = 0;
    if (!WriteFile(handleOf(handle_), bytes + done, static_cast<DWORD>(size - done), &n, nullptr) || n == 0) {
      return false;
    }
    done += n;
  }
  return true;
}

bool HostFile::writeAt(uint64_t offset, const char* bytes, size_t size) {
  LARGE_INTEGER zero{}, position{};
  if (!SetFilePointerEx(handleOf(handle_), zero, &position, FILE_CURRENT) || !seek(offset)) return false;
  bool ok = write(bytes, size);
  return seek(static_cast<uint64_t>(position.QuadPart)) && ok;
}

bool HostFile::seek(uint64_t position) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(position);
  return SetFilePointerEx(handleOf(handle_), to, nullptr, FILE_BEGIN) != 0;
}

bool HostFile::truncate(uint64_t position) { return seek(position) && SetEndOfFile(handleOf(handle_)) != 0; }

bool HostFile::size(uint64_t& bytes) {
  LARGE_INTEGER s;
  if (!GetFileSizeEx(handleOf(handle_), &s)) return false;
  bytes = static_cast<uint64_t>(s.QuadPart);
  return true;
}

bool HostFile::makeExecutable() { return true; }

bool HostFile::close() {
  if (handle_ == -1) return true;
  bool ok = CloseHandle(handleOf(handle_)) != 0;
  handle_ = -1;
  return ok;
}

bool hostStatus(const std::string& path, HostStatus& status) {
  status = HostStatus();
  std::wstring wide = widened(path);
  if (wide.empty()) return false;
  // A device name opens the device in any folder: NUL, and on older systems "aux.txt" as well.
  // Its attributes may not say so; the system's full form of the path does (\\.\NUL).
  wchar_t full[MAX_PATH];
  DWORD length = GetFullPathNameW(wide.c_str(), MAX_PATH, full, nullptr);
  if (length > 4 && length < MAX_PATH && std::wcsncmp(full, L"\\\\.\\", 4) == 0) {
    status.kind = HostKind::Other;
    return true;
  }
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return false;
  DWORD attributes = data.dwFileAttributes;
  FILETIME written = data.ftLastWriteTime;
  uint64_t size = uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  status.link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (status.link) {
    // A link's own data describes the link: what it leads to is read through a handle.
    HANDLE h = openForAttributes(path, FILE_READ_ATTRIBUTES);
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (!ok) return false;
    attributes = info.dwFileAttributes;
    written = info.ftLastWriteTime;
    size = uint64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
  }
  status.kind = attributes & FILE_ATTRIBUTE_DIRECTORY ? HostKind::Directory
                : attributes & FILE_ATTRIBUTE_DEVICE  ? HostKind::Other
                                                      : HostKind::File;
  status.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  status.size = size;
  status.modified = unixOf(written);
  return true;
}

bool hostExists(const std::string& path) {
  std::wstring wide = widened(path);
  return !wide.empty() && GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool hostReadable(const std::string& path) {
  HostFile file;
  return file.openRead(path);
}

bool hostListDirectory(const std::string& path, std::vector<std::string>& names) {
  std::wstring wide = widened(path);
  if (wide.empty()) return false;
  wide += L"\\*";
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(wide.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) {
    // A drive's root has no "." and ".." and may hold nothing at all.
    return GetLastError() == ERROR_FILE_NOT_FOUND;
  }
  do {
    if (wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0) {
      names.push_back(narrowed(data.cFileName));
    }
  } while (FindNextFileW(search, &data));
  bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(search);
  return complete;
}

std::string hostShortPath(const std::string& path) {
  std::wstring wide = widened(path), buffer(32768, L'\0');
  DWORD n = wide.empty() ? 0 : GetShortPathNameW(wide.c_str(), &buffer[0], static_cast<DWORD>(buffer.size()));
  if (n == 0 || n >= buffer.size()) return std::string();
  return narrowed(buffer.c_str(), static_cast<int>(n));
}

std::string hostCurrentDirectory() {
  std::wstring buffer(32768, L'\0');
  DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), &buffer[0]);
  return n == 0 || n >= buffer.size() ? std::string() : narrowed(buffer.c_str(), static_cast<int>(n));
}

std::string hostRealPath(const std::string& path) {
  HANDLE h = openForAttributes(path, 0);
  if (h == INVALID_HANDLE_VALUE) return std::string();
  std::wstring buffer(32768, L'\0');
  DWORD n = GetFinalPathNameByHandleW(h, &buffer[0], static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
  CloseHandle(h);
  if (n == 0 || n >= buffer.size()) return std::string();
  buffer.resize(n);
  // The system's form is \\?\C:\... or \\?\UNC\server\share\...
  if (buffer.compare(0, 8, L"\\\\?\\UNC\\") == 0) buffer = L"\\\\" + buffer.substr(8);
  else if (buffer.compare(0, 4, L"\\\\?\\") == 0) buffer = buffer.substr(4);
  return withSlashes(narrowed(buffer.c_str()));
}

bool hostRemoveFile(const std::string& path) {
  std::wstring wide = widened(path);
  return !wide.empty() && DeleteFileW(wide.c_str()) != 0;
}

bool hostSetModifiedTime(const std::string& path, int64_t seconds) {
  HANDLE h = openForAttributes(path, FILE_WRITE_ATTRIBUTES);
  if (h == INVALID_HANDLE_VALUE) return false;
  FILETIME time = fileTimeOf(seconds);
  bool ok = SetFileTime(h, nullptr, &time, &time) != 0;
  CloseHandle(h);
  return ok;
}

namespace {

// Puts the file's data on the disk, so that a rename over an existing file cannot leave, after
// a power cut, the new name with data that never reached the disk in place of the old file.
bool flushToDisk(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = FlushFileBuffers(h) != 0;
  DWORD error = GetLastError();
  CloseHandle(h);
  SetLastError(error);
  return ok;
}

}  // namespace

HostPublish hostPublish(const std::string& temporary, const std::string& target, bool replace) {
  std::wstring from = widened(temporary), to = widened(target);
  bool replacing = replace && !to.empty() && GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (!from.empty() && !to.empty() && (!replacing || flushToDisk(from)) &&
      MoveFileExW(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
    return HostPublish::Done;
  }
  DWORD error = GetLastError();
  DeleteFileW(from.c_str());
  SetLastError(error);
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? HostPublish::Exists : HostPublish::Failed;
}

std::string hostErrorText() {
  DWORD error = GetLastError();
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return "No such file or directory";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "Permission denied";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return "File exists";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "No space left on device";
    case ERROR_WRITE_PROTECT: return "Read-only file system";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return "Cannot allocate memory";
    case ERROR_FILENAME_EXCED_RANGE: return "File name too long";
    case ERROR_DIRECTORY: return "Not a directory";
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return "Invalid argument";
    case ERROR_CRC:
    case ERROR_IO_DEVICE: return "Input/output error";
    default: return "system error " + std::to_string(error);
  }
}

std::vector<std::string> hostArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(narrowed(wide[i]));
  LocalFree(wide);
  return arguments;
}

std::string hostOwnFolder() {
  std::wstring buffer(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
  if (n == 0 || n >= buffer.size()) return std::string();
  std::string exe = withSlashes(narrowed(buffer.c_str(), static_cast<int>(n)));
  size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

bool hostEnvironment(const char* name, std::string& value) {
  std::wstring wideName = widened(name);
  SetLastError(ERROR_SUCCESS);
  DWORD n = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (n == 0) {
    value.clear();
    return GetLastError() != ERROR_ENVVAR_NOT_FOUND;
  }
  std::wstring buffer(n, L'\0');
  DWORD got = GetEnvironmentVariableW(wideName.c_str(), &buffer[0], n);
  if (got == 0 || got >= n) return false;
  value = narrowed(buffer.c_str(), static_cast<int>(got));
  return true;
}

int hostRunCommand(const std::string& commandLine) {
  std::string interpreter;
  if (!hostEnvironment("ComSpec", interpreter) || interpreter.empty()) interpreter = "cmd.exe";
  // /s: the interpreter takes everything between the first and the last quote as it is.
  std::wstring line = widened("\"" + interpreter + "\" /d /s /c \"" + commandLine + "\"");
  std::wstring program = widened(interpreter);
  if (line.empty() || program.empty()) return -1;
  std::fflush(nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  bool ok = GetExitCodeProcess(process.hProcess, &code) != 0;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // A status beyond a small count is an exception code: the command did not end normally.
  return ok && code <= 0x7FFFFFFF ? static_cast<int>(code) : -1;
}

// Windows names cannot hold '"', so double quotes keep every other character together.
std::string hostQuoted(const std::string& text) { return "\"" + text + "\""; }

void hostPrepareConsole() {
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (isConsole(GetStdHandle(STD_OUTPUT_HANDLE)) || isConsole(error)) {
    savedOutputCodePage = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
  }
  DWORD mode;
  if (isConsole(error) && GetConsoleMode(error, &mode)) {
    savedErrorMode = mode;
    // The progress line redraws itself with terminal control sequences.
    errorModeChanged = SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
  }
  std::atexit(restoreConsole);
}

bool hostIsTerminal(std::FILE* stream) {
  return isConsole(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))));
}

bool hostReadLine(bool hidden, std::string& line) {
  line.clear();
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (!isConsole(input)) {
    char buffer[256];
    bool read = std::fgets(buffer, sizeof buffer, stdin) != nullptr;
    if (read) line = buffer;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return read && !std::feof(stdin);
  }
  DWORD mode = 0;
  bool restore = hidden && GetConsoleMode(input, &mode) && SetConsoleMode(input, mode & ~ENABLE_ECHO_INPUT);
  std::wstring typed;
  wchar_t buffer[256];
  DWORD n = 0;
  bool ended = false;
  while (typed.find(L'\n') == std::wstring::npos && typed.size() < 1024) {
    if (!ReadConsoleW(input, buffer, 256, &n, nullptr) || n == 0) {
      ended = true;
      break;
    }
    typed.append(buffer, n);
  }
  if (restore) {
    SetConsoleMode(input, mode);
    std::fputc('\n', stderr);
  }
  // Ctrl-Z at the start of a line ends the input, as it does for the C library.
  if (!typed.empty() && typed[0] == 0x1A) ended = true;
  while (!typed.empty() && (typed.back() == L'\n' || typed.back() == L'\r')) typed.pop_back();
  line = narrowed(typed.c_str(), static_cast<int>(typed.size()));
  return !ended;
}

void hostEndOnInterrupt(int status, const char* note) {
  endStatus = status;
  endNote = note;
  endAtOnce = 1;
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void hostCatchInterrupt() {
  endAtOnce = 0;
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

bool hostInterrupted() { return interrupted != 0; }

const char* hostInterruptName() {
  switch (lastEvent) {
    case CTRL_C_EVENT: return "Ctrl-C";
    case CTRL_BREAK_EVENT: return "Ctrl-Break";
    case CTRL_CLOSE_EVENT: return "console closed";
    default: return "";
  }
}

int64_t hostMilliseconds() { return static_cast<int64_t>(GetTickCount64()); }

bool hostLocalTime(int64_t seconds, HostLocalTime& local) {
  if (seconds < -11644473600LL) return false;  // before 1601, the first FILETIME
  FILETIME ft = fileTimeOf(seconds < LAST_SECOND ? seconds : LAST_SECOND);
  SYSTEMTIME utc, zoned;
  if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &zoned)) return false;
  local = {zoned.wYear, zoned.wMonth, zoned.wDay, zoned.wHour, zoned.wMinute, zoned.wSecond};
  return true;
}

bool hostUtf8ToCp932(const std::string& utf8, std::string& cp932) {
  std::wstring wide;
  if (!widen(utf8, wide)) return false;
  cp932.clear();
  if (wide.empty()) return true;
  BOOL defaulted = FALSE;
  int n = WideCharToMultiByte(CP_SHIFT_JIS, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                              nullptr, &defaulted);
  if (n <= 0 || defaulted) return false;
  cp932.resize(static_cast<size_t>(n));
  WideCharToMultiByte(CP_SHIFT_JIS, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), &cp932[0], n,
                      nullptr, &defaulted);
  return !defaulted;
}

bool hostCp932ToUtf8(const std::string& cp932, std::string& utf8) {
  // The single bytes Windows maps but the code page's standard table leaves out (0x80,
  // 0xA0, 0xFD to 0xFF) and a lead byte without its trail byte are not characters, as on
  // Linux.
  for (size_t i = 0; i < cp932.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(cp932[i]);
    if (c == 0x80 || c == 0xA0 || c >= 0xFD) return false;
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
      if (++i >= cp932.size()) return false;
    }
  }
  std::wstring wide;
  if (!widen(cp932, wide, CP_SHIFT_JIS)) return false;
  utf8 = narrowed(wide.c_str(), static_cast<int>(wide.size()));
  return true;
}
