// The Inflater's code tables: where they sit in the work buffer and what one table entry
// holds. Kept apart from inflate.cpp so that the layout's arithmetic is checked at compile
// time in one place.
//
// Every code is decoded with one look-up in a root table indexed by the next bits of the
// input (LSB first), or two when it is longer than the root: the root entry then points to a
// second-level table indexed by the bits above the root. A second-level table has
// 2^(L - root bits) entries, L being the longest code that starts with its root pattern, so a
// table never holds more than the largest total any complete code can need ("enough"
// below, the maximum over every complete canonical code of the alphabet).
//
//   offset  size  content
//        0 5,336  literal/length table: 1,334 entries, root of 10 bits
//    5,336 1,608  distance table: 402 entries, root of 8 bits
//    6,944   512  code-length code table: 128 entries, 7 bits (its codes are at most 7 long)
//    7,456   320  code lengths: literal/length, then distance (288 + 32 at most)
//    7,776    20  code-length code lengths (19)
//    7,796   576  symbols sorted by code length, 288 u16
//
// Entry (u32), for every table:
//   bits 0-4   bits to consume: the code's length plus the extra bits read with it
//   bits 8-11  bits the entry depends on (the code's length; more for the placeholders of
//              codes with a single symbol); the extra bits start above them
//   bits 16-31 the value: a literal byte, a length or distance base, a code-length symbol,
//              or the start of a second-level table
// Literal/length entries use the flags in bits 28-31 (so their value has 12 bits); distance
// entries mark a second-level pointer with bit 15. Bits 5-7 and 12-14 stay zero: the fast
// loop takes the two counts as wide as a shift count (6 bits) without masking them.
#pragma once

#include <cstdint>

#include "decode/inflate.h"

namespace inflate_tables {

constexpr unsigned LIT_ROOT_BITS = 10;
constexpr unsigned DIST_ROOT_BITS = 8;
constexpr unsigned CL_ROOT_BITS = 7;
constexpr unsigned MAX_CODE_BITS = 15;  // the longest code a Deflate header can give
// The alphabets as large as a header can declare them: HLIT + 257 reaches 288 and HDIST + 1
// reaches 32. Deflate sends 286 and 30 at most, Deflate64 the same 286 and all 32
// distances (30 and 31 reach 32 KiB to 64 KiB back); the tables are sized for the larger
// counts, so no header, valid or not, needs a check before its tables are built.
constexpr unsigned LIT_SYMBOLS = 288;
constexpr unsigned DIST_SYMBOLS = 32;
constexpr unsigned CL_SYMBOLS = 19;

// The most entries a table can take: the root, 2^root bits, plus the second-level tables
// of the worst complete code. A root slot that codes longer than the root share is
// completed by its longest code, of length L, and gets 2^(L - root) entries; with codes
// assigned in canonical order, the slots completed once every code of length <= L is
// placed are all those wholly inside the code space those codes fill. So the total
// follows from the count of codes of each length alone, and the bound is the maximum of
// that total over every count vector that is a complete prefix code (Kraft sum exactly 1)
// of at most that many symbols with lengths 1 to 15. Counting it out (a search over
// lengths 1..15 keeping the open code-space nodes and the symbols left, the same counting
// that gives 852 for 286 symbols with a 9-bit root and 592 for 30 with a 6-bit root) gives:
//   288 symbols, root 10: 1,334 (286 symbols: 1,332)
//    32 symbols, root  8:   402 ( 30 symbols:   400)
// An incomplete code is accepted only with a single symbol (buildSparseTable): the root
// plus one table of 2^(15 - root) entries, 1,056 and 384, within these bounds.
// The code-length code has lengths of at most 7 bits, its root: no second level.
constexpr uint32_t LIT_ENOUGH = 1334;
constexpr uint32_t DIST_ENOUGH = 402;
constexpr uint32_t CL_ENTRIES = 1u << CL_ROOT_BITS;
constexpr unsigned CL_MAX_LENGTH = 7;  // three bits per code-length code length
static_assert(CL_MAX_LENGTH <= CL_ROOT_BITS, "the code-length table needs no second level");
static_assert((1u << LIT_ROOT_BITS) + (1u << (MAX_CODE_BITS - LIT_ROOT_BITS)) <= LIT_ENOUGH &&
                  (1u << DIST_ROOT_BITS) + (1u << (MAX_CODE_BITS - DIST_ROOT_BITS)) <= DIST_ENOUGH,
              "a single-symbol code fits the tables");

constexpr uint32_t LIT_TABLE_OFFSET = 0;
constexpr uint32_t DIST_TABLE_OFFSET = LIT_TABLE_OFFSET + LIT_ENOUGH * 4;
constexpr uint32_t CL_TABLE_OFFSET = DIST_TABLE_OFFSET + DIST_ENOUGH * 4;
constexpr uint32_t LENGTHS_OFFSET = CL_TABLE_OFFSET + CL_ENTRIES * 4;
constexpr uint32_t CL_LENGTHS_OFFSET = LENGTHS_OFFSET + LIT_SYMBOLS + DIST_SYMBOLS;
constexpr uint32_t SORTED_OFFSET = CL_LENGTHS_OFFSET + 20;
constexpr uint32_t TABLES_END = SORTED_OFFSET + LIT_SYMBOLS * 2;

static_assert(DIST_TABLE_OFFSET == 5336 && CL_TABLE_OFFSET == 6944 && LENGTHS_OFFSET == 7456 &&
                  CL_LENGTHS_OFFSET == 7776 && SORTED_OFFSET == 7796,
              "the layout above");
static_assert(DIST_TABLE_OFFSET % 4 == 0 && CL_TABLE_OFFSET % 4 == 0 && SORTED_OFFSET % 2 == 0,
              "tables are aligned to their entries");
static_assert(TABLES_END == MIN_FIXED_BUFFER, "MIN_FIXED_BUFFER is the end of the last table");
static_assert(MIN_FIXED_BUFFER <= 10240, "the tables fit the extraction context's work buffer");

// Flags of literal/length entries.
constexpr uint32_t LITERAL = 1u << 31;
constexpr uint32_t EXCEPTIONAL = 1u << 30;  // end of block, second-level pointer, long match
constexpr uint32_t LIT_SUBTABLE = 1u << 29;
constexpr uint32_t LONG_MATCH = 1u << 28;   // Deflate64 symbol 285: 16 extra bits, 0 = flush
constexpr uint32_t LIT_VALUE_MASK = 0xFFF;
// Flag of distance entries.
constexpr uint32_t DIST_SUBTABLE = 1u << 15;

constexpr uint32_t entry(uint32_t value, unsigned depends, unsigned consume) {
  return value << 16 | depends << 8 | consume;
}
inline unsigned consumed(uint32_t e) { return e & 0x1F; }
inline unsigned depends(uint32_t e) { return (e >> 8) & 0xF; }

}  // namespace inflate_tables
