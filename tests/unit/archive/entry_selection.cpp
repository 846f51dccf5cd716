// The walk over the directory, driven with a recording EntryProcessor: include and exclude
// patterns, AFTER and BEFORE dates, FRESHEN and UPDATE against files in the extraction
// directory, directory entries without DIRECTORIES (kept when testing), the descending
// walk, the stop on a non-zero answer, and names too long for a path buffer.
#include <gtest/gtest.h>

#include "reader_support.h"
#include "support/zip_writer.h"

using ErrorReporter::WarningText;

namespace {

class Recorder : public EntryProcessor {
 public:
  int ExtractEntry(const EntryRecord* entry) override {
    offered.push_back(nameOf(entry));
    return static_cast<int>(offered.size()) == stopAfter ? 1 : 0;
  }
  int Result() override { return 77; }
  std::vector<std::string> offered;
  int stopAfter = -1;
};

constexpr uint32_t dosStamp(int year, int month, int day, int hour) {
  return (static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day) << 16) |
         static_cast<uint32_t>(hour << 11);
}

class EntrySelection : public ::testing::Test {
 protected:
  void SetUp() override {
    ZipBuilder zip;
    zip.add("a.txt", "a").dosDateTime = dosStamp(2020, 1, 10, 8);
    zip.add("b.TXT", "b").dosDateTime = dosStamp(2021, 3, 5, 0);
    zip.add("dir/", "").dosDateTime = dosStamp(2021, 3, 5, 12);
    zip.add("dir/c.dat", "c").dosDateTime = dosStamp(2022, 7, 1, 9);
    zip.add("readme", "r").dosDateTime = dosStamp(2023, 2, 2, 2);
    writeFileBytes(dir.file("s.zip"), zip.build());
    ASSERT_EQ(openAndLoad(reader, dir.file("s.zip")), 0);
  }

  std::vector<std::string> walk(int stopAfter = -1) {
    Recorder recorder;
    recorder.stopAfter = stopAfter;
    EXPECT_EQ(reader.ExtractSelected(recorder), 77);
    return recorder.offered;
  }

  using Names = std::vector<std::string>;
  ReportCatcher catcher;
  OptionsReset reset;
  ScratchDir dir;
  ArchiveReader reader;
};

TEST_F(EntrySelection, DirectoryEntriesNeedKeepPathsUnlessTesting) {
  EXPECT_EQ(walk(), (Names{"a.txt", "b.TXT", "dir/c.dat", "readme"}));
  Options().keepPaths = true;
  EXPECT_EQ(walk(), (Names{"a.txt", "b.TXT", "dir/", "dir/c.dat", "readme"}));
  Options().keepPaths = false;
  Options().command = CMD_TEST;
  EXPECT_EQ(walk(), (Names{"a.txt", "b.TXT", "dir/", "dir/c.dat", "readme"}));
}

TEST_F(EntrySelection, IncludeAndExcludePatterns) {
  reader.AddInclude("*.txt");
  reader.AddInclude("DIR/*");
  reader.AddExclude("b.*");
  reader.FinishSelection();
  EXPECT_EQ(walk(), (Names{"a.txt", "dir/c.dat"}));
}

TEST_F(EntrySelection, AfterAndBeforeDates) {
  Options().dateFilter = DATE_FILTER_AFTER;
  Options().afterDate = dosStamp(2021, 3, 5, 0);
  EXPECT_EQ(walk(), (Names{"b.TXT", "dir/c.dat", "readme"}));
  // BEFORE a day excludes entries of that day stamped after its midnight.
  Options().dateFilter = DATE_FILTER_BEFORE;
  Options().beforeDate = dosStamp(2021, 3, 5, 0);
  EXPECT_EQ(walk(), (Names{"a.txt", "b.TXT"}));
  Options().dateFilter = DATE_FILTER_AFTER | DATE_FILTER_BEFORE;
  Options().afterDate = dosStamp(2021, 1, 1, 0);
  Options().beforeDate = dosStamp(2022, 12, 31, 0);
  EXPECT_EQ(walk(), (Names{"b.TXT", "dir/c.dat"}));
}

void makeFileDated(const std::string& path, uint32_t stamp) {
  writeFileBytes(path, "old");
  SysHandle file = SysOpenFile(path.c_str(), SYS_GENERIC_WRITE, 0, SYS_OPEN_EXISTING, SYS_ATTR_NORMAL);
  ASSERT_NE(file, SYS_INVALID_HANDLE);
  ASSERT_EQ(SysSetFileTimes(file, nullptr, nullptr, &stamp, nullptr, 0), 0);
  SysCloseFile(file);
}

TEST_F(EntrySelection, FreshenAndUpdateAgainstExistingFiles) {
  ScratchDir out;
  std::string base = out.path() + "/";
  reader.setExtractionDirectory(base.c_str());
  makeFileDated(out.file("a.txt"), dosStamp(2019, 1, 1, 0));   // older than its entry
  makeFileDated(out.file("b.TXT"), dosStamp(2024, 1, 1, 0));   // newer than its entry
  makeFileDated(out.file("readme"), dosStamp(2023, 2, 2, 2));  // the same stamp
  Options().keepPaths = true;
  Options().selectionMode = SELECT_FRESHEN;
  EXPECT_EQ(walk(), (Names{"a.txt"}));
  Options().selectionMode = SELECT_UPDATE;
  EXPECT_EQ(walk(), (Names{"a.txt", "dir/", "dir/c.dat"}));
  // Only EXTRACT and TEST look at existing files.
  Options().command = CMD_PRINT;
  EXPECT_EQ(walk().size(), 5u);
}

TEST_F(EntrySelection, DescendingWalkAndStop) {
  Options().entrySortKey = SORT_NAME + SORT_DESCENDING;
  EXPECT_EQ(walk(), (Names{"readme", "dir/c.dat", "b.TXT", "a.txt"}));
  Options().entrySortKey = SORT_NAME;
  EXPECT_EQ(walk(2), (Names{"a.txt", "b.TXT"}));
}

TEST(EntrySelectionNames, NamesTooLongForAPathAreLeftOutWithAWarning) {
  ReportCatcher catcher;
  OptionsReset reset;
  ScratchDir dir;
  ZipBuilder zip;
  zip.add("short.txt", "s");
  zip.add(std::string(259, 'k'), "fits");
  zip.add(std::string(300, 'L'), "too long");
  writeFileBytes(dir.file("n.zip"), zip.build());
  ArchiveReader reader;
  ASSERT_EQ(openAndLoad(reader, dir.file("n.zip")), 0);
  Recorder recorder;
  reader.ExtractSelected(recorder);
  EXPECT_EQ(recorder.offered, (std::vector<std::string>{"short.txt", std::string(259, 'k')}));
  ASSERT_EQ(catcher.shown.size(), 1u);
  EXPECT_EQ(catcher.shown[0].text, std::string(WarningText(2)) + " " + std::string(259, 'L'));
}

TEST(EntrySelectionNames, EmptyArchiveOffersNothing) {
  ReportCatcher catcher;
  OptionsReset reset;
  ArchiveReader reader;
  ASSERT_EQ(openAndLoad(reader, fixturePath("archive_empty.zip")), 0);
  Recorder recorder;
  EXPECT_EQ(reader.ExtractSelected(recorder), 0);
  EXPECT_TRUE(recorder.offered.empty());
}

}  // namespace
