// The one layer between the engine and the operating system: files, directories,
// attributes, time stamps, directory searches, console-break shielding, volume labels,
// drive classes and locale date rules. Two implementations share this header:
// system_win32.cpp (the real Win32 calls) and system_posix.cpp (the same contract on Linux,
// with code page 932 names converted to UTF-8 at the file-system boundary).
//
// Habits of every operation: pointer arguments are checked by assertions of module
// "ZSYSTEM" whose text is the quoted condition; results are 0 on success and 1 on failure
// (or -1 for a failed handle); nothing here reports errors: callers choose the code.
// Constants carry their Win32 values.
//
// What the two implementations cannot share:
// - Handles: HANDLE values on Win32; file descriptors (never 0 to 2) on POSIX.
// - Names: code page 932 on both; POSIX converts them to UTF-8 at the file system and
//   accepts '\' beside '/'. POSIX has no short names: the alternate name of a FindRecord is
//   empty and SysShortPath copies. A search name without wildcards is looked up with the
//   file system's own case rules, as is one with them that POSIX holds as it is written
//   (Linux allows '*' and '?' in names); wildcard patterns ignore case on both.
// - Attributes: POSIX keeps only read-only, as the absence of every write permission bit of
//   a file; hidden, system and compressed are ignored, directories are never read-only.
// - Times: POSIX converts DOS date-times with the zone offset of the date itself, Win32 with
//   the platform's current local bias. POSIX cannot set a creation time and reports the last
//   write time in its place.
// - Volumes and locale: POSIX drives are always fixed, labels cannot be read or set
//   (result 1), the date separator is '/', and SysLoadLocale reads the LC_TIME formats.
// - SysLastError gives Win32 codes on both (POSIX translates errno).
#pragma once

#include <cstddef>
#include <cstdint>

// ---- assertions -------------------------------------------------------------------------

// Stops the program with "<module>: assertion failed: <text>". Tests may install a hook
// that throws instead, so that assertion paths can be checked without ending the process.
[[noreturn]] void SysAssertFailed(const char* module, const char* text);
using SysAssertHook = void (*)(const char* module, const char* text);
void SysSetAssertHook(SysAssertHook hook);

// `text` is the condition as the module names it (its parameter names), kept verbatim.
#define SFX_ASSERT(module, cond, text) \
  do { if (!(cond)) SysAssertFailed(module, text); } while (0)

// ---- process end --------------------------------------------------------------------------

// The one place where the process ends on purpose (fatal reports, assertions excluded).
// Runs the exit hook when one is installed (tests throw from it), else ends the process
// with `status` (ExitProcess on Windows, so the full 32-bit status reaches the parent).
[[noreturn]] void SysExit(int status);
using SysExitHook = void (*)(int status);
SysExitHook SysSetExitHook(SysExitHook hook);  // returns the hook it replaces

// ---- constants (Win32 values) -------------------------------------------------------------

using SysHandle = intptr_t;  // a file or search handle; SYS_INVALID_HANDLE when absent
constexpr SysHandle SYS_INVALID_HANDLE = -1;

constexpr int SYS_PATH_MAX = 260;  // _MAX_PATH: 259 characters and a terminating zero

constexpr uint32_t SYS_GENERIC_READ = 0x80000000u;
constexpr uint32_t SYS_GENERIC_WRITE = 0x40000000u;
constexpr uint32_t SYS_FILE_SHARE_READ = 0x1;
constexpr uint32_t SYS_FILE_SHARE_WRITE = 0x2;

constexpr uint32_t SYS_CREATE_NEW = 1;
constexpr uint32_t SYS_CREATE_ALWAYS = 2;
constexpr uint32_t SYS_OPEN_EXISTING = 3;
constexpr uint32_t SYS_OPEN_ALWAYS = 4;
constexpr uint32_t SYS_TRUNCATE_EXISTING = 5;

constexpr uint32_t SYS_ATTR_READONLY = 0x01;
constexpr uint32_t SYS_ATTR_HIDDEN = 0x02;
constexpr uint32_t SYS_ATTR_SYSTEM = 0x04;
constexpr uint32_t SYS_ATTR_VOLUME = 0x08;
constexpr uint32_t SYS_ATTR_DIRECTORY = 0x10;
constexpr uint32_t SYS_ATTR_ARCHIVE = 0x20;
constexpr uint32_t SYS_ATTR_NORMAL = 0x80;
constexpr uint32_t SYS_ATTR_COMPRESSED = 0x800;
constexpr uint32_t SYS_INVALID_ATTRIBUTES = 0xFFFFFFFFu;

constexpr uint32_t SYS_ERROR_FILE_NOT_FOUND = 2;
constexpr uint32_t SYS_ERROR_PATH_NOT_FOUND = 3;
constexpr uint32_t SYS_ERROR_ACCESS_DENIED = 5;
constexpr uint32_t SYS_ERROR_NOT_READY = 21;
constexpr uint32_t SYS_ERROR_FILE_EXISTS = 80;
constexpr uint32_t SYS_ERROR_ALREADY_EXISTS = 183;

