// The end record is found by a backwards search in overlapping windows: behind comments of
// every length around the window and step sizes, behind bytes that follow the comment, at
// the very start of the file; files too small to hold it give 151, files without it 152.
#include <gtest/gtest.h>

#include "reader_support.h"
#include "support/zip_writer.h"

using ErrorReporter::FatalMessageText;

namespace {

constexpr int EXIT_TOO_SMALL = 151 + 149;
constexpr int EXIT_NO_END_RECORD = 152 + 149;

std::string commentOf(size_t length) {
  std::string text;
  for (size_t i = 0; i < length; ++i) text += static_cast<char>('a' + i % 23);
  return text;
}

struct CommentCase {
  size_t comment;
  size_t trailing;
};

class EndRecordSearch : public ::testing::TestWithParam<CommentCase> {};

TEST_P(EndRecordSearch, FoundBehindCommentAndTrailingBytes) {
  ReportCatcher catcher;
  OptionsReset reset;
  ScratchDir dir;
  ZipBuilder zip;
  zip.add("only.txt", "the one entry");
  zip.comment = commentOf(GetParam().comment);
  zip.trailing = std::string(GetParam().trailing, '\x01');
  writeFileBytes(dir.file("a.zip"), zip.build());
  ArchiveReader reader;
  ASSERT_EQ(openAndLoad(reader, dir.file("a.zip")), 0);
  ASSERT_EQ(reader.entryCount(), 1);
  EXPECT_EQ(nameOf(reader.entry(0)), "only.txt");
  ASSERT_EQ(reader.commentLength(), GetParam().comment);
  EXPECT_EQ(std::string(reader.comment(), reader.commentLength()), zip.comment);
}

// Window 1,024 bytes, step 1,002: lengths around one and two steps, a full 16-bit comment.
INSTANTIATE_TEST_SUITE_P(Lengths, EndRecordSearch,
                         ::testing::Values(CommentCase{0, 0}, CommentCase{1, 0}, CommentCase{980, 0},
                                           CommentCase{1001, 0}, CommentCase{1002, 0},
                                           CommentCase{1003, 0}, CommentCase{2000, 0},
                                           CommentCase{2004, 0}, CommentCase{2005, 0},
                                           CommentCase{65535, 0}, CommentCase{0, 1500},
                                           CommentCase{10, 3000}));

TEST(EndRecordSearchEdges, RecordAtTheVeryStartOfTheFile) {
  // An empty archive whose comment fills the file: the last window starts at 0 and still
  // examines position 0, which earlier windows never reached.
  for (size_t comment : {1002u - 22u, 1003u, 2978u, 3003u}) {
    ReportCatcher catcher;
    OptionsReset reset;
    ScratchDir dir;
    ZipBuilder zip;
    zip.comment = commentOf(comment);
    writeFileBytes(dir.file("e.zip"), zip.build());
    ArchiveReader reader;
    SCOPED_TRACE(comment);
    ASSERT_EQ(openAndLoad(reader, dir.file("e.zip")), 0);
    EXPECT_EQ(reader.entryCount(), 0);
    EXPECT_EQ(reader.commentLength(), comment);
  }
}

TEST(EndRecordSearchEdges, TooSmallAndMissing) {
  struct Case {
    std::string bytes;
    int status;
  };
  std::string endOnly = ZipBuilder().build();
  ASSERT_EQ(endOnly.size(), 22u);
  const Case cases[] = {
      {"", EXIT_TOO_SMALL},
      {endOnly.substr(0, 21), EXIT_TOO_SMALL},
      {endOnly, 0},
      {std::string(22, 'x'), EXIT_NO_END_RECORD},
      {std::string(5000, 'x'), EXIT_NO_END_RECORD},
      // A signature whose 22 bytes do not fit before the end of the file is no record.
      {std::string(100, 'x') + endOnly.substr(0, 21), EXIT_NO_END_RECORD},
  };
  for (const Case& c : cases) {
    ReportCatcher catcher;
    OptionsReset reset;
    ScratchDir dir;
    writeFileBytes(dir.file("t.zip"), c.bytes);
    ArchiveReader reader;
    SCOPED_TRACE(c.bytes.size());
    EXPECT_EQ(openAndLoad(reader, dir.file("t.zip")), c.status);
    if (c.status != 0) {
      ASSERT_EQ(catcher.shown.size(), 1u);
      EXPECT_EQ(catcher.shown[0].text, FatalMessageText(c.status - 149));
    }
  }
}

TEST(EndRecordSearchEdges, EmptyArchiveWithAnOffsetThatPointsNowhere) {
  ReportCatcher catcher;
  OptionsReset reset;
  ScratchDir dir;
  ZipBuilder zip;
  zip.directoryOffsetDelta = 12345;
  writeFileBytes(dir.file("e.zip"), zip.build());
  ArchiveReader reader;
  EXPECT_EQ(openAndLoad(reader, dir.file("e.zip")), 0);
  EXPECT_EQ(reader.entryCount(), 0);
}

TEST(EndRecordSearchEdges, MissingArchiveIsFatalTwelveWithThePattern) {
  ReportCatcher catcher;
  OptionsReset reset;
  ScratchDir dir;
  ArchiveReader reader;
  std::string pattern = dir.file("nothing*.zip");
  EXPECT_EQ(openAndLoad(reader, pattern), 12);
  ASSERT_EQ(catcher.shown.size(), 1u);
  EXPECT_NE(catcher.shown[0].text.find("nothing*.zip"), std::string::npos);
}

TEST(EndRecordSearchEdges, WildcardPatternOpensTheMatchInItsDirectory) {
  ReportCatcher catcher;
  OptionsReset reset;
  ScratchDir dir;
  ZipBuilder zip;
  zip.add("x", "y");
  writeFileBytes(dir.file("found.zip"), zip.build());
  ArchiveReader reader;
  ASSERT_EQ(openAndLoad(reader, dir.file("fo*.zip")), 0);
  EXPECT_EQ(std::string(reader.archivePath()), dir.file("found.zip"));
  EXPECT_EQ(reader.entryCount(), 1);
  // The search is exhausted: a second Open finds nothing more.
  EXPECT_FALSE(reader.Open());
}

}  // namespace
