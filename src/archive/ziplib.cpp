// Names, paths and patterns (module ZIPLIB). Every scan for '\', '/', ':' or '.' walks
// Shift-JIS characters as units: a lead byte (SysIsLeadByte) and the byte after it form one
// character, so a trail byte that happens to equal 0x5C ('\') is never taken for a
// separator. A lead byte right before the terminator is taken as a single byte, so no scan
// ever steps over the end of its text.
#include "archive/ziplib.h"

#include <cstdlib>
#include <cstring>

#include "system/system.h"

namespace {

constexpr const char* MODULE = "ZIPLIB";

bool isLead(char c) { return SysIsLeadByte(static_cast<unsigned char>(c)); }

}  // namespace

// ---- names and paths ---------------------------------------------------------------------

char* NormaliseSeparators(char* text) {
  for (char* p = text; *p != '\0'; p = NextChar(p)) {
    if (*p == '\\') *p = '/';
  }
  return text;
}

void NormaliseSeparators(char* text, uint32_t length) {
  uint32_t i = 0;
  while (i < length) {
    if (isLead(text[i]) && i + 1 < length) {
      i += 2;
      continue;
    }
    if (text[i] == '\\') text[i] = '/';
    ++i;
  }
}

char* CopyName(char* destination, const char* source, uint32_t length) {
  SFX_ASSERT(MODULE, destination != nullptr, "pszDest != NULL");
  SFX_ASSERT(MODULE, source != nullptr, "pszSource != NULL");
  CopyBounded(destination, source, length, SYS_PATH_MAX);
  return NormaliseSeparators(destination);
}

const char* SpecDirectoryEnd(const char* pattern) {
  const char* end = FindLastChar(pattern, '/');
  if (end == nullptr) end = FindLastChar(pattern, ':');
  return end == nullptr ? pattern : end + 1;
}

bool JoinFits(const char* pattern, const char* name) {
  return static_cast<size_t>(SpecDirectoryEnd(pattern) - pattern) + std::strlen(name) < SYS_PATH_MAX;
}

char* JoinSpecDirectory(char* destination, const char* pattern, const char* name) {
  size_t directory = static_cast<size_t>(SpecDirectoryEnd(pattern) - pattern);
  SFX_ASSERT(MODULE, directory + std::strlen(name) < SYS_PATH_MAX,
             "(UINT)(psz - pszSpec + 1) + strlen(pszName) < _MAX_PATH");
  // The pattern may be the destination buffer itself: the name is moved into place first,
  // and memmove keeps both copies right.
  size_t nameLength = std::strlen(name);
  std::memmove(destination + directory, name, nameLength + 1);
  if (destination != pattern) std::memmove(destination, pattern, directory);
  return destination;
}

bool IsPlainDirectory(const char* path) {
  if (FindFirstChar(path, '*') != nullptr || FindFirstChar(path, '?') != nullptr) return false;
  uint32_t attributes = 0;
  if (SysGetAttributes(path, &attributes) != 0) return false;
  return (attributes & SYS_ATTR_DIRECTORY) != 0;
}

// ---- string lists ------------------------------------------------------------------------

size_t ListSize(const char* list) {
  if (list == nullptr) return 0;
  size_t size = 1;
  for (const char* p = list; *p != '\0'; p += std::strlen(p) + 1) size += std::strlen(p) + 1;
  return size;
}

char* ListAppend(char* list, const char* text) {
  size_t length = std::strlen(text);
  if (list == nullptr) {
    char* fresh = static_cast<char*>(std::malloc(length + 2));
    if (fresh == nullptr) return nullptr;
    std::memcpy(fresh, text, length + 1);
    fresh[length + 1] = '\0';
    return fresh;
  }
  size_t oldSize = ListSize(list);
  char* grown = static_cast<char*>(std::malloc(oldSize + length + 1));
  if (grown == nullptr) return list;
  // Every string of the old list, without its closing empty string.
  std::memcpy(grown, list, oldSize - 1);
  std::free(list);
  std::memcpy(grown + oldSize - 1, text, length + 1);
  grown[oldSize + length] = '\0';
  return grown;
}

