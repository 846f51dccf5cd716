// Shared by the POSIX files of the system layer: the name boundary (engine names are code
// page 932 bytes with '/' or '\' as separator, the file system takes UTF-8 with '/'), the
// translation of errno into the Win32 error codes of system.h, and attribute and time
// conversions of stat results.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>

#include "system/system.h"

// A 259-byte code page 932 path becomes at most 3 UTF-8 bytes per byte.
constexpr size_t HOST_PATH_MAX = 3 * SYS_PATH_MAX + 1;

constexpr uint32_t SYS_ERROR_INVALID_PARAMETER = 87;
constexpr uint32_t SYS_ERROR_INVALID_NAME = 123;
constexpr uint32_t SYS_ERROR_FILENAME_EXCED_RANGE = 206;
constexpr uint32_t SYS_ERROR_NO_MORE_FILES = 18;
constexpr uint32_t SYS_ERROR_NOT_ENOUGH_MEMORY = 8;

// Converts an engine name to a host path ('\' becomes '/', double-byte characters kept
// whole). False (and the last error set) when the name is longer than 259 bytes or is not
// valid code page 932.
bool posixToHost(const char* name, char* host, size_t hostSize);
// Converts a host name (UTF-8) to code page 932 into out (size bytes, terminated). False
// when it cannot be represented or does not fit.
bool posixFromHost(const char* host, char* out, size_t size);

// Stores the Win32 code for errno value `error` as the last error. `hostPath` (may be null)
// lets a missing file be told from a missing directory (2 against 3).
void posixSetErrno(int error, const char* hostPath = nullptr);
void posixSetError(uint32_t code);

// Win32 attribute bits of a stat result: directory, or archive with read-only when no write
// permission bit is set. Hidden and system have no POSIX counterpart.
uint32_t posixAttributes(const struct stat& st);
// FILETIME of a timespec (UTC, 100 ns since 1601).
SysFileTime posixFileTime(const struct timespec& ts);
