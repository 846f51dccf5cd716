// The builder's own declarations: the model of the archive it writes (entries with their
// names already in code page 932 and where their stored bytes come from), the collector of problems that decides
// whether anything is written, the readers of its two kinds of input (a ZIP file or a
// directory), the writer of the self-extracting file, the code page conversions and the
// four commands. The stub's own rules (configuration block layout, record offsets) come from
// the engine's headers, so the builder writes exactly what the stub reads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host.h"

// ---- the archive being built --------------------------------------------------------------

struct ZipEntry {
  std::string name;  // code page 932 bytes, '/' as separator
  uint16_t versionMade = 20;
  uint16_t versionNeeded = 20;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t time = 0;  // DOS time and date, local time
  uint16_t date = 0;
  uint32_t crc = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  std::string localExtra;
  std::string centralExtra;
  std::string comment;
  std::string data;  // the stored bytes: compressed, with the encryption header if any
  // Where the stored bytes come from while `data` is not loaded: a range of the input ZIP
  // file (compressedSize bytes at sourceOffset), or a file of the input directory that is
  // deflated when it is loaded (which sets the method, CRC and sizes). Entries are loaded
  // and released one at a time, so no archive is ever held whole.
  std::string sourcePath;
  uint64_t sourceOffset = 0;
  bool packSource = false;
  int packLevel = 9;  // the deflate level for a file to deflate; 0 stores it
};

struct ZipArchive {
  std::vector<ZipEntry> entries;
  std::string comment;  // code page 932
};

// ---- problems -------------------------------------------------------------------------------

// Every problem is printed as it is found. Errors always stop the build; warnings stop it
// only with --strict. What the stub could not deliver in full (an entry it cannot extract or
// would extract elsewhere or damaged) is an error unless --allow-unextractable makes it a
// warning. Nothing is written once the build is stopped.
class Problems {
 public:
  explicit Problems(bool strict, bool allowUnextractable = false)
      : strict_(strict), allowUnextractable_(allowUnextractable) {}
  void error(const std::string& text);
  void warning(const std::string& text);
  void unextractable(const std::string& text);
  bool refused() const { return errors_ > 0 || (strict_ && warnings_ > 0); }
  bool strict() const { return strict_; }
  int errors() const { return errors_; }
  int warnings() const { return warnings_; }
  int unextractables() const { return unextractables_; }

 private:
  bool strict_;
  bool allowUnextractable_;
  int errors_ = 0;
  int warnings_ = 0;
  int unextractables_ = 0;
};

// ---- code page 932 --------------------------------------------------------------------------

// UTF-8 to code page 932; false when a character has no exact form there (the conversion
// back must give the same text). The characters that Unix and Windows map differently to
// the same code page 932 character (U+301C '〜' and U+FF5E '～' both 0x8160, and the other
// well-known pairs) count as that character either way.
bool utf8ToCp932(const std::string& utf8, std::string& cp932);
// The first character of a UTF-8 text that has no code page 932 form, for a refusal:
// "U+1F600 '😀'" (a control character without its glyph, a byte that is not UTF-8 as
// "the byte 0xNN"); empty when every character has one.
std::string characterWithoutCp932Form(const std::string& utf8);
// "U+1F600 '😀' in WHERE has no code page 932 form".
std::string noCp932FormText(const std::string& utf8, const std::string& where);
// Code page 932 to UTF-8 for the terminal, the pairs above in their Unix form (0x8160 is
// shown as '〜', as a Japanese text typed on Linux has it); bytes that are not valid, and control characters
// other than line feeds, are shown as \xNN (so no text from a file can steer the terminal).
std::string cp932ToUtf8(const std::string& cp932);
std::string cp932ToUtf8(const char* cp932);
// An entry name for the terminal: as above, with line feeds shown as \x0A too.
std::string shownName(const std::string& cp932);
std::string escapeControls(const std::string& text, bool keepNewlines);
// True when every byte sequence is a valid code page 932 character.
bool isValidCp932(const std::string& text);
bool isValidUtf8(const std::string& text);
// The length of the character at text[i] in code page 932: 2 for a lead byte followed by
// another byte, else 1.
size_t cp932CharLength(const std::string& text, size_t i);

// What the stub would do with an entry name (code page 932): empty when it extracts the entry
// where its name says, else the reason it would not.
std::string entryNameProblem(const std::string& cp932Name);

// ---- inputs ---------------------------------------------------------------------------------

struct InputOptions {
  bool utf8Names = false;  // names of a ZIP without the UTF-8 flag are UTF-8 as well
  std::vector<std::string> excludes;  // wildcard patterns of entries to leave out
  int level = 9;                      // deflate level of a directory input; 0 stores
  std::string ownOutput;  // the output's path inside a directory input (UTF-8), left out
};

// Reads a ZIP file. Returns false (with an error in `problems`) when it is not one the
// stub can use at all; otherwise every entry is in `archive`, names in code page 932.
bool readZipInput(const std::string& path, const InputOptions& options, ZipArchive& archive,
                  Problems& problems);
// Reads a directory tree: files deflated (stored when that is not smaller), entries in
// byte order of their UTF-8 paths, directories as entries of their own.
bool readDirectoryInput(const std::string& path, const InputOptions& options, ZipArchive& archive,
                        Problems& problems);
// True when `path` (UTF-8, '/' separators, a directory ending in '/') or one of its leading
// directories or its last component matches one of the patterns.
bool excluded(const std::string& path, const std::vector<std::string>& patterns);
// The shell's wildcards on UTF-8 text: '*', '?', [set], [!set], [a-z] and '\' quoting; a
// '*' also takes '/'.
bool wildcardMatches(const std::string& pattern, const std::string& text);

