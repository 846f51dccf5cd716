// The one OptionState record of the process: the command and option values that option
// words set, the settings that no word changes, the owned text list they keep, and the
// command queries. The words themselves are read by the parser (option_parser.h); the
// entry ordering that SORT selects is the reader's (archive/entry_order.h).
#pragma once

#include <cstdint>

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

// ---- dates ----------------------------------------------------------------------------------

// Reads the date order (and clock style) of the user's locale into `state`; on failure the
// order is month-day-year and the clock 12-hour.
void LoadDateOrder(OptionState& state);
