// A model of the folder the stub extracts into, as Windows will hold it: every path is a
// file or a directory, and two names are one when Windows folds them to the same letters.
// Windows compares names without regard to case for every letter that has one (Latin,
// full-width Latin, Greek, Cyrillic, Roman numerals: all that code page 932 can hold), so
// "ПРИВЕТ.txt" and "привет.txt" are one file; a path that one entry makes a file and
// another a directory (by a trailing '/' or by entries below it) loses one of them.
#pragma once

#include <map>
#include <string>

class TargetFolder {
 public:
  // Adds what the stub makes for one entry: the folders of `path` (code page 932, '/' or
  // '\' between components) and the file, or the directory when `path` ends in a
  // separator. `entry` names the entry in messages. Empty when it fits beside what is
  // there, else why not, naming the entry that was there first.
  std::string add(const std::string& path, const std::string& entry);

 private:
  struct Node {
    bool directory;
    std::string entry;  // the first entry that made it
  };
  std::map<std::u32string, Node> nodes_;  // by folded path, components joined by '/'
};

// A code point as Windows' comparison of names sees it: the upper-case letter for a
// lower-case one, every other character as it is.
char32_t windowsUpperCase(char32_t c);

// The last component of a name (code page 932, '/' or '\' between components), as the
// stub takes it when subdirectories are off; `directory` says the name ends in a separator.
std::string lastComponent(const std::string& cp932, bool& directory);
