// Entry ordering: every sort key against hand-checked orders of one small directory whose
// keys are all distinct (so the unstable sort has one right answer), descending keys, the
// archive order of a split archive, double-byte names, and big tables with many equal keys
// (the result must be a sorted permutation of the input).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "archive/entry_order.h"
#include "archive/zip_format.h"
#include "options/option_state.h"

namespace {

struct EntrySpec {
  std::string name;
  uint32_t dateTime, uncompressed, compressed, crc, offset;
  uint16_t disk;
};

// Central directory headers in one block, as the reader keeps them.
class Directory {
 public:
  explicit Directory(const std::vector<EntrySpec>& specs) {
    for (const EntrySpec& s : specs) {
      std::vector<uint8_t> r(CDH_SIZE + s.name.size(), 0);
      putLe32(&r[CDH_SIGNATURE], SIG_CENTRAL);
      putLe32(&r[CDH_TIME], s.dateTime);
      putLe32(&r[CDH_CRC32], s.crc);
      putLe32(&r[CDH_COMPRESSED], s.compressed);
      putLe32(&r[CDH_UNCOMPRESSED], s.uncompressed);
      putLe16(&r[CDH_NAME_LENGTH], static_cast<uint16_t>(s.name.size()));
      putLe16(&r[CDH_DISK_START], s.disk);
      putLe32(&r[CDH_LOCAL_OFFSET], s.offset);
      std::copy(s.name.begin(), s.name.end(), r.begin() + CDH_NAME);
      records_.push_back(std::move(r));
    }
  }
  std::vector<const EntryRecord*> table() const {
    std::vector<const EntryRecord*> t;
    for (const auto& r : records_) t.push_back(r.data());
    return t;
  }
  // Index of each record in the given table.
  std::vector<int> indices(const std::vector<const EntryRecord*>& table) const {
    std::vector<int> out;
    for (const EntryRecord* e : table)
      for (size_t i = 0; i < records_.size(); ++i)
        if (records_[i].data() == e) out.push_back(static_cast<int>(i));
    return out;
  }

