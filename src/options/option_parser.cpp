// Option words and list files: the keyword table, keyword and value-word matching, the
// scanner of a word list and the list-file reader. Every parser error becomes a fatal report
// of the error reporter with the parser's code (2, 3, 4, 5, 6 or 18), which ends the process.
#include "options/option_parser.h"

#include <cstring>

#include "options/option_handlers.h"
#include "options/option_state.h"
#include "report/error_reporter.h"
#include "system/system.h"

using ErrorReporter::FatalError;

namespace {

// Keywords in stored order; the matcher depends on this order only for which row it
// remembers on a tie, which is reported as ambiguous anyway.
const OptionKeyword kKeywords[] = {
    {"AFTER", 26, HandleAfter},
    {"BEFORE", 28, HandleBefore},
    {"CONSOLE", 13, HandleConsole},
    {"DIRECTORIES", 32, HandleDirectories},
    {"EXCLUDE", 34, HandleExclude},
    {"EXTRACT", 6, HandleSelectCommand},
    {"FILETYPE", 73, nullptr},
    {"HELP", 10, HandleHelp},
    {"ID", 39, nullptr},
    {"INCLUDE", 41, HandleInclude},
    {"LINKS", 37, nullptr},
    {"LOCALE", 44, HandleLocale},
    {"LOWERCASE", 29, nullptr},
    {"MASK", 45, HandleMask},
    {"MORE", 48, HandleMore},
    {"NAMETYPE", 51, nullptr},
    {"NOEXTENDED", 35, HandleNoExtended},
    {"OVERWRITE", 57, HandleOverwrite},
    {"PASSWORD", 59, HandlePassword},
    {"PERMISSION", 47, nullptr},
    {"PRINT", 12, HandlePrint},
    {"SILENT", 64, HandleAccepted},
    {"SORT", 65, HandleSort},
    {"TEST", 9, HandleSelectCommand},
    {"TIMES", 71, HandleTimes},
    {"TRANSLATE", 72, nullptr},
    {"VERSION", 20, HandleVersion},
    {"VOLUME", 74, HandleVolume},
    {"WARNING", 58, HandleAccepted},
};

const ValueWord kSelectionWords[] = {{"ALL", 0}, {"FRESHEN", 1}, {"UPDATE", 2}};
const ValueWord kOverwriteWords[] = {{"PROMPT", 0}, {"ALL", 2}, {"NEVER", 1}};
const ValueWord kVersionWords[] = {{"MAJOR", 0}, {"MINOR", 1}, {"STEP", 2}};
const ValueWord kLocaleWords[] = {{"ENVIRONMENT", 0}};
// Negative values are masks to AND in (-3 clears bit 2), the others are OR-ed in.
const ValueWord kMaskWords[] = {
    {"HIDDEN", -3},  {"+HIDDEN", -3},   {"-HIDDEN", 2},   {"SYSTEM", -5},
    {"+SYSTEM", -5}, {"-SYSTEM", 4},    {"READONLY", -2}, {"+READONLY", -2},
    {"-READONLY", 1}, {"NONE", 7},      {"ALL", -8},
};
const ValueWord kTimesWords[] = {
    {"ACCESS", 1},   {"MODIFY", 2},   {"CREATE", 4},   {"+ACCESS", 1},
    {"+MODIFY", 2},  {"+CREATE", 4},  {"-ACCESS", -2}, {"-MODIFY", -3},
    {"-CREATE", -5}, {"NONE", -8},    {"ALL", 7},
};
// A sort value of 8 or more is the descending form of value - 8.
const ValueWord kSortWords[] = {
    {"CRC", 7},      {"-CRC", 15},     {"+CRC", 7},      {"DATE", 4},      {"-DATE", 12},
    {"+DATE", 4},    {"EXTENSION", 3}, {"-EXTENSION", 11}, {"+EXTENSION", 3}, {"NAME", 2},
    {"-NAME", 10},   {"+NAME", 2},     {"NATURAL", 0},   {"-NATURAL", 8},  {"+NATURAL", 0},
    {"NONE", 0},     {"-NONE", 8},     {"+NONE", 0},     {"RATIO", 6},     {"-RATIO", 14},
    {"+RATIO", 6},   {"SIZE", 5},      {"-SIZE", 13},    {"+SIZE", 5},
};

template <size_t N>
constexpr ValueWordTable tableOf(const ValueWord (&rows)[N]) {
  return {rows, static_cast<int>(N)};
}

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool isAsciiAlnum(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// Words and value words start with a letter, a digit or a sign.
bool startsWord(char c) { return isAsciiAlnum(c) || c == '-' || c == '+'; }

// ---- plain words without a connected reader ------------------------------------------------

bool hasArchiveName() {
  OptionTarget* target = GetOptionTarget();
  return target ? target->HasArchiveName() : true;
}

void addName(OptionState& state, const char* name, bool exclude) {
  OptionTarget* target = GetOptionTarget();
  if (target) {
    if (exclude) target->AddExcludePattern(name);
    else target->AddIncludePattern(name);
  } else {
    (exclude ? state.excludeSpecs : state.includeSpecs).Append(name);
  }
}

void takePlainWord(OptionState& state, const char* word) {
  OptionTarget* target = GetOptionTarget();
  if (target && !target->HasArchiveName()) {
    target->SetArchiveName(word);
  } else if (target && target->AcceptExtractionDirectory(word)) {
    // taken as the extraction directory
  } else {
    addName(state, word, false);
  }
}

// ---- list files -----------------------------------------------------------------------------

// Reads a file through one fixed buffer and hands out its lines: LF ends a line, a CR just
// before the LF is dropped (text mode), at most LIST_LINE_MAX bytes are kept and the rest of
// an over-long line is skipped. A cut never leaves half of a double-byte character.
class ListFileLines {
 public:
  explicit ListFileLines(SysHandle file) : file_(file) {}

  // False at the end of the file when no character was read for the line.
  bool next(char* line, int* length) {
    int n = 0;
    bool any = false;  // a byte of this line was read (an empty line still has its LF)
    bool pendingCr = false;
    cut_ = false;
    for (;;) {
      int c = readByte();
      if (c < 0) break;
      any = true;
      if (pendingCr) {
        pendingCr = false;
        if (c == '\n') break;
        append(line, &n, '\r');
      }
      if (c == '\n') break;
      if (c == '\r') {
        pendingCr = true;
        continue;
      }
      append(line, &n, static_cast<char>(c));
    }
    if (pendingCr) append(line, &n, '\r');
    if (cut_) n = wholeCharacters(line, n);
    line[n] = '\0';
    *length = n;
    return any;
  }

 private:
  void append(char* line, int* n, char c) {
    if (*n < LIST_LINE_MAX) line[(*n)++] = c;
    else cut_ = true;
  }

  // The length of the longest run of whole characters within the first n bytes.
  static int wholeCharacters(const char* line, int n) {
    int i = 0;
    while (i < n) {
      int width = SysIsLeadByte(static_cast<unsigned char>(line[i])) ? 2 : 1;
      if (i + width > n) break;
      i += width;
    }
    return i;
  }

  int readByte() {
    if (pos_ == filled_) {
      if (atEnd_) return -1;
      uint32_t got = 0;
      if (SysReadFile(file_, buffer_, sizeof buffer_, &got) != 0 || got == 0) {
        atEnd_ = true;
        return -1;
      }
      filled_ = got;
      pos_ = 0;
    }
    return static_cast<unsigned char>(buffer_[pos_++]);
  }

  SysHandle file_;
  char buffer_[LIST_BUFFER_SIZE];
  uint32_t filled_ = 0;
  uint32_t pos_ = 0;
  bool atEnd_ = false;
  bool cut_ = false;
};

int listFileDepth = 0;

// Marks the reading of a list file, also when a fatal report leaves it early.
class ListFileScope {
 public:
  ListFileScope() { ++listFileDepth; }
  ~ListFileScope() { --listFileDepth; }
  ListFileScope(const ListFileScope&) = delete;
  ListFileScope& operator=(const ListFileScope&) = delete;
};

bool pointsInto(const char* p, const char* block, size_t size) {
  uintptr_t a = reinterpret_cast<uintptr_t>(p), b = reinterpret_cast<uintptr_t>(block);
  return a >= b && a < b + size;
}

// One line of a list file, leading blanks and line-end characters skipped.
void applyListLine(OptionState& state, const char* text, bool forExclusion, SysHandle file) {
  while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n') ++text;
  if (*text != '\0' && (*text == state.optionPrefix || *text == '/')) {
    // Parsed from a copy that the record keeps: PASSWORD and PRINT refer into the word.
    char* word = nullptr;
    if (state.keptWords.Append(text + 1)) word = state.keptWords.MutableAt(state.keptWords.Count() - 1);
    char scratch[LIST_LINE_MAX + 1];
    if (!word) {
      std::strcpy(scratch, text + 1);
      word = scratch;
    }
    int result = ParseOptionWord(word, state);
    if (word == scratch) {
      // No memory for a kept copy: drop what would refer to the line buffer.
      if (pointsInto(state.password, scratch, sizeof scratch)) state.password = nullptr;
      if (pointsInto(state.printDevice, scratch, sizeof scratch)) {
        state.printDevice = nullptr;
        state.UseDefaultPrintDevice();
      }
    }
    if (result != OPT_OK) {
      SysCloseFile(file);
      FatalError(result, text + 1);
    }
  } else if (forExclusion) {
    addName(state, text, true);
  } else if (!hasArchiveName()) {
    GetOptionTarget()->SetArchiveName(text);
  } else {
    addName(state, text, false);
  }
}

}  // namespace

const ValueWordTable SELECTION_VALUE_WORDS = tableOf(kSelectionWords);
const ValueWordTable OVERWRITE_VALUE_WORDS = tableOf(kOverwriteWords);
const ValueWordTable VERSION_VALUE_WORDS = tableOf(kVersionWords);
const ValueWordTable LOCALE_VALUE_WORDS = tableOf(kLocaleWords);
const ValueWordTable DIRECTORIES_VALUE_WORDS = {nullptr, 0};
const ValueWordTable MASK_VALUE_WORDS = tableOf(kMaskWords);
const ValueWordTable TIMES_VALUE_WORDS = tableOf(kTimesWords);
const ValueWordTable SORT_VALUE_WORDS = tableOf(kSortWords);

bool ReadingListFile() { return listFileDepth > 0; }

// ---- matching -------------------------------------------------------------------------------

int MatchKeyword(const char* text, const OptionKeyword** row) {
  *row = nullptr;
  if (!startsWord(text[0])) return OPT_UNKNOWN;
  // Words longer than the copy cannot match differently: every keyword is far shorter, so
  // the characters past the copy never take part in a match.
  char upper[KEYWORD_COPY_MAX + 1];
  int length = 0;
  while (length < KEYWORD_COPY_MAX && text[length]) {
    upper[length] = upperAscii(text[length]);
    ++length;
  }
  upper[length] = '\0';

  int best = 0, count = 0;
  for (const OptionKeyword& k : kKeywords) {
    int j = 0;
    while (k.keyword[j] && j < length && k.keyword[j] == upper[j]) ++j;
    bool candidate = j == length || upper[j] == '=' || upper[j] == ',';
    if (!candidate) continue;
    if (j > best) {
      best = j;
      count = 1;
      *row = &k;
    } else if (j == best && best > 0) {
      ++count;
      *row = &k;
    }
  }
  if (count == 0) {
    *row = nullptr;
    return OPT_UNKNOWN;
  }
  if (count > 1) {
    *row = nullptr;
    return OPT_AMBIGUOUS;
  }
  return OPT_OK;
}

bool MatchValueWord(const char* text, const ValueWordTable& table, int32_t* value) {
  if (!startsWord(text[0])) return false;
  int j = 0, count = 0;
  int32_t found = 0;
  for (int r = 0; r < table.count; ++r) {
    const char* w = table.rows[r].word;
    if (w[0] != upperAscii(text[0])) continue;
    // The row must agree with everything matched so far (a shorter row stops at its end).
    int i = 0;
    while (i < j && w[i] && w[i] == upperAscii(text[i])) ++i;
    if (i < j) continue;
    if (w[j] != upperAscii(text[j])) {
      ++count;  // a row that shares the matched part but no more: a tie
      continue;
    }
    while (w[j] && w[j] == upperAscii(text[j])) ++j;
    found = table.rows[r].value;
    count = 1;
  }
  char end = text[j];
  if ((end == '\0' || end == ',' || end == '=') && count != 0) {
    if (count > 1) FatalError(OPT_AMBIGUOUS_VALUE, text);
    *value = found;
    return true;
  }
  return false;
}

// ---- scanning -------------------------------------------------------------------------------

int ParseOptionWord(char* text, OptionState& state) {
  const OptionKeyword* row = nullptr;
  int result = MatchKeyword(text, &row);
  if (result != OPT_OK) return result;
  if (!row->handler) return OPT_OK;
  return row->handler(state, text, row->code);
}

void ParseWords(char* const* words, OptionState& state) {
  for (; words && *words; ++words) {
    char* word = *words;
    // An empty word is a plain word, also when the record's prefixes are zero.
    if (word[0] != '\0' && (word[0] == state.optionPrefix || word[0] == '/')) {
      int result = ParseOptionWord(word + 1, state);
      if (result != OPT_OK) FatalError(result, word + 1);
    } else if (word[0] == state.listFilePrefix && word[0] != '\0') {
      ReadListFile(word + 1, false, state);
    } else {
      takePlainWord(state, word);
    }
  }
  if (!hasArchiveName() && state.NeedsArchive()) FatalError(OPT_NO_ARCHIVE, "");
}

void ReadListFile(const char* name, bool forExclusion, OptionState& state) {
  SysHandle file = SysOpenFile(name, SYS_GENERIC_READ, SYS_FILE_SHARE_READ, SYS_OPEN_EXISTING, SYS_ATTR_NORMAL);
  if (file == SYS_INVALID_HANDLE) FatalError(OPT_LIST_FILE, name);
  ListFileScope scope;
  ListFileLines lines(file);
  char line[LIST_LINE_MAX + 1];
  int length = 0;
  // Reading stops at the end of the file or at the first line that keeps no characters.
  while (lines.next(line, &length) && length > 0) applyListLine(state, line, forExclusion, file);
  SysCloseFile(file);
}
