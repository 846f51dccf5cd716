// The option language of the engine: the one OptionState record of the process, the
// keyword and value-word tables with their matching rules, the scanner of option words and
// list files, the option handlers, the command queries and the entry ordering selected by
// SORT. The parser reports every error itself (FatalError with the parser's code), so a bad
// option word ends the process. Plain words (archive name, extraction directory, name
// patterns) are handed to an OptionTarget, which the session connects to its archive reader.
#pragma once

#include <cstdint>

#include "archive/zip_format.h"

// ---- command codes and option values --------------------------------------------------------

constexpr int CMD_EXTRACT = 6;
constexpr int CMD_TEST = 9;
constexpr int CMD_HELP = 10;
constexpr int CMD_PRINT = 12;
constexpr int CMD_CONSOLE = 13;
constexpr int CMD_VERSION = 20;

// selectionMode (value word of EXTRACT and TEST).
constexpr int SELECT_ALL = 0;
constexpr int SELECT_FRESHEN = 1;
constexpr int SELECT_UPDATE = 2;

// overwriteMode.
constexpr int OVERWRITE_PROMPT = 0;
constexpr int OVERWRITE_NEVER = 1;
constexpr int OVERWRITE_ALL = 2;

// The value a front end gives PASSWORD while it knows no password yet (the session's
// password word starts with it): one control character that no typed password can equal.
// The engine never tries it as a password; it asks for one instead.
constexpr char PASSWORD_PLACEHOLDER = '\x01';

// dateFilter bits.
constexpr uint32_t DATE_FILTER_AFTER = 1;
constexpr uint32_t DATE_FILTER_BEFORE = 2;

// Sort keys (sortKey, entrySortKey); SORT_DESCENDING added to a key reverses the walk.
constexpr int SORT_NATURAL = 0;
constexpr int SORT_NAME = 2;
constexpr int SORT_EXTENSION = 3;
constexpr int SORT_DATE = 4;
constexpr int SORT_SIZE = 5;
constexpr int SORT_RATIO = 6;
constexpr int SORT_CRC = 7;
constexpr int SORT_DESCENDING = 8;

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

// ---- owned text list ------------------------------------------------------------------------

// A growable list of heap copies. Append leaves the list unchanged when memory runs out.
class TextList {
 public:
  TextList() = default;
  TextList(const TextList&) = delete;
  TextList& operator=(const TextList&) = delete;
  ~TextList();

  bool Append(const char* text);  // false when no memory was left (list unchanged)
  void Clear();
  uint32_t Count() const { return count_; }
  const char* At(uint32_t index) const { return index < count_ ? items_[index] : nullptr; }
  char* MutableAt(uint32_t index) { return index < count_ ? items_[index] : nullptr; }

 private:
  char** items_ = nullptr;
  uint32_t count_ = 0;
  uint32_t capacity_ = 0;
};

// ---- the record -----------------------------------------------------------------------------

class OptionState {
 public:
  OptionState();
  OptionState(const OptionState&) = delete;
  OptionState& operator=(const OptionState&) = delete;
  virtual ~OptionState();

  // Every field to its default; the owned texts are released.
  virtual void ResetOptions();
  // Every field to zero (what the session does after the main dialog has ended); the owned
  // texts are released.
  void ZeroOptions();

  // Queries on `command`.
  bool NeedsArchive() const;
  bool ReadsEntryData() const;
  bool ModifiesArchive() const;

  // Fields that option words set, in record order.
  int command;             // CMD_*; default CMD_EXTRACT
  int selectionMode;       // SELECT_*
  int overwriteMode;       // OVERWRITE_*
  uint32_t attributeMask;  // set bit 1/2/4 (and 16..31): that attribute is removed; all ones
  bool makeDirectories;
  uint32_t dateFilter;     // DATE_FILTER_* bits
  int sortKey;             // last SORT value
  int entrySortKey;        // the key of the entry loop
  uint32_t timesMask;      // SYS_TIMES_ACCESS | SYS_TIMES_MODIFY | SYS_TIMES_CREATE; default 7
  int dateOrder;           // SYS_DATE_MDY (default), SYS_DATE_DMY, SYS_DATE_YMD
  bool useExtendedInfo;    // default true; NOEXTENDED clears it
  bool passwordGiven;
  bool keepPaths;
  bool sortGiven;
  bool restoreVolumeLabel;
  char optionPrefix;       // '-'; '/' is accepted as well
  char listFilePrefix;     // '@'
  // The value characters inside the PASSWORD word itself (not a copy), or null. The engine
  // may overwrite them in place with a password the user types. PASSWORD_PLACEHOLDER there
  // means that no password is known yet.
  char* password;
  TextList includeSpecs;   // recorded INCLUDE values (list-file prefix kept)
  TextList excludeSpecs;   // recorded EXCLUDE values
  // The device PRINT writes to: inside the PRINT word, or an owned copy of "PRN"; null
  // until PRINT is seen.
  const char* printDevice;
  uint32_t afterDate;      // DOS date in the high half, time 0
  uint32_t beforeDate;

  // Settings that no option word changes.
  bool clock24;            // 24-hour clock of the locale (LOCALE)
  bool reducedDirectory;   // the reader's entry limit would be 16,384 instead of 65,536
  int writeSuppressed;     // non-zero: FileStream::Write reports bytes as written unwritten

  // Option lines read from list files, kept so that PASSWORD and PRINT values taken from
  // them stay valid for the life of the record.
  TextList keptWords;

  // Makes printDevice an owned copy of "PRN" (PRINT without a device); false when memory ran
  // out (the field is left as it was).
  bool UseDefaultPrintDevice();

 private:
  void releaseTexts();
  char* ownedPrintDevice_ = nullptr;
};

// The one record of the process. Its construction registers `writeSuppressed` with the file
// services (SysSetWriteSuppression).
OptionState& Options();

// Command queries, usable without a record.
bool NeedsArchive(int command);      // false for HELP and VERSION
bool ReadsEntryData(int command);    // EXTRACT, TEST, PRINT, CONSOLE
bool ModifiesArchive(int command);   // false for every command of this program

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

// ---- dates ----------------------------------------------------------------------------------

// Reads the date order (and clock style) of the user's locale into `state`; on failure the
// order is month-day-year and the clock 12-hour.
void LoadDateOrder(OptionState& state);

// ---- entry ordering -------------------------------------------------------------------------

// Orders a table of references to central directory headers by `key` (entrySortKey): the
// table is permuted and then sorted ascending by the key's comparison (key & 7); the entry
// loop walks it backwards when SortDescending(key). `spanned`: the archive lies on several
// disks (the natural order then goes by start disk first).
void EntryOrder(const EntryRecord** table, uint32_t count, int key, bool spanned = false);
inline void EntryOrder(EntryRecord** table, uint32_t count, int key, bool spanned = false) {
  EntryOrder(const_cast<const EntryRecord**>(table), count, key, spanned);
}
inline bool SortDescending(int key) { return key >= SORT_DESCENDING; }
// Per-mille space saving of an entry (0 when nothing was saved).
uint32_t SavingRatio(uint32_t compressed, uint32_t uncompressed);