// Seek origins: FILE_BEGIN, FILE_CURRENT, FILE_END.
constexpr int SYS_FPOS_BEGIN = 0;
constexpr int SYS_FPOS_CURRENT = 1;
constexpr int SYS_FPOS_END = 2;

// SysConvertName directions.
constexpr int SYS_ANSI_TO_OEM = 1;
constexpr int SYS_OEM_TO_ANSI = 2;

// Name types for SysSetNameType: every code but SYS_NAMES_SHORT selects long names.
constexpr int SYS_NAMES_LONG = 0;
constexpr int SYS_NAMES_SHORT = 2;

// Drive classes (GetDriveType values; every other answer is reported as fixed).
constexpr int SYS_DRIVE_REMOVABLE = 2;
constexpr int SYS_DRIVE_FIXED = 3;
constexpr int SYS_DRIVE_REMOTE = 4;
constexpr int SYS_DRIVE_CDROM = 5;
constexpr int SYS_DRIVE_RAMDISK = 6;

// Date orders (the option state's dateOrder).
constexpr int SYS_DATE_MDY = 2;
constexpr int SYS_DATE_DMY = 3;
constexpr int SYS_DATE_YMD = 4;

// ---- records ------------------------------------------------------------------------------

using SysFileTime = uint64_t;  // 100-ns intervals since 1601-01-01 UTC (FILETIME)

// DOS date-time: DOS date in the high 16 bits, DOS time in the low 16 bits, local time.
inline uint16_t dosDateOf(uint32_t dateTime) { return static_cast<uint16_t>(dateTime >> 16); }
inline uint16_t dosTimeOf(uint32_t dateTime) { return static_cast<uint16_t>(dateTime & 0xFFFF); }

struct FindRecord {
  uint32_t attributes;
  uint32_t created;   // DOS date-times, 0 when a time cannot be converted
  uint32_t accessed;
  uint32_t written;
  uint32_t size;      // low 32 bits of the file size
  char name[SYS_PATH_MAX];  // long name, or the short name when the name type is short
  char shortName[16];       // the 8.3 alternate; empty when the long name already is one
  SysFileTime rawCreated;
  SysFileTime rawAccessed;
  SysFileTime rawWritten;
};

// The three times of an NTFS extra field (tag 0x000A, attribute 1), in this order.
struct NtfsTimes {
  SysFileTime created;
  SysFileTime accessed;
  SysFileTime written;
};

// timesMask bits: which NTFS times SysSetFileTimes restores.
constexpr int SYS_TIMES_ACCESS = 1;
constexpr int SYS_TIMES_MODIFY = 2;
constexpr int SYS_TIMES_CREATE = 4;

// ---- file system services -----------------------------------------------------------------

int SysCreateDirectory(const char* directory, void* securityAttributes);
int SysDeleteFile(const char* path);
// Gives the file `source` the name `target` in one rename, replacing a file of that name:
// at every moment, and after a power cut once the source's data was flushed, `target`
// names either the old file or the new one, never neither. Both names must lie in one
// directory of one volume. What stood under `target` is replaced itself, never written
// through: a symbolic link is replaced by the file, a hard link of the old file keeps the
// old bytes. On POSIX the source first takes the old file's permission bits (and owner,
// where the process may set it). Fails (1) when the target is a directory or a read-only
// file; the source then keeps its name.
int SysReplaceFile(const char* source, const char* target);
// Returns a pointer to the file-name part inside `full` (260 bytes), or null when the path
// could not be made absolute (then `full` holds the input unchanged, cut to 259 bytes).
char* SysFullPath(char* full, const char* file);
SysHandle SysOpenFile(const char* name, uint32_t access, uint32_t shareMode, uint32_t disposition,
                      uint32_t flagsAndAttributes);
int SysReadFile(SysHandle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead);
int SysWriteFile(SysHandle file, const void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten);
int SysCloseFile(SysHandle file);
int SysSetEndOfFile(SysHandle file);
// Writes the file's data through to the disk (fsync, FlushFileBuffers), so that a rename
// made afterwards never names data that a power cut lost.
int SysFlushFile(SysHandle file);
// The size of an open file; 0xFFFFFFFF for a file of 4 GiB or more.
int SysFileSize(SysHandle file, uint32_t* size);
// Moves the file pointer: from the start to the position `distance` read as unsigned (a ZIP
// archive's offsets reach 4 GiB), from the current position or the end by the signed
// `distance`. The new position must lie between 0 and 0xFFFFFFFE; otherwise the call fails
// and the pointer stays where it was.
int SysSeek(SysHandle file, int32_t distance, uint32_t* newPosition, int origin);
int SysGetAttributes(const char* name, uint32_t* attributes);
int SysSetAttributes(const char* name, uint32_t attributes);
int SysDosToFileTime(uint16_t dosDate, uint16_t dosTime, SysFileTime* fileTime);
uint32_t SysFileTimeToDos(const SysFileTime* fileTime);
int SysGetFileTimes(SysHandle file, uint32_t* created, uint32_t* accessed, uint32_t* written);
// Each DOS date-time pointer may be null (that time stays unchanged). With `ntfs` given, the
// DOS values are ignored and `timesMask` picks which NTFS times are set.
int SysSetFileTimes(SysHandle file, const uint32_t* created, const uint32_t* accessed,
                    const uint32_t* written, const NtfsTimes* ntfs, int timesMask);
