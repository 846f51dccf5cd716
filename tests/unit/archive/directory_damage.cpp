// Loading the central directory: garbage between records is skipped, directories larger
// than one 65,368-byte chunk are read in record-aligned chunks (records straddling the chunk
// boundary, records ending exactly on it), and damage ends with the right format error:
// too few or too many records for the count (152), no central header at the directory offset (150), a record that can
// never fit one chunk (150), record lengths reaching past the directory (skipped, so 152),
// a directory claiming more bytes than the file holds (153).
#include <gtest/gtest.h>

#include <cstdio>

#include "reader_support.h"
#include "support/zip_writer.h"

namespace {

constexpr int EXIT_READ = 150 + 149;
constexpr int EXIT_NO_END_RECORD = 152 + 149;
constexpr int EXIT_TRUNCATED = 153 + 149;

std::string numbered(int n, size_t width) {
  char text[32];
  std::snprintf(text, sizeof text, "f%05d", n);
  std::string name(text);
  while (name.size() + 4 < width) name += 'n';
  return name + ".txt";
}

int loadBytes(ArchiveReader& reader, const ScratchDir& dir, const std::string& bytes) {
  writeFileBytes(dir.file("d.zip"), bytes);
  return openAndLoad(reader, dir.file("d.zip"));
}

void expectNames(ArchiveReader& reader, const ZipBuilder& zip) {
  ASSERT_EQ(reader.loadedCount(), static_cast<int>(zip.entries.size()));
  for (size_t i = 0; i < zip.entries.size(); ++i) {
    ASSERT_EQ(nameOf(reader.entry(static_cast<int>(i))), zip.entries[i].name) << i;
    EXPECT_EQ(le32(reader.entry(static_cast<int>(i)) + CDH_LOCAL_OFFSET), zip.entries[i].localOffset);
  }
}

TEST(DirectoryDamage, GarbageBetweenRecordsIsSkipped) {
  ReportCatcher catcher;
  OptionsReset reset;
  ScratchDir dir;
  ZipBuilder zip;
  zip.add("one.txt", "1");
  zip.add("two.txt", "22").garbageBefore = "garbage PK\x01 bytes";
  zip.add("three.txt", "333").garbageBefore = std::string(5, '\0') + "PK";
  ArchiveReader reader;
  ASSERT_EQ(loadBytes(reader, dir, zip.build()), 0);
  expectNames(reader, zip);
  EXPECT_TRUE(catcher.shown.empty());
}

struct ChunkCase {
  const char* what;
  int entries;
  size_t nameWidth;    // bytes of each name
  size_t extraLength;  // central extra bytes of each record
  bool falseSignature = false;  // the extra field starts with the central header signature
};

class LargeDirectory : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(LargeDirectory, EveryRecordLoadedAcrossChunks) {
  ReportCatcher catcher;
  OptionsReset reset;
  ScratchDir dir;
  ZipBuilder zip;
  const ChunkCase& c = GetParam();
  for (int n = 0; n < c.entries; ++n) {
    std::string extra(c.extraLength, 'e');
    if (c.falseSignature) extra.replace(0, 4, "PK\x01\x02");
    zip.add(numbered(n, c.nameWidth), std::to_string(n)).centralExtra = extra;
  }
  std::string bytes = zip.build();
  ASSERT_GT(zip.directorySize, DIRECTORY_CHUNK);
  ArchiveReader reader;
  ASSERT_EQ(loadBytes(reader, dir, bytes), 0);
  expectNames(reader, zip);
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, LargeDirectory,
    ::testing::Values(
        // 146-byte records: record 447 starts at 65,262 and crosses 65,368.
        ChunkCase{"straddling", 1000, 100, 0},
        // 8,171-byte records: eight fill the first chunk exactly (8 x 8,171 = 65,368).
        ChunkCase{"exact_boundary", 20, 10, 8171 - 46 - 10},
        // Records of 33,000 bytes: only one fits a chunk, the rest is cut every time.
        ChunkCase{"one_per_chunk", 7, 20, 33000 - 46 - 20},
        // The same geometry with extra fields that begin with "PK\1\2": the last signature
        // before the chunk's end (at 65,348) lies inside the straddling record's extra
        // field, so a chunk cut there would split that record in two.
        ChunkCase{"false_signature_in_extra", 600, 40, 60, true}),
    [](const ::testing::TestParamInfo<ChunkCase>& info) { return std::string(info.param.what); });

TEST(DirectoryDamage, GarbageAtAChunkBoundary) {
  ReportCatcher catcher;
  OptionsReset reset;
  ScratchDir dir;
  ZipBuilder zip;
  // 448 records of 146 bytes end at 65,408; a stretch of garbage right before the chunk
  // boundary, with a broken signature crossing it, pushes the next record across it.
  for (int n = 0; n < 600; ++n) zip.add(numbered(n, 100), "x");
  zip.entries[447].garbageBefore = std::string(100, 'g') + "PK\x01";
  ArchiveReader reader;
  ASSERT_EQ(loadBytes(reader, dir, zip.build()), 0);
  expectNames(reader, zip);
}

TEST(DirectoryDamage, FatalConditions) {
  struct Case {
    const char* what;
    int status;
    void (*damage)(ZipBuilder&);
    void (*patch)(std::string&, const ZipBuilder&);
  };
  const Case cases[] = {
      {"fewer records than announced", EXIT_NO_END_RECORD,
       [](ZipBuilder& z) { z.totalOverride = 3; }, nullptr},
      // A count cut by damage would leave the second entry out without a word.
      {"more records than announced", EXIT_NO_END_RECORD,
       [](ZipBuilder& z) { z.totalOverride = 1; }, nullptr},
      {"offset points at a local header", EXIT_READ,
       [](ZipBuilder& z) { z.directoryOffsetDelta = -static_cast<int64_t>(z.directoryOffset); }, nullptr},
      {"offset beyond 2 GB", EXIT_READ,
       [](ZipBuilder& z) { z.directoryOffsetDelta = 0x90000000ll; }, nullptr},
      {"offset behind the end of the file", EXIT_READ,
       [](ZipBuilder& z) { z.directoryOffsetDelta = 100000; }, nullptr},
      {"directory size larger than the file", EXIT_TRUNCATED,
       [](ZipBuilder& z) { z.directorySizeDelta = 200000; }, nullptr},
      {"directory size zero", EXIT_NO_END_RECORD,
       [](ZipBuilder& z) { z.directorySizeDelta = -static_cast<int64_t>(z.directorySize); }, nullptr},
      {"comment length reaching past the directory", EXIT_NO_END_RECORD, nullptr,
       [](std::string& b, const ZipBuilder& z) {
         // The second record claims a 60,000-byte comment: it is damage, not a record.
         uint32_t at = z.entries[1].centralOffset + CDH_COMMENT_LENGTH;
         set16(b, at, 60000);
       }},
      {"name length reaching past the directory", EXIT_NO_END_RECORD, nullptr,
       [](std::string& b, const ZipBuilder& z) {
         uint32_t at = z.entries[1].centralOffset + CDH_NAME_LENGTH;
         b[at] = '\xFF';
         b[at + 1] = '\xFF';
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ReportCatcher catcher;
    OptionsReset reset;
    ScratchDir dir;
    ZipBuilder zip;
    zip.add("one.txt", "1");
    zip.add("two.txt", "22");
    std::string bytes = zip.build();
    if (c.damage != nullptr) {
      c.damage(zip);
      bytes = zip.build();
    }
    if (c.patch != nullptr) c.patch(bytes, zip);
    ArchiveReader reader;
    EXPECT_EQ(loadBytes(reader, dir, bytes), c.status);
  }
}

TEST(DirectoryDamage, RecordLongerThanAChunkIsFormatError150) {
  ReportCatcher catcher;
  OptionsReset reset;
  ScratchDir dir;
  ZipBuilder zip;
  zip.add("small.txt", "1");
  BuiltEntry& big = zip.add("big.txt", "2");
  big.centralExtra = std::string(65535, 'x');
  big.centralComment = std::string(10000, 'c');
  zip.add("after.txt", "3");
  ArchiveReader reader;
  EXPECT_EQ(loadBytes(reader, dir, zip.build()), EXIT_READ);
}

TEST(DirectoryDamage, TooManyEntriesWithTheReducedLimit) {
  ReportCatcher catcher;
  OptionsReset reset;
  Options().reducedDirectory = true;
  ScratchDir dir;
  ZipBuilder zip;
  zip.add("one.txt", "1");
  zip.totalOverride = 16384;
  ArchiveReader reader;
  EXPECT_EQ(loadBytes(reader, dir, zip.build()), 155 + 149);
  ASSERT_EQ(catcher.shown.size(), 1u);
  EXPECT_NE(catcher.shown[0].text.find(reader.fullPath()), std::string::npos);
}

}  // namespace