// Why the stub's decoder would not give an entry's declared bytes (damaged data, another
// size or CRC-32); empty when it does, and for encrypted entries (no password to check with).
std::string entryDataProblem(const ZipEntry& entry);

// Decodes every entry with the stub's decoder; a mismatch cannot be delivered.
void checkEntryData(const ZipArchive& archive, Problems& problems);
// True when some entry lies in a directory (its name has a separator before its end).
bool hasDirectories(const ZipArchive& archive);
// Paths that would not fit under `directory` (code page 932; relative or empty: under C:\).
void checkPathLengths(const ZipArchive& archive, const std::string& directory, bool subdirs, Problems& problems);

// Checks that apply to every entry whatever the input: names, methods, versions, flags.
void checkEntries(const ZipArchive& archive, Problems& problems);

// ---- output ---------------------------------------------------------------------------------

// An entry's stored bytes read in pieces: from `data`, or from its range of the input ZIP
// file. (A file of the input directory is deflated as the archive is written.)
class StoredBytes {
 public:
  explicit StoredBytes(const ZipEntry& entry);
  ~StoredBytes();
  StoredBytes(const StoredBytes&) = delete;
  StoredBytes& operator=(const StoredBytes&) = delete;
  // Up to `size` bytes; 0 at the end, or when the file cannot be read (failed() then).
  size_t read(char* buffer, size_t size);
  bool failed() const { return failed_; }

 private:
  const ZipEntry& entry_;
  HostFile file_;
  uint64_t done_ = 0;
  bool failed_ = false;
};

// The output as it is written: bytes go to the file in order, and the position is the file
// offset of the next byte. A header can be rewritten once what follows it is known, and
// the end can be taken back (a stored copy replacing deflated data that did not shrink).
class OutputFile {
 public:
  explicit OutputFile(HostFile& file) : file_(file) {}
  bool write(const char* bytes, size_t size);
  bool write(const std::string& bytes) { return write(bytes.data(), bytes.size()); }
  bool rewrite(uint64_t offset, const std::string& bytes);
  bool truncate(uint64_t position);
  uint64_t position() const { return position_; }

 private:
  HostFile& file_;
  uint64_t position_ = 0;
};

// Writes the archive behind what `out` already holds: each entry is loaded, written and
// released in turn, and every local header offset and the central directory offset are
// counted from the start of the whole file. False, reported, when an entry cannot be
// loaded or the file would pass the 4 GB that 32-bit offsets reach.
bool writeArchive(ZipArchive& archive, OutputFile& out, Problems& problems);

// The stored bytes of one entry into `out`: copied from memory or the input ZIP, or, for a
// file to deflate, deflated (or stored when that is not smaller) with the entry's method,
// CRC and sizes set. False, reported, when a source cannot be read or has changed.
bool copyStoredBytes(const ZipEntry& entry, OutputFile& out, Problems& problems);
bool writePackedSource(ZipEntry& entry, OutputFile& out, Problems& problems);

// Writes a file at `path` through a temporary file beside it, whose bytes `produce`
// writes; without `force`, an existing file is never replaced. `verify` (may be empty)
// checks the temporary file before it takes the final name. False with a message on
// standard error.
bool writeOutputFile(const std::string& path, const std::function<bool(OutputFile&)>& produce, bool force,
                     const std::function<bool(const std::string&)>& verify);

// The stub a build uses: `option` (--stub) when given, else $SFX_STUB, else the one installed
// with this program. Empty, with a message on standard error, when none is found.
std::string locateStub(const std::string& option);

// ---- reproducible and verifiable output ------------------------------------------------------

// A Unix time as a DOS date and time in local time (hostLocalTime); times before 1980
// or after 2107 become the first or last DOS date-time.
void unixToDosDateTime(int64_t t, uint16_t& date, uint16_t& time);
// $SOURCE_DATE_EPOCH: `set` false when it is unset or empty; false when it is not a count
// of seconds from 0 to 2^31-1.
bool sourceDateEpoch(int64_t& epoch, bool& set);
// Clamps every entry's DOS date-time and the times of its extra fields to `epoch`.
void clampEntryTimes(ZipArchive& archive, int64_t epoch);
// The last step on the finished temporary file: with `reproducible`, its modification time
// becomes `epoch`; `digest` gets its SHA-256 and `size` its size. False with a message on
// standard error.
bool finishOutput(const std::string& written, bool reproducible, int64_t epoch, std::string& digest,
                  uint64_t& size);
// The SHA-256 of a file as 64 lower-case hex digits.
bool fileSha256(const std::string& path, std::string& hex);

// ---- signing --------------------------------------------------------------------------------

// An error when the stub already carries a certificate table (the archive would break it).
void checkStubUnsigned(const std::string& stub, Problems& problems);
// True when the command names the file to sign with "{}".
bool signCommandUsable(const std::string& command);
// Runs `command` through /bin/sh with every "{}" replaced by the quoted `path`. False, with
// a message, when it fails or leaves no file.
bool runSignCommand(const std::string& command, const std::string& path);

// ---- commands -------------------------------------------------------------------------------

int commandBuild(int argc, char** argv);
int commandShow(int argc, char** argv);
int commandRun(int argc, char** argv, bool test);  // test and extract

// Shared helpers of the commands.
bool readWholeFile(const std::string& path, std::string& bytes);
std::string dosDateTimeText(uint16_t date, uint16_t time);
std::string methodName(uint16_t method);
void installConsoleReporting();  // message display on stderr, the full status printed at exit
