// Directory searches and full paths on Linux. A search lists the directory part of the
// pattern and returns the entries whose names (converted to code page 932; names that
// cannot be converted are passed over) match the last part with the wildcard rules of
// Windows: '*' any run of characters, '?' one character (trailing ones may match nothing),
// a final ".*" also matching names without a dot, a final '.' matching names without one,
// letters compared without regard to case, double-byte characters as units. A name without
// wildcards is looked up directly, with the case-sensitivity of the file system, so that it
// finds exactly the file that SysOpenFile would open and costs one lookup, not a listing;
// so is a name with wildcards that exists as it is written.
// Linux has no short names, so the alternate name of a record is always empty.
#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "system/dbcs.h"
#include "system/system.h"
#include "system/system_internal.h"
#include "system/system_posix.h"

namespace {

constexpr const char* MODULE = "ZSYSTEM";

struct Search {
  DIR* dir;  // null for a direct lookup, which has no further results
  char hostDir[HOST_PATH_MAX];
  char pattern[SYS_PATH_MAX];
};

size_t unitLength(const char* text, size_t i) {
  return SysIsLeadByte(static_cast<unsigned char>(text[i])) && text[i + 1] ? 2 : 1;
}

bool unitsEqual(const char* a, size_t ai, size_t aLength, const char* b, size_t bi, size_t bLength) {
  if (aLength != bLength) return false;
  if (aLength == 2) return a[ai] == b[bi] && a[ai + 1] == b[bi + 1];
  return SysToUpper(static_cast<unsigned char>(a[ai])) == SysToUpper(static_cast<unsigned char>(b[bi]));
}

// '*' and '?' against name, one backtracking point for the last '*' (linear in practice,
// never worse than pattern length times name length).
bool globMatch(const char* pattern, size_t patternLength, const char* name) {
  size_t nameLength = std::strlen(name);
  size_t p = 0, n = 0, starP = 0, starN = 0;
  bool star = false;
  while (n < nameLength) {
    if (p < patternLength && pattern[p] == '*') {
      star = true, starP = ++p, starN = n;
    } else if (p < patternLength && pattern[p] == '?') {
      ++p, n += unitLength(name, n);
    } else if (p < patternLength &&
               unitsEqual(pattern, p, unitLength(pattern, p), name, n, unitLength(name, n))) {
      p += unitLength(pattern, p), n += unitLength(name, n);
    } else if (star) {
      starN += unitLength(name, starN);
      p = starP, n = starN;
    } else {
      return false;
    }
  }
  while (p < patternLength && (pattern[p] == '*' || pattern[p] == '?')) ++p;
  return p == patternLength;
}

bool hasDot(const char* name) { return std::strchr(name, '.') != nullptr; }

bool nameMatches(const char* pattern, const char* name) {
  size_t length = std::strlen(pattern);
  if (length >= 2 && pattern[length - 2] == '.' && pattern[length - 1] == '*' &&
      !hasDot(name) && globMatch(pattern, length - 2, name))
    return true;  // "*.*" and "name.*" include names without an extension
  if (length >= 1 && pattern[length - 1] == '.' && (length < 2 || pattern[length - 2] != '.'))
    return !hasDot(name) && globMatch(pattern, length - 1, name);
  return globMatch(pattern, length, name);
}

// The index just after the last separator of a code page 932 path, 0 when there is none.
size_t afterLastSeparator(const char* path) {
  size_t after = 0;
  for (size_t i = 0; path[i]; i += unitLength(path, i))
    if (path[i] == '/' || path[i] == '\\') after = i + 1;
  return after;
}

void fillRecord(const struct stat& st, const char* name, FindRecord* record) {
  record->attributes = posixAttributes(st);
  record->rawCreated = posixFileTime(st.st_mtim);  // no creation time: the write time stands in
  record->rawAccessed = posixFileTime(st.st_atim);
  record->rawWritten = posixFileTime(st.st_mtim);
  record->created = SysFileTimeToDos(&record->rawCreated);
  record->accessed = SysFileTimeToDos(&record->rawAccessed);
  record->written = SysFileTimeToDos(&record->rawWritten);
  record->size = static_cast<uint32_t>(st.st_size);
  CopyBounded(record->name, name, sizeof record->name);  // also the short-name choice: none exist
  record->shortName[0] = '\0';
}

bool hasWildcards(const char* pattern) { return std::strpbrk(pattern, "*?") != nullptr; }

// The next directory entry that matches, filled into record; false at the end.
bool nextMatch(Search* search, FindRecord* record) {
  if (!search->dir) return false;
  while (struct dirent* entry = readdir(search->dir)) {
    char name[SYS_PATH_MAX];
    if (!posixFromHost(entry->d_name, name, sizeof name)) continue;
    if (!nameMatches(search->pattern, name)) continue;
    char host[HOST_PATH_MAX + 256 + 2];
    size_t dirLength = std::strlen(search->hostDir);
    std::memcpy(host, search->hostDir, dirLength);
    host[dirLength] = '/';
    std::memcpy(host + dirLength + 1, entry->d_name, std::strlen(entry->d_name) + 1);
    struct stat st;
    if (stat(host, &st) != 0 && lstat(host, &st) != 0) continue;
    fillRecord(st, name, record);
    return true;
  }
  return false;
}

Search* searchOf(SysHandle handle) { return reinterpret_cast<Search*>(handle); }

}  // namespace

