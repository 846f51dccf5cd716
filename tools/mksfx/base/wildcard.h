// Wildcard patterns on UTF-8 text, as --exclude takes them.
#pragma once

#include <string>
#include <vector>

// '*' (which also takes '/'), '?', [set], [!set], [a-z] and '\' quoting.
bool wildcardMatches(const std::string& pattern, const std::string& text);
// True when `path` (UTF-8, '/' separators, a directory ending in '/'), one of its leading
// directories (by its path or its own name) or its last component matches one of the
// patterns; a pattern ending in '/' matches directories only.
bool excluded(const std::string& path, const std::vector<std::string>& patterns);
