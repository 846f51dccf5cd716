// Names, paths and patterns (module ZIPLIB): separator normalisation that walks Shift-JIS
// double-byte characters as units, bounded name copies, string lists, the wildcard matcher
// and the include/exclude selection lists. Paths are code page 932 bytes with '/' as the
// separator, in 260-byte buffers (259 characters and a terminating zero).
#pragma once

#include <cstddef>
#include <cstdint>

#include "system/dbcs.h"

// ---- names and paths ---------------------------------------------------------------------

// Every '\' becomes '/', in place; the second byte of a double-byte character is kept even
// when it is 0x5C. Returns `text`.
char* NormaliseSeparators(char* text);
// The same over `length` bytes that need not be terminated (an entry name in its record).
void NormaliseSeparators(char* text, uint32_t length);

// Copies `length` bytes of a name that is not NUL-terminated (an entry name in its record)
// into `destination` (260 bytes), terminates and normalises it. A name of 260 bytes or
// more is cut to at most 259 bytes on a character boundary; callers that must not act on
// a cut name check NameFits first.
char* CopyName(char* destination, const char* source, uint32_t length);
inline bool NameFits(uint32_t length) { return length < 260; }

// destination (260 bytes) = the directory part of `pattern` (up to and including its last
// '/', or else its last ':') followed by `name`. Asserts (ZIPLIB) that the result fits.
char* JoinSpecDirectory(char* destination, const char* pattern, const char* name);
// Where the directory part of `pattern` ends (the character after it); `pattern` when it
// has none.
const char* SpecDirectoryEnd(const char* pattern);
// True when JoinSpecDirectory(pattern, name) fits a 260-byte buffer.
bool JoinFits(const char* pattern, const char* name);

// True when `path` has no '*' or '?', exists, and is a directory.
bool IsPlainDirectory(const char* path);

// ---- string lists (strings, each NUL-terminated, closed by one more NUL) ----------------

size_t ListSize(const char* list);  // 0 for a null list
// Returns the new list (malloc'd; the old one is freed), the old list unchanged when memory
// runs out, or null when a first append fails. Release with std::free.
char* ListAppend(char* list, const char* text);

// ---- wildcards and selection -------------------------------------------------------------

// '*' stops at the first name character that matches the character after it (no
// backtracking); '.' also matches a missing extension; '?' matches nothing at the end, at
// '.' or at '/'; letters compare case-insensitively.
bool WildcardMatch(const char* pattern, const char* name);

// The include and exclude name patterns of a session. Patterns are pushed at the head while
// they arrive and put back in arrival order once by Finish.
class SelectionLists {
 public:
  SelectionLists() = default;
  ~SelectionLists();
  SelectionLists(const SelectionLists&) = delete;
  SelectionLists& operator=(const SelectionLists&) = delete;

  void AddInclude(const char* pattern);  // copied, separators normalised, upper-cased when
  void AddExclude(const char* pattern);  // the name type is short
  void Finish();                         // restores arrival order (once parsing is done)
  void Clear();
  // `name` is an entry name of `length` bytes (not necessarily terminated).
  bool IsSelected(const char* name, uint32_t length) const;

  int includeCount() const { return includeCount_; }
  // The n-th pattern (0-based, list order), or null.
  const char* include(int n) const;
  const char* exclude(int n) const;


 private:
  struct Node {
    Node* next;
    char* pattern;  // stored right behind the node in the same allocation
  };
  static void push(Node** list, int* count, const char* pattern);
  Node* include_ = nullptr;
  Node* exclude_ = nullptr;
  int includeCount_ = 0;
  int excludeCount_ = 0;
};
