// Text on the builder's side: UTF-8 (the author's file system and terminal) and code page
// 932 (every entry name and text the stub reads), the one decoder of UTF-8 characters, and
// the double-byte walk of code page 932 text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One character of UTF-8 text. A byte that starts no well-formed sequence (a stray or
// missing continuation byte, an overlong form, a surrogate, a value beyond U+10FFFF, a
// sequence cut by the end) is a character of its own: one byte, `valid` false, its value
// the byte's.
struct Utf8Char {
  size_t length;
  uint32_t value;
  bool valid;
};
// The character at text[i]; i must be below text.size().
Utf8Char decodeUtf8(const std::string& text, size_t i);
bool isValidUtf8(const std::string& text);

// UTF-8 to code page 932; false when a character has no exact form there (the conversion
// back must give the same text). A base character and a combining mark that code page 932
// has as one character ("か" and U+3099 as "が") are taken as that character. The
// characters that Unix and Windows map differently to the same code page 932 character
// (U+301C '〜' and U+FF5E '～' both 0x8160, and the other well-known pairs) count as that
// character either way.
bool utf8ToCp932(const std::string& utf8, std::string& cp932);
// A path for the stub's engine, in code page 932; empty when it has one, else what stops it
// ("the path has no code page 932 form of at most 259 bytes"). The engine takes '\' for a
// separator, which on Linux is a character of a name, and, for a file, the folder to end
// at the last '/' or, without one, at a ':' (a drive), so a bare Linux name holding ':'
// gets "./". On Windows a path without a code page 932 form of that length is taken in its
// short form where that has one; elsewhere a file's path is taken from the current
// directory where that leaves such components out. A folder's is not: the engine makes it
// full from the current directory, which must have a code page 932 form for that.
enum class EnginePath { File, Folder };
std::string toEnginePath(const std::string& utf8, std::string& cp932, EnginePath kind = EnginePath::File);
// UTF-8 to UTF-16 (false for a byte that is not UTF-8), and back; a lone surrogate becomes
// the three bytes of its value.
bool utf8ToUtf16(const std::string& utf8, std::u16string& utf16);
std::string utf16ToUtf8(const std::u16string& utf16);
// The first character of a UTF-8 text that has no code page 932 form, for a refusal:
// "U+1F600 '😀'" (a control character without its glyph, a byte that is not UTF-8 as
// "the byte 0xNN"); empty when every character has one.
std::string characterWithoutCp932Form(const std::string& utf8);
// "U+1F600 '😀' in WHERE has no code page 932 form".
std::string noCp932FormText(const std::string& utf8, const std::string& where);
// Code page 932 to UTF-8 for the terminal, the pairs above in their Unix form (0x8160 is
// shown as '〜', as a Japanese text typed on Linux has it); bytes that are not valid, and
// control characters other than line feeds, are shown as \xNN (so no text from a file can
// steer the terminal).
std::string cp932ToUtf8(const std::string& cp932);
std::string cp932ToUtf8(const char* cp932);
// An entry name for the terminal: as above, with line feeds shown as \x0A too.
std::string shownName(const std::string& cp932);
std::string escapeControls(const std::string& text, bool keepNewlines);
// True when every byte sequence is a valid code page 932 character.
bool isValidCp932(const std::string& text);
// The length of the character at text[i] in code page 932: 2 for a lead byte followed by
// another byte, else 1.
size_t cp932CharLength(const std::string& text, size_t i);

// How a text is coded, for walks that must not take a byte inside a character for a
// separator.
enum class TextCode { Utf8, Cp932 };
// The '|' separated pieces of a list (program group commands, extension pairs). In code
// page 932 a trail byte may be 0x7C, so the text is walked by characters; in UTF-8 no byte
// of a longer character is below 0x80.
std::vector<std::string> splitBarList(const std::string& text, TextCode code);
