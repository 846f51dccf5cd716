// Orders the reader's table of references to central directory headers by the sort key of
// the option state: name, extension, date, size, saving ratio, CRC or the archive order. The
// table is first shuffled by a fixed permutation of its halves and then sorted with an
// unstable sort, so entries with equal keys come in no particular order. A descending key
// sorts the same way; the entry loop walks the table from its end.
#include "archive/entry_order.h"

#include <algorithm>

#include "options/option_state.h"
#include "system/system.h"

namespace {

// The permutation step: a prime stride through the first half.
constexpr uint32_t PERMUTATION_STRIDE = 32749;
// Sizes above this are halved together before the ratio, so that 1000 * compressed fits in
// 32 bits.
constexpr uint32_t RATIO_SIZE_LIMIT = 4294967;

int foldCase(unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// Compares the first n bytes case-insensitively; the second byte of a double-byte character
// is compared as it stands, so that a trail byte in the letter range is never folded.
int compareFolded(const char* a, const char* b, uint32_t n) {
  bool trail = false;
  for (uint32_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
    int fa = trail ? ca : foldCase(ca), fb = trail ? cb : foldCase(cb);
    if (fa != fb) return fa < fb ? -1 : 1;
    trail = !trail && SysIsLeadByte(ca);
  }
  return 0;
}

// Over the shorter length, then the shorter text first.
int compareTexts(const char* a, uint32_t lengthA, const char* b, uint32_t lengthB) {
  int c = compareFolded(a, b, std::min(lengthA, lengthB));
  if (c != 0) return c;
  return lengthA < lengthB ? -1 : lengthA > lengthB ? 1 : 0;
}

int compareNames(const EntryRecord* a, const EntryRecord* b) {
  return compareTexts(entryName(a), entryNameLength(a), entryName(b), entryNameLength(b));
}

// The extension is the text after the last '.' of the last path component; a name without
// '.' there has none (-1). '/' and '.' are never the second byte of a double-byte character,
// so the name can be scanned from its end.
int32_t extensionStart(const EntryRecord* e) {
  const char* name = entryName(e);
  for (uint32_t i = entryNameLength(e); i > 0; --i) {
    if (name[i - 1] == '/') return -1;
    if (name[i - 1] == '.') return static_cast<int32_t>(i);
  }
  return -1;
}

int compareExtensions(const EntryRecord* a, const EntryRecord* b) {
  int32_t ea = extensionStart(a), eb = extensionStart(b);
  if (ea < 0 || eb < 0) {
    if (ea >= 0) return 1;  // no extension comes first
    if (eb >= 0) return -1;
    return compareNames(a, b);
  }
  int c = compareTexts(entryName(a) + ea, entryNameLength(a) - ea, entryName(b) + eb,
                       entryNameLength(b) - eb);
  return c != 0 ? c : compareNames(a, b);
}

int compareUnsigned(uint32_t a, uint32_t b) { return a < b ? -1 : a > b ? 1 : 0; }

int compareNatural(const EntryRecord* a, const EntryRecord* b, bool spanned) {
  if (spanned) {
    int c = compareUnsigned(le16(a + CDH_DISK_START), le16(b + CDH_DISK_START));
    if (c != 0) return c;
  }
  return compareUnsigned(le32(a + CDH_LOCAL_OFFSET), le32(b + CDH_LOCAL_OFFSET));
}

uint32_t ratioOf(const EntryRecord* e) {
  return SavingRatio(le32(e + CDH_COMPRESSED), le32(e + CDH_UNCOMPRESSED));
}

int compareEntries(const EntryRecord* a, const EntryRecord* b, int key, bool spanned) {
  switch (key) {
    case SORT_NAME: return compareNames(a, b);
    case SORT_EXTENSION: return compareExtensions(a, b);
    case SORT_DATE: return compareUnsigned(entryDateTime(a), entryDateTime(b));
    case SORT_SIZE: return compareUnsigned(le32(a + CDH_UNCOMPRESSED), le32(b + CDH_UNCOMPRESSED));
    case SORT_RATIO: return compareUnsigned(ratioOf(a), ratioOf(b));
    case SORT_CRC: return compareUnsigned(le32(a + CDH_CRC32), le32(b + CDH_CRC32));
    default: return compareNatural(a, b, spanned);
  }
}

}  // namespace

uint32_t SavingRatio(uint32_t compressed, uint32_t uncompressed) {
  if (uncompressed == 0 || uncompressed < compressed) return 0;
  while (compressed > RATIO_SIZE_LIMIT) {
    compressed >>= 1;
    uncompressed >>= 1;
  }
  if (uncompressed == 0) return 0;
  uint32_t kept = compressed * 1000 / uncompressed;
  return kept >= 1000 ? 0 : 1000 - kept;
}

void EntryOrder(const EntryRecord** table, uint32_t count, int key, bool spanned) {
  if (!table || count < 2) return;
  int comparison = key >= SORT_DESCENDING ? key - SORT_DESCENDING : key;
  uint32_t half = count / 2;
  uint32_t p = 0;
  for (uint32_t i = 0; i < half; ++i) {
    p = (p + PERMUTATION_STRIDE) % half;
    std::swap(table[p], table[half + i]);
  }
  std::sort(table, table + count, [comparison, spanned](const EntryRecord* a, const EntryRecord* b) {
    return compareEntries(a, b, comparison, spanned) < 0;
  });
}
