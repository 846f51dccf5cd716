// The builder's own layer over the operating system: files read and written by handle,
// file status, directory listings, the publication of a finished output under its name,
// the program's arguments, folder and environment, the terminal (questions, hidden
// passwords, Ctrl-C and termination requests), a command run for signing, local time and code page 932. Three
// implementations share this header, chosen by the build from the file suffix:
// host_posix.cpp (Linux), host_win32.cpp (Windows, wide-character calls) and host_wasm.cpp
// (the browser and node, over Emscripten's in-memory files; its differences from Linux are
// listed at its top).
//
// Paths and every other text are UTF-8 on both: Windows names are converted from and to
// UTF-16 at the system calls, so the rest of the builder sees the same bytes for the same
// tree and writes the same archive. Failures return false (or -1) and leave the reason for
// hostErrorText(); nothing here prints but the caller's note of hostEndOnInterrupt.
//
// What the two implementations cannot share:
// - Separators: '/' on Linux; '/' and '\' on Windows (HOST_SEPARATORS), where paths the
//   system gives back (the program's folder, real paths) use '/' as well.
// - Links: Linux reports a symbolic link; Windows a reparse point (link or junction). Both
//   are followed for files.
// - Read-only: Linux has no write permission for the owner, Windows the read-only attribute.
// - Local time: Linux takes the zone TZ names (or the system's), Windows the system's time
//   zone with its daylight-saving rule (Wine derives it from TZ).
// - Executable bits: a Linux output gets the permissions the umask allows; Windows has none.
// - Commands: Linux runs them with /bin/sh, Windows with the command interpreter (ComSpec,
//   cmd.exe); quoting follows each shell.
// - Code page 932: Linux converts through iconv, Windows through the system's code page
//   932 tables (no best-fit replacements); code_page.cpp checks every conversion by its
//   round trip, so both accept the same texts.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The characters that separate the components of a path.
extern const char* const HOST_SEPARATORS;

// ---- files --------------------------------------------------------------------------------

// One open file. Reads and writes move a position; readAt and writeAt do not.
class HostFile {
 public:
  HostFile() = default;
  ~HostFile() { close(); }
  HostFile(const HostFile&) = delete;
  HostFile& operator=(const HostFile&) = delete;

  bool openRead(const std::string& path);
  // A new file that did not exist before (never an existing one).
  bool createNew(const std::string& path);
  // A new temporary file beside `path` ("PATH.mksfx-" and a unique suffix); its name goes
  // to `temporary`.
  bool createTemporary(const std::string& path, std::string& temporary);
  bool isOpen() const { return handle_ != -1; }
  // Up to `size` bytes, short only at the end of the file; -1 on an error.
  int64_t read(char* buffer, size_t size);
  // Exactly `size` bytes at `offset`; false on an error or the end of the file.
  bool readAt(uint64_t offset, char* buffer, size_t size);
  bool write(const char* bytes, size_t size);  // all of them
  bool writeAt(uint64_t offset, const char* bytes, size_t size);
  bool seek(uint64_t position);
  // Cuts the file at `position` and moves there.
  bool truncate(uint64_t position);
  bool size(uint64_t& bytes);
  // Gives the file the permissions a new program gets (Linux: 0777 less the umask).
  bool makeExecutable();
  bool close();  // false when the last writes could not be completed

 private:
  intptr_t handle_ = -1;
};

enum class HostKind { Missing, File, Directory, Other };

struct HostStatus {
  HostKind kind = HostKind::Missing;
  bool link = false;      // the name itself is a link (what it names is described)
  bool readOnly = false;  // see the header note
  uint64_t size = 0;
  int64_t modified = 0;   // seconds since 1970-01-01 UTC
};

