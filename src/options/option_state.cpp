// The OptionState record: its defaults, the texts it owns, the one instance of the process
// and the queries that other modules ask about the command. The record registers its
// write-suppression flag with the file services so that FileStream::Write can test it.
#include "options/option_state.h"

#include <cstdlib>
#include <cstring>

#include "options/option_parser.h"
#include "system/system.h"

namespace {

char* copyText(const char* text) {
  size_t n = std::strlen(text) + 1;
  char* copy = static_cast<char*>(std::malloc(n));
  if (copy) std::memcpy(copy, text, n);
  return copy;
}

OptionTarget* optionTarget = nullptr;

}  // namespace

// ---- TextList -------------------------------------------------------------------------------

TextList::~TextList() { Clear(); }

bool TextList::Append(const char* text) {
  if (count_ == capacity_) {
    uint32_t capacity = capacity_ ? capacity_ * 2 : 8;
    void* grown = std::realloc(items_, capacity * sizeof(char*));
    if (!grown) return false;
    items_ = static_cast<char**>(grown);
    capacity_ = capacity;
  }
  char* copy = copyText(text);
  if (!copy) return false;
  items_[count_++] = copy;
  return true;
}

void TextList::Clear() {
  for (uint32_t i = 0; i < count_; ++i) std::free(items_[i]);
  std::free(items_);
  items_ = nullptr;
  count_ = capacity_ = 0;
}

// ---- OptionState ----------------------------------------------------------------------------

OptionState::OptionState() { OptionState::ResetOptions(); }

OptionState::~OptionState() { releaseTexts(); }

void OptionState::releaseTexts() {
  includeSpecs.Clear();
  excludeSpecs.Clear();
  keptWords.Clear();
  std::free(ownedPrintDevice_);
  ownedPrintDevice_ = nullptr;
  printDevice = nullptr;
  password = nullptr;
}

void OptionState::ResetOptions() {
  releaseTexts();
  command = CMD_EXTRACT;
  selectionMode = SELECT_ALL;
  overwriteMode = OVERWRITE_PROMPT;
  attributeMask = 0xFFFFFFFFu;
  makeDirectories = false;
  dateFilter = 0;
  sortKey = SORT_NATURAL;
  entrySortKey = SORT_NATURAL;
  timesMask = SYS_TIMES_ACCESS | SYS_TIMES_MODIFY | SYS_TIMES_CREATE;
  dateOrder = SYS_DATE_MDY;
  useExtendedInfo = true;
  passwordGiven = false;
  keepPaths = false;
  sortGiven = false;
  restoreVolumeLabel = false;
  optionPrefix = '-';
  listFilePrefix = '@';
  afterDate = 0;
  beforeDate = 0;
  clock24 = false;
  reducedDirectory = false;
  writeSuppressed = 0;
}

void OptionState::ZeroOptions() {
  releaseTexts();
  command = selectionMode = overwriteMode = 0;
  attributeMask = 0;
  makeDirectories = false;
  dateFilter = 0;
  sortKey = entrySortKey = 0;
  timesMask = 0;
  dateOrder = 0;
  useExtendedInfo = passwordGiven = keepPaths = sortGiven = restoreVolumeLabel = false;
  optionPrefix = listFilePrefix = '\0';
  afterDate = beforeDate = 0;
  clock24 = reducedDirectory = false;
  writeSuppressed = 0;
}

bool OptionState::UseDefaultPrintDevice() {
  char* copy = copyText("PRN");
  if (!copy) return false;
  std::free(ownedPrintDevice_);
  ownedPrintDevice_ = copy;
  printDevice = copy;
  return true;
}

bool OptionState::NeedsArchive() const { return ::NeedsArchive(command); }
bool OptionState::ReadsEntryData() const { return ::ReadsEntryData(command); }
bool OptionState::ModifiesArchive() const { return ::ModifiesArchive(command); }

OptionState& Options() {
  // Built on first use; from then on FileStream sees the record's suppression flag.
  static OptionState* state = [] {
    static OptionState record;
    SysSetWriteSuppression(&record.writeSuppressed);
    return &record;
  }();
  return *state;
}

// ---- command queries ------------------------------------------------------------------------

bool NeedsArchive(int command) { return command != CMD_HELP && command != CMD_VERSION; }

bool ReadsEntryData(int command) {
  return command == CMD_EXTRACT || command == CMD_TEST || command == CMD_PRINT ||
         command == CMD_CONSOLE;
}

bool ModifiesArchive(int command) { return false; }

// ---- target of plain words ------------------------------------------------------------------

void SetOptionTarget(OptionTarget* target) { optionTarget = target; }
OptionTarget* GetOptionTarget() { return optionTarget; }
