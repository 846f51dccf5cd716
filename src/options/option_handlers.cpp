// What each keyword sets in the OptionState: commands, selection and overwrite modes, value
// lists folded into the attribute and time masks, date filters read in the locale's date
// order, names recorded for the session, and the sort key of the entry loop.
#include "options/option_handlers.h"

#include <cstring>

#include "system/system.h"

namespace {

// The value is the text after the first '='; nothing after it counts as no value.
char* valueOf(char* word) {
  char* equals = std::strchr(word, '=');
  if (!equals || equals[1] == '\0') return nullptr;
  return equals + 1;
}

// Folds a ',' separated list of value words into `field`: a negative value is AND-ed, any
// other OR-ed. Words before a bad one stay applied.
int applyValueList(const char* value, const ValueWordTable& table, uint32_t* field) {
  for (const char* item = value;;) {
    int32_t v = 0;
    if (!MatchValueWord(item, table, &v)) return OPT_BAD_VALUE;
    if (v < 0) *field &= static_cast<uint32_t>(v);
    else *field |= static_cast<uint32_t>(v);
    const char* comma = std::strchr(item, ',');
    if (!comma) return OPT_OK;
    item = comma + 1;
  }
}

// AFTER and BEFORE: a date read in the record's date order, or today without a value.
int applyDate(OptionState& state, char* word, uint32_t filterBit, uint32_t* date) {
  state.dateFilter |= filterBit;
  if (!valueOf(word)) {
    *date = SysToday();
    return OPT_OK;
  }
  // SysParseDate takes the text from the '=' on and skips the '='.
  return SysParseDate(std::strchr(word, '='), state.dateOrder, date) == 0 ? OPT_OK : OPT_BAD_VALUE;
}

// EXTRACT and TEST take the sort key given earlier by SORT.
void takeGivenSortKey(OptionState& state) {
  if (state.sortGiven) state.entrySortKey = state.sortKey;
}

void recordName(const OptionState& state, TextList& list, char* word) {
  const char* value = valueOf(word);
  if (!value) return;
  if (value[0] == state.listFilePrefix && ReadingListFile()) return;
  list.Append(value);  // no memory: the list stays as it was
}

}  // namespace

int HandleAfter(OptionState& state, char* word, int code) {
  return applyDate(state, word, DATE_FILTER_AFTER, &state.afterDate);
}

int HandleBefore(OptionState& state, char* word, int code) {
  return applyDate(state, word, DATE_FILTER_BEFORE, &state.beforeDate);
}

int HandleConsole(OptionState& state, char* word, int code) {
  state.command = CMD_CONSOLE;
  return OPT_OK;
}

int HandleDirectories(OptionState& state, char* word, int code) {
  const char* value = valueOf(word);
  int32_t unused = 0;
  if (value && !MatchValueWord(value, DIRECTORIES_VALUE_WORDS, &unused)) return OPT_BAD_VALUE;
  state.keepPaths = true;
  state.makeDirectories = true;
  return OPT_OK;
}

int HandleExclude(OptionState& state, char* word, int code) {
  recordName(state, state.excludeSpecs, word);
  return OPT_OK;
}

int HandleInclude(OptionState& state, char* word, int code) {
  recordName(state, state.includeSpecs, word);
  return OPT_OK;
}

int HandleSelectCommand(OptionState& state, char* word, int code) {
  state.command = code == CMD_TEST ? CMD_TEST : CMD_EXTRACT;
  const char* value = valueOf(word);
  if (value) {
    int32_t mode = 0;
    if (!MatchValueWord(value, SELECTION_VALUE_WORDS, &mode)) return OPT_BAD_VALUE;
    state.selectionMode = mode;
  }
  takeGivenSortKey(state);
  return OPT_OK;
}

int HandleHelp(OptionState& state, char* word, int code) {
  state.command = CMD_HELP;
  return OPT_OK;
}