// The status of what `path` names, links followed; false (kind Missing) when it cannot be
// found or its status read.
bool hostStatus(const std::string& path, HostStatus& status);
bool hostIsFile(const std::string& path);  // an existing regular file
bool hostExists(const std::string& path);  // anything by that name, a broken link too
bool hostReadable(const std::string& path);  // can be opened for reading
// The names in a directory, without "." and "..", in the order the system gives them.
bool hostListDirectory(const std::string& path, std::vector<std::string>& names);
// The absolute path with links resolved, '/' separators; empty when it cannot be found.
std::string hostRealPath(const std::string& path);
// The short form of an existing path (Windows' 8.3 names, which the volume makes in ASCII);
// empty where there is none (a path that does not exist, or a system without short names).
std::string hostShortPath(const std::string& path);
// The current directory; empty when it cannot be read.
std::string hostCurrentDirectory();
bool hostRemoveFile(const std::string& path);
bool hostSetModifiedTime(const std::string& path, int64_t seconds);
// The whole file; false when it cannot be read or is no regular file (a device such as
// /dev/zero would never end).
bool hostReadWholeFile(const std::string& path, std::string& bytes);

enum class HostPublish { Done, Exists, Failed };
// Gives the finished `temporary` its final name. Without `replace`, an existing target is
// never touched (Exists), not even one that appeared since the build began; with it, it is
// replaced in one step. The temporary name is gone afterwards, whatever the result.
HostPublish hostPublish(const std::string& temporary, const std::string& target, bool replace);

// The reason for the last failure, as a short English text ("No such file or directory").
std::string hostErrorText();

// ---- the program and its environment ------------------------------------------------------

// The arguments as UTF-8 (Windows takes them from the wide command line).
std::vector<std::string> hostArguments(int argc, char** argv);
// The folder that holds the running program; empty when the system does not say.
std::string hostOwnFolder();
// The value of an environment variable; false when it is not set.
bool hostEnvironment(const char* name, std::string& value);
// Runs a command line with the system's shell; its exit status, or -1 when it did not run
// or did not end normally.
int hostRunCommand(const std::string& commandLine);
// `text` as one word of the command line hostRunCommand takes.
std::string hostQuoted(const std::string& text);

// ---- the terminal ---------------------------------------------------------------------------

// Prepares the console for UTF-8 output and terminal control sequences (Windows); the
// previous state comes back when the program ends.
void hostPrepareConsole();
bool hostIsTerminal(std::FILE* stream);
// One line from standard input without its end, echo off when `hidden` and standard input
// is a terminal; false once the input has ended (after a last line without its end too).
bool hostReadLine(bool hidden, std::string& line);
// A request to stop from outside: Ctrl-C, SIGINT, SIGTERM and SIGHUP on Linux, and SIGPIPE
// (the reader of the output went away) once hostCatchInterrupt is in force; Ctrl-C,
// Ctrl-Break and the closing of the console window on Windows (where the system ends the
// process a few seconds after a close, so the handler holds it for that long).
// From now on such a request ends the process at once with `status`, after writing `note`
// (the caller's text, a line of its own) to standard error: for the steps that have
// nothing to take back.
void hostEndOnInterrupt(int status, const char* note);
// From now on a request only sets the flag that hostInterrupted() reads; the command
// takes back what it was writing and ends by itself.
void hostCatchInterrupt();
bool hostInterrupted();
// What the request was ("SIGTERM", "Ctrl-C", "console closed"); empty before one.
const char* hostInterruptName();
// Milliseconds from an arbitrary start, never going back.
int64_t hostMilliseconds();

// ---- time and text ------------------------------------------------------------------------

struct HostLocalTime {
  int year, month, day, hour, minute, second;  // 2024, 1-12, 1-31, 0-23, 0-59, 0-59
};
// A Unix time as local time (see the header note); false when the system cannot say.
bool hostLocalTime(int64_t seconds, HostLocalTime& local);

// The whole text converted between UTF-8 and code page 932; false when a character has no
// form in the other encoding or a byte sequence is not valid in its own.
bool hostUtf8ToCp932(const std::string& utf8, std::string& cp932);
bool hostCp932ToUtf8(const std::string& cp932, std::string& utf8);