SysHandle SysFindFirst(const char* pattern, FindRecord* record);
// Looks one path up as a name, never as a pattern (a name with '*' or '?' names only that
// file), finding what SysOpenFile would open; a trailing separator is ignored, so that a
// directory is found as "dir/" too. 0 with the record filled, 1 when there is no such file.
int SysLookUp(const char* path, FindRecord* record);
int SysFindNext(SysHandle search, FindRecord* record);
int SysFindClose(SysHandle search);
uint32_t SysLastError();
int SysGetCurrentDirectory(char* buffer);  // 260 bytes
int SysSetCurrentDirectory(const char* path);
char* SysShortPath(char* shortPath, const char* longPath, uint32_t size);
char* SysConvertName(char* destination, const char* source, uint32_t length, int direction);
void SysSetNameType(int code);
bool SysGetNameType();  // true while long names are selected
char* SysUpperCase(char* text);
// True when c starts a double-byte character in the ANSI code page (932 on the target).
bool SysIsLeadByte(unsigned char c);
int SysToUpper(int c);
const char* SysFindColon(const char* text, int which);  // 1 first, 2 last
uint32_t SysKeepAttributes(uint32_t attributes);
// True when a file made with SysOpen(SYS_CREATE_NEW) and no attributes already has exactly
// `attributes`: on Windows a new file has the archive attribute and nothing else, so setting
// it again by name would only cost a second opening of the file.
bool SysNewFileHas(uint32_t attributes);
// 1 with *result a new record owned by the caller (release with delete); 0 with null when
// the field holds no times; -1 with null when no memory was left for the record.
int SysParseNtfsTimes(const uint8_t* extra, uint32_t length, NtfsTimes** result);

// Process-wide break flag, set by the console control handler and never cleared.
bool SysBreakPending();

// Every read and write holds a console break back until its transfer is complete, and then
// raises it again. Outside a scope each transfer installs and removes the handler around
// itself; inside one (a whole extraction run) the handler stays installed from the scope's
// start to its end. A break seen after a transfer takes the scope's handler down before it
// is raised again, so it acts at once; later transfers then guard themselves. Scopes nest.
void SysBeginBreakScope();
void SysEndBreakScope();
class SysBreakScope {
 public:
  SysBreakScope() { SysBeginBreakScope(); }
  ~SysBreakScope() { SysEndBreakScope(); }
  SysBreakScope(const SysBreakScope&) = delete;
  SysBreakScope& operator=(const SysBreakScope&) = delete;
};

// Process-wide write suppression: while *flag is non-zero, FileStream::Write reports every
// byte as written without touching the file. Null (the default) means never suppressed.
void SysSetWriteSuppression(const int* flag);

// Paths the session needs at start-up (260-byte buffers; 0/1).
int SysModulePath(char* buffer);
int SysTempDirectory(char* buffer);  // ends with a separator

// ---- volume, drive and locale services ----------------------------------------------------

int SysDriveType(const char* path);
int SysGetVolumeLabel(const char* path, char* label, uint32_t* serial);  // label: 261 bytes
int SysSetVolumeLabel(const char* drive, char* label);
int SysLoadLocale(int* dateOrder, bool* clock24);
int SysParseDate(const char* text, int dateOrder, uint32_t* dateTime);  // 0, or 5 when not a date
char* SysFormatDate(uint32_t dateTime, int dateOrder, char* buffer);    // buffer: 16 bytes
uint32_t SysToday();

// ---- FileStream -----------------------------------------------------------------------------

// The file class through which the archive is read and extracted files are written.
// The virtual operations keep this order: read, write, is-open, a reserved operation that
// returns null, size, seek, rewind, truncate, close, destroy.
class FileStream {
 public:
  FileStream(const char* name, uint32_t access, uint32_t shareMode, uint32_t disposition,
             uint32_t flagsAndAttributes);
  virtual int Read(void* buffer, uint32_t n, uint32_t* bytesRead);
  virtual int Write(const void* buffer, uint32_t n, uint32_t* bytesWritten);
  virtual bool IsOpen() const;
  virtual void* Reserved();
  virtual uint32_t Size() const;  // the size found at open time, not the live size
  virtual uint32_t Seek(int32_t distance, int origin);
  virtual int Rewind();
  virtual int Truncate();
  virtual int Close();
  virtual ~FileStream();

  SysHandle handle() const { return handle_; }
  uint32_t position() const { return position_; }
  const char* name() const { return name_; }

 private:
  uint32_t position_ = 0;
  char name_[SYS_PATH_MAX];
  SysHandle handle_ = SYS_INVALID_HANDLE;
  uint32_t size_ = 0;
};
