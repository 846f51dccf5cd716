// ReadLocalHeader positions on an entry's first data byte (the offset Python's zipfile
// computes from the same local header) and Read then delivers exactly the entry's
// compressed bytes, read in odd piece sizes; stored entries equal their original files.
#include <gtest/gtest.h>

#include "reader_support.h"

namespace {

class EntryData : public ::testing::TestWithParam<const char*> {};

std::string readPieces(ArchiveReader& reader, uint32_t size) {
  static const uint32_t pieces[] = {1, 7, 1000, 4096, 3};
  std::string bytes;
  std::vector<char> buffer(4096);
  for (int k = 0; bytes.size() < size; ++k) {
    uint32_t want = pieces[k % 5];
    if (want > size - bytes.size()) want = static_cast<uint32_t>(size - bytes.size());
    uint32_t got = reader.Read(buffer.data(), want);
    if (got == 0) break;
    bytes.append(buffer.data(), got);
  }
  return bytes;
}

TEST_P(EntryData, LocalHeaderThenExactlyTheCompressedBytes) {
  ReportCatcher catcher;
  OptionsReset reset;
  ArchiveReader reader;
  std::string file = std::string(GetParam());
  std::string path = fixturePath(file);
  ASSERT_EQ(openAndLoad(reader, path), 0);
  std::string whole = readFileBytes(path);
  std::vector<ManifestEntry> expected = readManifest(file.substr(0, file.rfind('.')));
  ASSERT_EQ(reader.loadedCount(), static_cast<int>(expected.size()));
  // Entries are visited in reverse so that every header needs a real seek backwards.
  for (size_t i = expected.size(); i-- > 0;) {
    SCOPED_TRACE(expected[i].name);
    const EntryRecord* entry = reader.entry(static_cast<int>(i));
    uint32_t position = reader.ReadLocalHeader(entry);
    ASSERT_EQ(position, expected[i].dataOffset);
    std::string data = readPieces(reader, expected[i].compressed);
    EXPECT_EQ(data, whole.substr(expected[i].dataOffset, expected[i].compressed));
  }
}

INSTANTIATE_TEST_SUITE_P(Peers, EntryData,
                         ::testing::Values("archive_stored.zip", "archive_deflate.zip",
                                           "archive_encrypted.zip", "archive_7z.zip",
                                           "archive_behind_prefix.exe", "archive_sjis.zip",
                                           "archive_descriptor.zip"));

TEST(EntryData, StoredEntriesEqualTheirOriginalFiles) {
  ReportCatcher catcher;
  OptionsReset reset;
  ArchiveReader reader;
  ASSERT_EQ(openAndLoad(reader, fixturePath("archive_stored.zip")), 0);
  int compared = 0;
  for (int i = 0; i < reader.loadedCount(); ++i) {
    const EntryRecord* entry = reader.entry(i);
    std::string name = nameOf(entry);
    if (name.back() == '/') continue;
    SCOPED_TRACE(name);
    ASSERT_EQ(le16(entry + CDH_METHOD), 0);
    reader.ReadLocalHeader(entry);
    uint32_t size = le32(entry + CDH_COMPRESSED);
    std::string data(size, '\0');
    if (size > 0) reader.ReadExact(&data[0], size);
    EXPECT_EQ(data, readFileBytes(fixturePath("archive_src/" + name)));
    ++compared;
  }
  EXPECT_EQ(compared, 4);
}

TEST(EntryData, LocalExtraFieldIsKeptTerminated) {
  ReportCatcher catcher;
  OptionsReset reset;
  ArchiveReader reader;
  std::string path = fixturePath("archive_encrypted.zip");
  ASSERT_EQ(openAndLoad(reader, path), 0);
  std::string whole = readFileBytes(path);
  // This archive was made without -X, so Info-ZIP wrote its time and Unix extra fields into
  // the local headers; the reader keeps what stands between the name and the data.
  const EntryRecord* entry = reader.entry(0);
  uint32_t local = le32(entry + CDH_LOCAL_OFFSET);
  uint16_t nameLength = le16(reinterpret_cast<const uint8_t*>(whole.data()) + local + LFH_NAME_LENGTH);
  uint16_t extraLength = le16(reinterpret_cast<const uint8_t*>(whole.data()) + local + LFH_EXTRA_LENGTH);
  ASSERT_GT(extraLength, 0);
  reader.ReadLocalHeader(entry);
  ASSERT_EQ(reader.localExtraLength(), extraLength);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(reader.localExtra()), extraLength),
            whole.substr(local + LFH_SIZE + nameLength, extraLength));
  EXPECT_EQ(reader.localExtra()[extraLength], 0);
}

}  // namespace
