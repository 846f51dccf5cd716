// The order of the entry walk that SORT selects, over the reader's table of central
// directory headers, and the per-mille saving ratio that the RATIO key and the listing
// share.
#pragma once

#include <cstdint>

#include "archive/zip_format.h"
#include "options/option_state.h"

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
