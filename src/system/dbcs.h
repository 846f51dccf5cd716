// Walking code page 932 text: a lead byte (SysIsLeadByte) and the byte after it form one
// character, so a trail byte that equals '\' (0x5C), '|' or a letter is never taken for one.
// A lead byte right before the terminator counts as a single character, so no walk ever
// steps over the end of its text. Every layer that scans or cuts text uses these walkers.
#pragma once

#include <cstddef>
#include <cstdint>

// The character after the one at `p`: two bytes for a lead byte followed by a non-zero
// byte, else one. Never steps over the terminating zero. `p` must not point at the
// terminator.
const char* NextChar(const char* p);
inline char* NextChar(char* p) { return const_cast<char*>(NextChar(static_cast<const char*>(p))); }

// First / last single-byte character `c` in `text`, skipping trail bytes; null when absent.
const char* FindFirstChar(const char* text, char c);
const char* FindLastChar(const char* text, char c);
inline char* FindFirstChar(char* text, char c) {
  return const_cast<char*>(FindFirstChar(static_cast<const char*>(text), c));
}
inline char* FindLastChar(char* text, char c) {
  return const_cast<char*>(FindLastChar(static_cast<const char*>(text), c));
}

// The last character of `text` as a single byte when it is a single-byte character,
// else 0 (also 0 for an empty text). Lets callers ask "ends in '/'" safely.
char LastSingleChar(const char* text);

// The largest count <= `limit` of leading bytes of `text` (`length` bytes, not necessarily
// terminated) that does not cut a double-byte character in two.
uint32_t CharBoundary(const char* text, uint32_t length, uint32_t limit);

// Ends `text`, cut somewhere by a byte count, on a whole character: a lead byte left alone
// right before the terminator is dropped.
void DropPartialCharacter(char* text);

// Copies at most size - 1 bytes of `source` and a terminating zero into `destination`; a
// double-byte character is copied whole or not at all. The two may overlap. Nothing is
// written when `size` is 0.
void CopyBounded(char* destination, const char* source, size_t size);
// The same for the first `length` bytes of `source`, which need no terminator (a name in
// place in a record).
void CopyBounded(char* destination, const char* source, size_t length, size_t size);

// `text` for display in at most `limit` bytes: unchanged when it fits, else its first third
// and its last two thirds (the file name end) around "...", cut between characters, never
// inside a double-byte one. `destination` holds `size` bytes (limit + 1 at least, else the
// result is also cut to size - 1); `limit` below 5 keeps only the "..." and what fits.
char* ShortenMiddle(char* destination, size_t size, const char* text, size_t limit);