int HandleLocale(OptionState& state, char* word, int code) {
  const char* value = valueOf(word);
  int32_t unused = 0;
  if (value && !MatchValueWord(value, LOCALE_VALUE_WORDS, &unused)) return OPT_BAD_VALUE;
  LoadDateOrder(state);
  return OPT_OK;
}

int HandleMask(OptionState& state, char* word, int code) {
  const char* value = valueOf(word);
  if (!value) {
    // Read-only, hidden and system all stay on extracted files.
    state.attributeMask &= ~(SYS_ATTR_READONLY | SYS_ATTR_HIDDEN | SYS_ATTR_SYSTEM);
    return OPT_OK;
  }
  return applyValueList(value, MASK_VALUE_WORDS, &state.attributeMask);
}

int HandleMore(OptionState& state, char* word, int code) {
  const char* value = valueOf(word);
  if (!value) return OPT_OK;
  bool nonZero = false;
  for (const char* p = value; *p; ++p) {
    if (*p < '0' || *p > '9') return OPT_BAD_VALUE;
    if (*p != '0') nonZero = true;
  }
  return nonZero ? OPT_OK : OPT_BAD_VALUE;
}

int HandleNoExtended(OptionState& state, char* word, int code) {
  state.useExtendedInfo = false;
  return OPT_OK;
}

int HandleOverwrite(OptionState& state, char* word, int code) {
  const char* value = valueOf(word);
  if (!value) {
    state.overwriteMode = OVERWRITE_ALL;
    return OPT_OK;
  }
  int32_t mode = 0;
  if (!MatchValueWord(value, OVERWRITE_VALUE_WORDS, &mode)) return OPT_BAD_VALUE;
  state.overwriteMode = mode;
  return OPT_OK;
}

int HandlePassword(OptionState& state, char* word, int code) {
  state.passwordGiven = true;
  state.password = valueOf(word);  // the characters of the word itself
  return OPT_OK;
}

int HandlePrint(OptionState& state, char* word, int code) {
  state.command = CMD_PRINT;
  const char* value = valueOf(word);
  if (value) state.printDevice = value;
  if (!state.printDevice) state.UseDefaultPrintDevice();  // no memory: stays none
  return OPT_OK;
}

int HandleAccepted(OptionState& state, char* word, int code) { return OPT_OK; }

int HandleSort(OptionState& state, char* word, int code) {
  state.sortKey = SORT_NAME;
  const char* value = valueOf(word);
  if (value) {
    int32_t key = 0;
    if (!MatchValueWord(value, SORT_VALUE_WORDS, &key)) return OPT_BAD_VALUE;
    state.sortKey = key;
  }
  state.sortGiven = true;
  if (state.command == CMD_EXTRACT || state.command == CMD_TEST) state.entrySortKey = state.sortKey;
  return OPT_OK;
}

int HandleTimes(OptionState& state, char* word, int code) {
  const char* value = valueOf(word);
  if (!value) return OPT_OK;
  return applyValueList(value, TIMES_VALUE_WORDS, &state.timesMask);
}

int HandleVersion(OptionState& state, char* word, int code) {
  state.command = CMD_VERSION;
  const char* value = valueOf(word);
  int32_t unused = 0;
  if (value && !MatchValueWord(value, VERSION_VALUE_WORDS, &unused)) return OPT_BAD_VALUE;
  return OPT_OK;
}

int HandleVolume(OptionState& state, char* word, int code) {
  state.restoreVolumeLabel = true;
  const char* value = valueOf(word);
  if (!value) return OPT_OK;
  bool letter = (value[0] >= 'A' && value[0] <= 'Z') || (value[0] >= 'a' && value[0] <= 'z');
  return letter && value[1] == '\0' ? OPT_OK : OPT_BAD_VALUE;
}

void LoadDateOrder(OptionState& state) {
  int order = SYS_DATE_MDY;
  bool clock24 = false;
  if (SysLoadLocale(&order, &clock24) != 0) {
    order = SYS_DATE_MDY;
    clock24 = false;
  }
  state.dateOrder = order;
  state.clock24 = clock24;
}