// ---- wildcards ---------------------------------------------------------------------------

namespace {

bool sameChar(char a, char b) {
  if (a == b) return true;
  return SysToUpper(static_cast<unsigned char>(a)) == SysToUpper(static_cast<unsigned char>(b));
}

}  // namespace

bool WildcardMatch(const char* pattern, const char* name) {
  size_t i = 0;
  size_t j = 0;
  // Every step advances i or j; j never passes the end of the name and i never passes the
  // end of the pattern (the end of the pattern ends the loop), so the loop is bounded.
  for (;;) {
    char c = pattern[i];
    char s = name[j];
    if (c == '*') {
      char n = pattern[i + 1];
      if (s == '\0' || sameChar(s, n)) {
        ++i;  // the star is finished: it stops at the first character that matches the next
      } else {
        ++j;  // the star swallows s
      }
    } else if (c == '.') {
      ++i;
      if (s == '.') {
        ++j;
      } else if (s != '\0') {
        return false;  // a pattern dot matches a dot or a missing extension only
      }
    } else if (c == '?') {
      ++i;
      if (s != '\0' && s != '.' && s != '/') ++j;
    } else {
      if (!sameChar(c, s)) return false;
      if (c == '\0') return true;
      ++i;
      ++j;
    }
  }
}

// ---- selection lists ---------------------------------------------------------------------

SelectionLists::~SelectionLists() { Clear(); }

void SelectionLists::push(Node** list, int* count, const char* pattern) {
  size_t length = std::strlen(pattern);
  Node* node = static_cast<Node*>(std::malloc(sizeof(Node) + length + 1));
  if (node == nullptr) return;  // the pattern is dropped; the lists stay intact
  node->pattern = reinterpret_cast<char*>(node + 1);
  std::memcpy(node->pattern, pattern, length + 1);
  NormaliseSeparators(node->pattern);
  if (!SysGetNameType()) SysUpperCase(node->pattern);
  node->next = *list;
  *list = node;
  ++*count;
}

void SelectionLists::AddInclude(const char* pattern) { push(&include_, &includeCount_, pattern); }
void SelectionLists::AddExclude(const char* pattern) { push(&exclude_, &excludeCount_, pattern); }

namespace {

template <typename Node>
Node* reversed(Node* list) {
  Node* result = nullptr;
  while (list != nullptr) {
    Node* next = list->next;
    list->next = result;
    result = list;
    list = next;
  }
  return result;
}

template <typename Node>
void freeAll(Node* list) {
  while (list != nullptr) {
    Node* next = list->next;
    std::free(list);
    list = next;
  }
}

}  // namespace

void SelectionLists::Finish() {
  include_ = reversed(include_);
  exclude_ = reversed(exclude_);
}

void SelectionLists::Clear() {
  freeAll(include_);
  freeAll(exclude_);
  include_ = exclude_ = nullptr;
  includeCount_ = excludeCount_ = 0;
}

bool SelectionLists::IsSelected(const char* name, uint32_t length) const {
  char copy[SYS_PATH_MAX];
  CopyName(copy, name, length);
  for (const Node* node = exclude_; node != nullptr; node = node->next) {
    if (WildcardMatch(node->pattern, copy)) return false;
  }
  if (include_ == nullptr) return true;
  for (const Node* node = include_; node != nullptr; node = node->next) {
    if (WildcardMatch(node->pattern, copy)) return true;
  }
  return false;
}

const char* SelectionLists::include(int n) const {
  const Node* node = include_;
  for (; node != nullptr && n > 0; --n) node = node->next;
  return node != nullptr && n == 0 ? node->pattern : nullptr;
}

const char* SelectionLists::exclude(int n) const {
  const Node* node = exclude_;
  for (; node != nullptr && n > 0; --n) node = node->next;
  return node != nullptr && n == 0 ? node->pattern : nullptr;
}