SysHandle SysFindFirst(const char* pattern, FindRecord* record) {
  SFX_ASSERT(MODULE, pattern != nullptr, "pFileName != NULL");
  SFX_ASSERT(MODULE, record != nullptr, "pFindData != NULL");
  if (std::strlen(pattern) >= static_cast<size_t>(SYS_PATH_MAX))
    return posixSetError(SYS_ERROR_FILENAME_EXCED_RANGE), SYS_INVALID_HANDLE;
  size_t split = afterLastSeparator(pattern);
  if (!pattern[split]) return posixSetError(SYS_ERROR_FILE_NOT_FOUND), SYS_INVALID_HANDLE;

  Search* search = new (std::nothrow) Search;
  if (!search) return posixSetError(SYS_ERROR_NOT_ENOUGH_MEMORY), SYS_INVALID_HANDLE;
  std::memcpy(search->pattern, pattern + split, std::strlen(pattern + split) + 1);
  char dir[SYS_PATH_MAX];
  if (split == 0) {
    std::memcpy(dir, ".", 2);
  } else {
    std::memcpy(dir, pattern, split);
    dir[split == 1 ? 1 : split - 1] = '\0';  // keep a lone root separator
  }
  search->dir = nullptr;
  if (!posixToHost(dir, search->hostDir, sizeof search->hostDir)) {
    delete search;
    return SYS_INVALID_HANDLE;
  }
  // Linux allows '*' and '?' in names: a pattern that names a file as it is written is that
  // file, never another one its wildcards would also match.
  char host[HOST_PATH_MAX];
  struct stat st;
  bool converted = posixToHost(pattern, host, sizeof host);
  bool exists = converted && (stat(host, &st) == 0 || lstat(host, &st) == 0);
  if (!hasWildcards(search->pattern) || exists) {
    if (!exists) {
      if (converted) posixSetErrno(errno, host);
      delete search;
      return SYS_INVALID_HANDLE;
    }
    fillRecord(st, search->pattern, record);
    return reinterpret_cast<SysHandle>(search);
  }
  search->dir = opendir(search->hostDir);
  if (!search->dir) {
    posixSetErrno(errno == ENOENT ? ENOTDIR : errno);  // a missing directory is a path error
    delete search;
    return SYS_INVALID_HANDLE;
  }
  FindRecord found{};
  if (!nextMatch(search, &found)) {
    closedir(search->dir);
    delete search;
    return posixSetError(SYS_ERROR_FILE_NOT_FOUND), SYS_INVALID_HANDLE;
  }
  *record = found;
  return reinterpret_cast<SysHandle>(search);
}

