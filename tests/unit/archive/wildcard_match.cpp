// The wildcard matcher's rules: a star stops at the first name character that matches the
// character after it (no backtracking), a dot also matches a missing extension, a question
// mark never crosses '.' or '/' and matches nothing at the end, letters compare without case.
#include <gtest/gtest.h>

#include "archive/ziplib.h"

namespace {

struct MatchCase {
  const char* pattern;
  const char* name;
  bool matches;
};

class WildcardRules : public ::testing::TestWithParam<MatchCase> {};

TEST_P(WildcardRules, Match) {
  EXPECT_EQ(WildcardMatch(GetParam().pattern, GetParam().name), GetParam().matches)
      << GetParam().pattern << " against " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, WildcardRules,
    ::testing::Values(
        MatchCase{"*.TXT", "readme.txt", true},
        MatchCase{"*.", "README", true},
        MatchCase{"*.", "A.B", false},
        MatchCase{"?AB", "XAB", true},
        MatchCase{"DIR/*", "DIR/A/B", true},
        MatchCase{"*.*", "README", true},
        MatchCase{"*.*", "dir/sub/file.tar.gz", true},
        MatchCase{"*.*", "", true},
        MatchCase{"*", "anything/at all.x", true},
        MatchCase{"*", "", true},
        // No backtracking: the star stops at the first 'a'.
        MatchCase{"*a.txt", "banana.txt", false},
        MatchCase{"*a.txt", "ba.txt", true},
        MatchCase{"*.txt", "archive.tar.txt", false},
        // '?' matches nothing at the end, at '.' and at '/'.
        MatchCase{"ab?", "ab", true},
        MatchCase{"a?.c", "a.c", true},
        MatchCase{"a?/b", "a/b", true},
        MatchCase{"a??", "abc", true},
        MatchCase{"a?", "abc", false},
        // A pattern dot matches a dot or a missing extension, nothing else.
        MatchCase{"abc.", "abc", true},
        MatchCase{"abc.", "abcd", false},
        MatchCase{"a.b", "axb", false},
        // Case-insensitive letters; other bytes exactly.
        MatchCase{"README.TXT", "readme.txt", true},
        MatchCase{"a", "b", false},
        MatchCase{"abc", "ab", false},
        MatchCase{"ab", "abc", false},
        // Bytes that differ only in the top bit are different characters.
        MatchCase{"A", "\xC1", false},
        // A star followed by a double-byte character stops on its equal lead byte.
        MatchCase{"*表.TXT", "日本表.txt", true},
        MatchCase{"*表.TXT", "日本語.txt", false},
        MatchCase{"表/*", "表/x", true}));

}  // namespace