 private:
  std::vector<std::vector<uint8_t>> records_;
};

// Distinct names, extensions, dates, sizes, ratios, CRCs and offsets.
//   ratio (per mille saved): e0 500, e1 100, e2 938 (sizes halved 6 times), e3 950,
//   e4 0 (grew), e5 200, e6 1000 (nothing stored)
const std::vector<EntrySpec> kEntries = {
    {"b.TXT", 0x30000000u, 500, 250, 0x80000000u, 400, 1},
    {"README", 0x20000000u, 10, 9, 5, 100, 2},
    {"dir.d/file", 0x40000000u, 0xFFFFFFFFu, 0x10000000u, 0xFFFFFFFFu, 300, 0},
    {"a.", 0x10000000u, 2000, 100, 0, 0, 3},
    {"A.txt", 0xF0000000u, 3, 5, 7, 200, 0},
    {"Zeta.doc", 0x00000001u, 1000, 800, 0x7FFFFFFFu, 0x80000000u, 1},
    {"sub/.profile", 0x2000FFFFu, 0x80000000u, 0, 1, 50, 2},
};

struct OrderCase {
  int key;
  bool spanned;
  std::vector<int> expected;
};

class EntryOrderKeys : public ::testing::TestWithParam<OrderCase> {};

TEST_P(EntryOrderKeys, AscendingTableForEveryStartingOrder) {
  const OrderCase& c = GetParam();
  Directory dir(kEntries);
  std::vector<const EntryRecord*> table = dir.table();
  // The result must not depend on the order the reader loaded the entries in.
  std::mt19937 random(c.key * 7 + c.spanned);
  for (int round = 0; round < 20; ++round) {
    std::shuffle(table.begin(), table.end(), random);
    EntryOrder(table.data(), static_cast<uint32_t>(table.size()), c.key, c.spanned);
    EXPECT_EQ(c.expected, dir.indices(table)) << "key " << c.key << " round " << round;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, EntryOrderKeys,
    ::testing::Values(
        // a. before A.txt: equal over the shorter length, the shorter first.
        OrderCase{SORT_NAME, false, {3, 4, 0, 2, 1, 6, 5}},
        // No extension (README, dir.d/file: '/' after the last '.'), then "" (a.), doc,
        // profile, and txt/TXT tied and settled by name.
        OrderCase{SORT_EXTENSION, false, {2, 1, 3, 5, 6, 4, 0}},
        OrderCase{SORT_DATE, false, {5, 3, 1, 6, 0, 2, 4}},
        OrderCase{SORT_SIZE, false, {4, 1, 0, 5, 3, 6, 2}},
        OrderCase{SORT_RATIO, false, {4, 1, 5, 0, 2, 3, 6}},
        OrderCase{SORT_CRC, false, {3, 6, 1, 4, 5, 0, 2}},
        OrderCase{SORT_NATURAL, false, {3, 6, 1, 4, 2, 0, 5}},
        OrderCase{1, false, {3, 6, 1, 4, 2, 0, 5}},  // an unknown key is the archive order
        // Split archive: by start disk, then by offset.
        OrderCase{SORT_NATURAL, true, {4, 2, 0, 5, 6, 1, 3}},
        OrderCase{SORT_NAME, true, {3, 4, 0, 2, 1, 6, 5}},
        // Descending keys sort the same way; the entry loop walks from the end.
        OrderCase{SORT_NAME + SORT_DESCENDING, false, {3, 4, 0, 2, 1, 6, 5}},
        OrderCase{SORT_SIZE + SORT_DESCENDING, false, {4, 1, 0, 5, 3, 6, 2}},
        OrderCase{SORT_NATURAL + SORT_DESCENDING, true, {4, 2, 0, 5, 6, 1, 3}}));

TEST(EntryOrderWalk, DescendingKeysAreMarked) {
  for (int key = 0; key < 8; ++key) {
    EXPECT_FALSE(SortDescending(key)) << key;
    EXPECT_TRUE(SortDescending(key + SORT_DESCENDING)) << key;
  }
}

TEST(EntryOrderRatio, PerMilleSaving) {
  struct Row { uint32_t compressed, uncompressed, ratio; };
  for (Row r : {Row{0, 0, 0}, Row{5, 3, 0}, Row{10, 10, 0}, Row{1, 1000, 999}, Row{0, 1, 1000},
                Row{250, 1000, 750}, Row{0xFFFFFFFFu, 0xFFFFFFFFu, 0},
                Row{0x10000000u, 0xFFFFFFFFu, 938}, Row{4294968, 8589936, 500}}) {
    EXPECT_EQ(r.ratio, SavingRatio(r.compressed, r.uncompressed)) << r.compressed << "/" << r.uncompressed;
  }
}

TEST(EntryOrderNames, DoubleByteSecondBytesAreNotCaseFolded) {
  // 0x83 0x41 and 0x83 0x61 are two different characters; folding their second bytes would
  // make them equal. ASCII letters still fold.
  Directory dir({{"\x83\x61", 0, 0, 0, 0, 0, 0}, {"\x83\x41", 0, 0, 0, 0, 1, 0},
                 {"B", 0, 0, 0, 0, 2, 0}, {"a", 0, 0, 0, 0, 3, 0}});
  std::vector<const EntryRecord*> table = dir.table();
  EntryOrder(table.data(), 4, SORT_NAME);
  EXPECT_EQ((std::vector<int>{3, 2, 1, 0}), dir.indices(table));
}

TEST(EntryOrderTables, ManyEqualKeysGiveASortedPermutation) {
  for (uint32_t n : {0u, 1u, 2u, 3u, 4u, 5u, 64u, 1001u, 40000u}) {
    std::vector<EntrySpec> specs;
    for (uint32_t i = 0; i < n; ++i)
      specs.push_back({"n" + std::to_string(i % 13) + ".e" + std::to_string(i % 3), (i % 5) << 16,
                       i % 7, i % 11, i % 4, i, static_cast<uint16_t>(i % 2)});
    Directory dir(specs);
    for (int key : {0, 2, 3, 4, 5, 6, 7}) {
      std::vector<const EntryRecord*> table = dir.table();
      EntryOrder(table.data(), n, key, key == 0);
      std::vector<int> idx = dir.indices(n <= 1001 ? table : std::vector<const EntryRecord*>());
      if (n <= 1001) {
        std::vector<int> sortedIdx = idx;
        std::sort(sortedIdx.begin(), sortedIdx.end());
        for (uint32_t i = 0; i < n; ++i) ASSERT_EQ(static_cast<int>(i), sortedIdx[i]) << n << " key " << key;
      }
      // Non-decreasing by the key's field (names and extensions by their own rules above).
      for (uint32_t i = 1; i < n; ++i) {
        const EntryRecord* a = table[i - 1];
        const EntryRecord* b = table[i];
        switch (key) {
          case 4: ASSERT_LE(entryDateTime(a), entryDateTime(b)); break;
          case 5: ASSERT_LE(le32(a + CDH_UNCOMPRESSED), le32(b + CDH_UNCOMPRESSED)); break;
          case 6:
            ASSERT_LE(SavingRatio(le32(a + CDH_COMPRESSED), le32(a + CDH_UNCOMPRESSED)),
                      SavingRatio(le32(b + CDH_COMPRESSED), le32(b + CDH_UNCOMPRESSED)));
            break;
          case 7: ASSERT_LE(le32(a + CDH_CRC32), le32(b + CDH_CRC32)); break;
          case 0: {
            uint64_t ka = (uint64_t(le16(a + CDH_DISK_START)) << 32) | le32(a + CDH_LOCAL_OFFSET);
            uint64_t kb = (uint64_t(le16(b + CDH_DISK_START)) << 32) | le32(b + CDH_LOCAL_OFFSET);
            ASSERT_LT(ka, kb);
            break;
          }
          default: break;
        }
      }
    }
  }
}

}  // namespace
