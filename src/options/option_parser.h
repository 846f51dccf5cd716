// The option language: the keyword and value-word tables with their matching rules, and
// the scanner of option words and list files. The parser reports every error itself
// (FatalError with the parser's code), so a bad option word ends the process. Plain words
// (archive name, extraction directory, name patterns) are handed to an OptionTarget, which
// the session connects to its archive reader.
#pragma once

#include <cstdint>

#include "options/option_state.h"

// Parser result codes (also the fatal codes and exit statuses they become).
constexpr int OPT_OK = 0;
constexpr int OPT_AMBIGUOUS = 2;
constexpr int OPT_AMBIGUOUS_VALUE = 3;
constexpr int OPT_UNKNOWN = 4;
constexpr int OPT_BAD_VALUE = 5;
constexpr int OPT_NO_ARCHIVE = 6;
constexpr int OPT_LIST_FILE = 18;

// A list file line keeps at most this many characters; the read buffer has this size.
constexpr int LIST_LINE_MAX = 250;
constexpr int LIST_BUFFER_SIZE = 1024;
// The keyword matcher works on an upper-case copy of at most this many characters.
constexpr int KEYWORD_COPY_MAX = 79;

// ---- where plain words go ------------------------------------------------------------------

// What the parser needs of the archive reader. The session connects an adapter over its
// ArchiveReader; without one, the archive counts as named, no word becomes the extraction
// directory, and names go to the record's includeSpecs / excludeSpecs.
class OptionTarget {
 public:
  virtual bool HasArchiveName() = 0;
  virtual void SetArchiveName(const char* name) = 0;
  // True when the word was taken as the extraction directory (the reader's rule).
  virtual bool AcceptExtractionDirectory(const char* word) = 0;
  virtual void AddIncludePattern(const char* pattern) = 0;
  virtual void AddExcludePattern(const char* pattern) = 0;

 protected:
  ~OptionTarget() = default;
};
void SetOptionTarget(OptionTarget* target);
OptionTarget* GetOptionTarget();

// ---- tables and matching --------------------------------------------------------------------

// A handler applies one option word (without prefix, as written) to the record; 0 or 5.
using OptionHandler = int (*)(OptionState& state, char* word, int code);

struct OptionKeyword {
  const char* keyword;  // upper case
  uint16_t code;
  OptionHandler handler;  // null: accepted, does nothing
};

struct ValueWord {
  const char* word;
  int32_t value;
};
struct ValueWordTable {
  const ValueWord* rows;
  int count;
};

extern const ValueWordTable SELECTION_VALUE_WORDS;  // EXTRACT, TEST
extern const ValueWordTable OVERWRITE_VALUE_WORDS;
extern const ValueWordTable VERSION_VALUE_WORDS;
extern const ValueWordTable LOCALE_VALUE_WORDS;
extern const ValueWordTable DIRECTORIES_VALUE_WORDS;  // empty
extern const ValueWordTable MASK_VALUE_WORDS;
extern const ValueWordTable TIMES_VALUE_WORDS;
extern const ValueWordTable SORT_VALUE_WORDS;

// OPT_OK with *row set, OPT_AMBIGUOUS or OPT_UNKNOWN.
int MatchKeyword(const char* text, const OptionKeyword** row);
// True with *value set on a unique match; false on failure. An ambiguous value word is a
// fatal report 3 with `text` (from the value word to the end of the word) as argument.
bool MatchValueWord(const char* text, const ValueWordTable& table, int32_t* value);

// ---- scanning -------------------------------------------------------------------------------

// Applies one option word (without its prefix) to `state`: 0, 2, 4 or 5.
int ParseOptionWord(char* text, OptionState& state = Options());
// Applies a null-terminated list of words in order; every error is a fatal report. PASSWORD
// and PRINT values refer to the characters of the words, which must outlive the record's use.
void ParseWords(char* const* words, OptionState& state = Options());
// Reads a list file: option lines are applied, other lines become names (see OptionTarget).
// A file that cannot be opened is a fatal report 18 with its name.
void ReadListFile(const char* name, bool forExclusion, OptionState& state = Options());