int SysFindNext(SysHandle searchHandle, FindRecord* record) {
  SFX_ASSERT(MODULE, searchHandle != 0, "hSearch != NULL");
  SFX_ASSERT(MODULE, record != nullptr, "pFindData != NULL");
  if (searchHandle == SYS_INVALID_HANDLE) return posixSetError(6), 1;  // ERROR_INVALID_HANDLE
  FindRecord found{};
  if (!nextMatch(searchOf(searchHandle), &found)) return posixSetError(SYS_ERROR_NO_MORE_FILES), 1;
  *record = found;
  return 0;
}

int SysLookUp(const char* path, FindRecord* record) {
  SFX_ASSERT(MODULE, path != nullptr, "pFileName != NULL");
  SFX_ASSERT(MODULE, record != nullptr, "pFindData != NULL");
  char literal[SYS_PATH_MAX];
  char host[HOST_PATH_MAX];
  struct stat st;
  if (!sysLiteralPath(path, literal) || !posixToHost(literal, host, sizeof host)) return 1;
  if (stat(host, &st) != 0 && lstat(host, &st) != 0) return posixSetErrno(errno, host), 1;
  fillRecord(st, literal + afterLastSeparator(literal), record);
  return 0;
}

int SysFindClose(SysHandle searchHandle) {
  if (searchHandle == 0 || searchHandle == SYS_INVALID_HANDLE) return posixSetError(6), 1;
  Search* search = searchOf(searchHandle);
  if (search->dir) closedir(search->dir);
  delete search;
  return 0;
}

// ---- full paths ---------------------------------------------------------------------------------

namespace {

// Joins the components of `path` (separators '/' or '\') into out as an absolute path with
// '/' separators: empty and "." components dropped, ".." removing the one before it. A
// trailing separator is kept. `out` must hold strlen(path) + 2 bytes.
void normalisePath(const char* path, char* out) {
  size_t length = 0;
  size_t i = 0;
  bool trailing = false;
  while (path[i]) {
    while (path[i] == '/' || path[i] == '\\') ++i;
    if (!path[i]) {
      trailing = true;
      break;
    }
    size_t start = i;
    while (path[i] && path[i] != '/' && path[i] != '\\') i += unitLength(path, i);
    size_t n = i - start;
    if (n == 1 && path[start] == '.') continue;
    if (n == 2 && path[start] == '.' && path[start + 1] == '.') {
      while (length > 0 && out[length - 1] != '/') --length;  // '/' is never a second byte
      if (length > 0) --length;
      continue;
    }
    out[length++] = '/';
    std::memcpy(out + length, path + start, n);
    length += n;
  }
  if (length == 0 || trailing) out[length++] = '/';
  out[length] = '\0';
}

}  // namespace

char* SysFullPath(char* full, const char* file) {
  SFX_ASSERT(MODULE, file != nullptr, "pszFile != NULL");
  SFX_ASSERT(MODULE, full != nullptr, "pszFull != NULL");
  size_t fileLength = std::strlen(file);
  char joined[2 * SYS_PATH_MAX + 2];
  bool ok = fileLength < static_cast<size_t>(SYS_PATH_MAX);
  if (ok) {
    if (file[0] == '/' || file[0] == '\\') {
      std::memcpy(joined, file, fileLength + 1);
    } else {
      ok = SysGetCurrentDirectory(joined) == 0;
      if (ok) {
        size_t cwdLength = std::strlen(joined);
        joined[cwdLength] = '/';
        std::memcpy(joined + cwdLength + 1, file, fileLength + 1);
      }
    }
  }
  char normal[2 * SYS_PATH_MAX + 4];
  if (ok) {
    normalisePath(joined, normal);
    ok = std::strlen(normal) < static_cast<size_t>(SYS_PATH_MAX);
  }
  if (!ok) {
    // Not representable in 259 characters: the input stays as it was.
    CopyBounded(full, file, SYS_PATH_MAX);
    return nullptr;
  }
  std::memcpy(full, normal, std::strlen(normal) + 1);
  return full + afterLastSeparator(full);
}
