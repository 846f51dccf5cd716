// Names, paths and patterns: placeholder definitions while the module is being written.
#include "archive/ziplib.h"

#include <cstdlib>
#include <cstring>

const char* NextChar(const char* p) { return p + 1; }
const char* FindFirstChar(const char* text, char c) { return std::strchr(text, c); }
const char* FindLastChar(const char* text, char c) { return std::strrchr(text, c); }
char LastSingleChar(const char* text) { return 0; }
uint32_t CharBoundary(const char* text, uint32_t length, uint32_t limit) { return 0; }
char* NormaliseSeparators(char* text) { return text; }
char* CopyName(char* destination, const char* source, uint32_t length) { destination[0] = 0; return destination; }
char* JoinSpecDirectory(char* destination, const char* spec, const char* name) { destination[0] = 0; return destination; }
bool IsPlainDirectory(const char* path) { return false; }
size_t ListSize(const char* list) { return 0; }
char* ListAppend(char* list, const char* text) { return list; }
bool WildcardMatch(const char* pattern, const char* name) { return false; }
SelectionLists::~SelectionLists() {}
void SelectionLists::push(Node** list, int* count, const char* pattern) {}
void SelectionLists::AddInclude(const char* pattern) {}
void SelectionLists::AddExclude(const char* pattern) {}
void SelectionLists::Finish() {}
void SelectionLists::Clear() {}
bool SelectionLists::IsSelected(const char* name, uint32_t length) const { return false; }
const char* SelectionLists::include(int n) const { return nullptr; }
const char* SelectionLists::exclude(int n) const { return nullptr; }
