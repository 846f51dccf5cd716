// The walk over the selected entries and the reader's name rules: the extraction directory
// taken from a plain word, the name, date and existing-file selection, and the ordered walk
// that offers each selected entry to the extraction engine.
#include <cstring>

#include "archive/archive_reader.h"
#include "archive/entry_order.h"
#include "options/option_state.h"

using ErrorReporter::Warning;

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

bool ArchiveReader::AcceptExtractionDirectory(const char* word, char* copy) {
  if (extractionDirectory_[0] != '\0') return false;
  char last = LastSingleChar(word);
  bool qualifies = isSeparator(last) || isSeparator(word[0]) ||
                   FindFirstChar(word, ':') != nullptr || IsPlainDirectory(word);
  if (!qualifies) return false;
  // The directory and the '/' appended to it must fit 259 characters; a longer word would
  // silently name another directory, so it is refused.
  uint32_t length = static_cast<uint32_t>(std::strlen(word));
  bool slashAdded = last != ':' && !isSeparator(last);
  if (length + (slashAdded ? 1 : 0) > SYS_PATH_MAX - 1) return false;
  std::memcpy(extractionDirectory_, word, length);
  extractionDirectory_[length] = '\0';
  if (copy != nullptr) {
    std::memcpy(copy, word, length);
    copy[length] = '\0';
  }
  NormaliseSeparators(extractionDirectory_);
  char end = LastSingleChar(extractionDirectory_);
  if (end != ':' && end != '/') std::strcat(extractionDirectory_, "/");
  return true;
}

// FRESHEN and UPDATE look at the file the entry would become: FRESHEN takes only entries
// newer than an existing file, UPDATE also entries whose file does not exist yet.
bool ArchiveReader::existingFileAllows(const EntryRecord* entry) const {
  const OptionState& options = Options();
  if (options.selectionMode == SELECT_ALL ||
      (options.command != CMD_EXTRACT && options.command != CMD_TEST)) {
    return true;
  }
  size_t directoryLength = std::strlen(extractionDirectory_);
  uint16_t nameLength = entryNameLength(entry);
  if (directoryLength + nameLength >= SYS_PATH_MAX) return false;
  char path[SYS_PATH_MAX];
  std::memcpy(path, extractionDirectory_, directoryLength);
  CopyName(path + directoryLength, entryName(entry), nameLength);
  NormaliseSeparators(path);
  FindRecord found;
  bool exists = SysLookUp(path, &found) == 0;  // the name itself, never a pattern
  if (options.selectionMode == SELECT_FRESHEN) return exists && found.written < entryDateTime(entry);
  return !exists || found.written < entryDateTime(entry);
}

bool ArchiveReader::PassesSelection(const EntryRecord* entry) const {
  const OptionState& options = Options();
  uint16_t nameLength = entryNameLength(entry);
  if (!IsSelected(entryName(entry), nameLength)) return false;
  uint32_t stamp = entryDateTime(entry);
  if ((options.dateFilter & DATE_FILTER_AFTER) != 0 && stamp < options.afterDate) return false;
  if ((options.dateFilter & DATE_FILTER_BEFORE) != 0 && stamp > options.beforeDate) return false;
  if (!existingFileAllows(entry)) return false;
  bool directory = nameLength > 0 && entryName(entry)[nameLength - 1] == '/';
  if (directory && !options.keepPaths && options.command != CMD_TEST) return false;
  return true;
}

int ArchiveReader::ExtractSelected(EntryProcessor& processor) {
  if (endRecord_ == nullptr || le16(endRecord_ + EOCD_ENTRIES_TOTAL) == 0) return 0;
  int key = Options().entrySortKey;
  EntryOrder(entries_, static_cast<uint32_t>(loadedCount_), key, spanned_);
  bool descending = SortDescending(key);
  for (int n = 0; n < loadedCount_; ++n) {
    const EntryRecord* entry = entries_[descending ? loadedCount_ - 1 - n : n];
    if (!PassesSelection(entry)) continue;
    uint16_t nameLength = entryNameLength(entry);
    if (!NameFits(nameLength) && Options().command != CMD_TEST) {
      // The name does not fit a path buffer: no output can carry it, and the entry is left
      // out, visibly. A test makes no output: the entry is tested under its shortened name.
      char cut[SYS_PATH_MAX];
      Warning(WARN_BAD_PATH, CopyName(cut, entryName(entry), nameLength));
      continue;
    }
    if (processor.ExtractEntry(entry) != 0) break;
  }
  return processor.Result();
}
