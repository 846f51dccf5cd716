// The reader lists every entry of archives made by Info-ZIP zip, 7z and Python's zipfile
// with the names, sizes, CRCs and methods that Python's zipfile reads from the same files,
// including Shift-JIS names whose trail byte is 0x5C, an archive behind a prefix whose
// offsets count from the start of the bigger file, and a comment longer than one window.
#include <gtest/gtest.h>

#include "reader_support.h"

namespace {

struct Listing {
  const char* file;
  const char* manifest;
};

class PeerArchiveListing : public ::testing::TestWithParam<Listing> {};

TEST_P(PeerArchiveListing, EveryEntryAsThePeerReadsIt) {
  ReportCatcher catcher;
  OptionsReset reset;
  ArchiveReader reader;
  ASSERT_EQ(openAndLoad(reader, fixturePath(GetParam().file)), 0);
  std::vector<ManifestEntry> expected = readManifest(GetParam().manifest);
  ASSERT_EQ(reader.entryCount(), static_cast<int>(expected.size()));
  ASSERT_EQ(reader.loadedCount(), reader.entryCount());
  for (size_t i = 0; i < expected.size(); ++i) {
    const EntryRecord* entry = reader.entry(static_cast<int>(i));
    ASSERT_NE(entry, nullptr);
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(nameOf(entry), normalisedName(expected[i].name));
    EXPECT_EQ(le32(entry + CDH_COMPRESSED), expected[i].compressed);
    EXPECT_EQ(le32(entry + CDH_UNCOMPRESSED), expected[i].uncompressed);
    EXPECT_EQ(le32(entry + CDH_CRC32), expected[i].crc);
    EXPECT_EQ(le16(entry + CDH_METHOD), expected[i].method);
    EXPECT_EQ(le16(entry + CDH_FLAGS), expected[i].flags);
  }
  EXPECT_TRUE(catcher.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Peers, PeerArchiveListing,
    ::testing::Values(Listing{"archive_stored.zip", "archive_stored"},
                      Listing{"archive_deflate.zip", "archive_deflate"},
                      Listing{"archive_encrypted.zip", "archive_encrypted"},
                      Listing{"archive_7z.zip", "archive_7z"},
                      Listing{"archive_comment.zip", "archive_comment"},
                      Listing{"archive_behind_prefix.exe", "archive_behind_prefix"},
                      Listing{"archive_sjis.zip", "archive_sjis"},
                      Listing{"archive_descriptor.zip", "archive_descriptor"},
                      Listing{"archive_empty.zip", "archive_empty"},
                      Listing{"archive_big_directory.zip", "archive_big_directory"}),
    [](const ::testing::TestParamInfo<Listing>& info) { return std::string(info.param.manifest); });

TEST(PeerArchiveListing, ShiftJisTrailByteAndDosSeparator) {
  ReportCatcher catcher;
  OptionsReset reset;
  ArchiveReader reader;
  ASSERT_EQ(openAndLoad(reader, fixturePath("archive_sjis.zip")), 0);
  ASSERT_EQ(reader.loadedCount(), 3);
  // 表 is 95 5C: its trail byte stays; the DOS '\' between two names becomes '/'.
  EXPECT_EQ(nameOf(reader.entry(0)), "表/日本表.txt");
  EXPECT_EQ(nameOf(reader.entry(1)), "DOSDIR/PLAIN.txt");
  EXPECT_EQ(nameOf(reader.entry(2)), "ｶﾅxx.txt");
}

TEST(PeerArchiveListing, CommentLongerThanOneSearchWindow) {
  ReportCatcher catcher;
  OptionsReset reset;
  ArchiveReader reader;
  ASSERT_EQ(openAndLoad(reader, fixturePath("archive_comment.zip")), 0);
  std::string expected = readFileBytes(fixturePath("archive_comment.comment"));
  ASSERT_GT(expected.size(), 2000u);
  ASSERT_EQ(reader.commentLength(), expected.size());
  EXPECT_EQ(std::string(reader.comment(), reader.commentLength()), expected);
}

TEST(PeerArchiveListing, EmptyArchiveOfTwentyTwoBytes) {
  ReportCatcher catcher;
  OptionsReset reset;
  ArchiveReader reader;
  ASSERT_EQ(readFileBytes(fixturePath("archive_empty.zip")).size(), 22u);
  ASSERT_EQ(openAndLoad(reader, fixturePath("archive_empty.zip")), 0);
  EXPECT_EQ(reader.entryCount(), 0);
  EXPECT_EQ(reader.fileSize(), 22u);
  ASSERT_NE(reader.endRecord(), nullptr);
  EXPECT_EQ(le32(reader.endRecord()), SIG_END);
}

}  // namespace
