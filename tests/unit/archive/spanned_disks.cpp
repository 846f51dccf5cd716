// An archive split over removable disks: the drive is presented as removable through the
// reader's drive hooks, and the scripted prompts swap the "disk" (the file's content) and
// its volume label when the reader asks. Covers the spanning probe (marker at 0, behind
// "MZ" at 32, the last disk inserted first), the central directory on the last disk and
// across two disks, local headers and data continued on the next disk, the label check
// that asks again for a wrong disk, Cancel (fatal 19), and a central record split across
// two disks (format error 150 instead of a load that makes no progress).
#include <gtest/gtest.h>

#include <cstdio>

#include "report/user_prompts.h"
#include "reader_support.h"
#include "support/zip_writer.h"

namespace {

int diskInDrive = 0;

int removableDrive(const char*) { return SYS_DRIVE_REMOVABLE; }
int labelOfDiskInDrive(const char*, char* label, uint32_t* serial) {
  std::snprintf(label, 32, "PKBACK# %03d", diskInDrive + 1);
  *serial = 0;
  return 0;
}

struct SplitArchive {
  std::vector<std::string> disks;
  ZipBuilder zip;
};

// Cuts the archive that `zip` builds at the given positions (each starts a new disk) and
// makes every offset relative to its disk, as a spanning archiver writes them.
SplitArchive split(ZipBuilder zip, std::vector<uint32_t> cuts) {
  std::string whole = zip.build();
  cuts.insert(cuts.begin(), 0);
  auto diskOf = [&](uint32_t position) {
    uint16_t disk = 0;
    while (disk + 1u < cuts.size() && cuts[disk + 1] <= position) ++disk;
    return disk;
  };
  for (const BuiltEntry& e : zip.entries) {
    uint16_t disk = diskOf(e.localOffset);
    set16(whole, e.centralOffset + CDH_DISK_START, disk);
    set32(whole, e.centralOffset + CDH_LOCAL_OFFSET, e.localOffset - cuts[disk]);
  }
  size_t end = whole.size() - EOCD_SIZE - zip.comment.size();
  uint16_t startDisk = diskOf(zip.directoryOffset);
  set16(whole, end + EOCD_THIS_DISK, static_cast<uint32_t>(cuts.size() - 1));
  set16(whole, end + EOCD_START_DISK, startDisk);
  set32(whole, end + EOCD_DIRECTORY_OFFSET, zip.directoryOffset - cuts[startDisk]);
  SplitArchive result;
  for (size_t k = 0; k < cuts.size(); ++k) {
    size_t to = k + 1 < cuts.size() ? cuts[k + 1] : whole.size();
    result.disks.push_back(whole.substr(cuts[k], to - cuts[k]));
  }
  result.zip = zip;
  return result;
}

class DiskSwapper : public UserPrompts {
 public:
  DiskSwapper(const std::string& path, const std::vector<std::string>& disks) : path_(path), disks_(disks) {}
  int confirmOverwrite(const char*, const EntryRecord*) override { return 'N'; }
  int confirmDirectory(const char*) override { return 0; }
  int askLastDisk() override {
    asked.push_back(0);
    if (cancel) return ANSWER_GIVE_UP;
    insert(static_cast<int>(disks_.size()) - 1);
    return ANSWER_CONTINUE;
  }
  int askDisk(int number) override {
    asked.push_back(number);
    if (cancel) return ANSWER_GIVE_UP;
    // The first time, the user inserts the wrong disk.
    if (wrongFirst && !wrongGiven) {
      wrongGiven = true;
      insert(number % static_cast<int>(disks_.size()));
    } else {
      insert(number - 1);
    }
    return ANSWER_CONTINUE;
  }
  void storedPassword(char* destination, size_t size) override { if (size) destination[0] = 0; }
  int askPassword(const char*, char*, size_t) override { return PASSWORD_SKIP_ALL; }

  void insert(int disk) {
    writeFileBytes(path_, disks_[disk]);
    diskInDrive = disk;
  }

  std::vector<int> asked;  // 0 for the last disk, else the disk number asked for (from 1)
  bool cancel = false;
  bool wrongFirst = false;

 private:
  std::string path_;
  std::vector<std::string> disks_;
  bool wrongGiven = false;
};

ZipBuilder threeEntries(const std::string& prefix) {
  ZipBuilder zip;
  zip.prefix = prefix;
  std::string big;
  for (int i = 0; i < 120; ++i) big += static_cast<char>('A' + i % 26);
  zip.add("one.txt", "first entry");
  zip.add("two.bin", big + big + big);
  zip.add("three.txt", "third entry on a later disk");
  zip.build();  // fills the offsets
  return zip;
}

class SpannedDisks : public ::testing::Test {
 protected:
  void SetUp() override { path = dir.file("A.zip"); }
  void TearDown() override { SetUserPrompts(nullptr); }

  void prepare(ArchiveReader& reader) {
    reader.driveTypeOf = removableDrive;
    reader.volumeLabelOf = labelOfDiskInDrive;
  }

  int load(ArchiveReader& reader, DiskSwapper& swapper, int firstDisk) {
    prepare(reader);
    SetUserPrompts(&swapper);
    swapper.insert(firstDisk);
    return openAndLoad(reader, path);
  }

  std::string readEntry(ArchiveReader& reader, int n) {
    const EntryRecord* entry = reader.entry(n);
    reader.ReadLocalHeader(entry);
    std::string data;
    uint32_t size = le32(entry + CDH_COMPRESSED);
    char piece[37];
    while (data.size() < size) {
      uint32_t want = std::min<uint32_t>(sizeof piece, size - static_cast<uint32_t>(data.size()));
      reader.ReadExact(piece, want);
      data.append(piece, want);
    }
    return data;
  }

  ReportCatcher catcher;
  OptionsReset reset;
  ScratchDir dir;
  std::string path;
};

struct FirstDiskCase {
  const char* what;
  std::string prefix;
};

class SpannedFirstDisk : public SpannedDisks, public ::testing::WithParamInterface<FirstDiskCase> {};

TEST_P(SpannedFirstDisk, StartedFromTheFirstDiskReadsAcrossDisks) {
  ZipBuilder zip = threeEntries(GetParam().prefix);
  // Disk 2 starts inside the second entry's data, disk 3 inside the third local header.
  uint32_t second = zip.entries[1].dataOffset + 100;
  uint32_t third = zip.entries[2].localOffset + 10;
  SplitArchive archive = split(zip, {second, third});
  ASSERT_EQ(archive.disks.size(), 3u);
  DiskSwapper swapper(path, archive.disks);
  ArchiveReader reader;
  ASSERT_EQ(load(reader, swapper, 0), 0);
  EXPECT_TRUE(reader.spanned());
  EXPECT_EQ(swapper.asked, (std::vector<int>{0}));  // the last disk, for the directory
  ASSERT_EQ(reader.loadedCount(), 3);
  for (int n = 0; n < 3; ++n) {
    EXPECT_EQ(nameOf(reader.entry(n)), zip.entries[n].name);
    EXPECT_EQ(readEntry(reader, n), zip.entries[n].data) << n;
  }
  // Disk 1 for the first entry, disk 2 where its data continues, disk 3 inside the third
  // entry's local header.
  EXPECT_EQ(swapper.asked, (std::vector<int>{0, 1, 2, 3}));
}

INSTANTIATE_TEST_SUITE_P(
    Markers, SpannedFirstDisk,
    ::testing::Values(FirstDiskCase{"marker_at_start", std::string("PK\x07\x08", 4)},
                      FirstDiskCase{"marker_behind_mz", std::string("MZ") + std::string(30, '\0') +
                                                            std::string("PK\x07\x08", 4)},
                      FirstDiskCase{"marker_behind_large_image",
                                    std::string("MZ") + std::string(87550, '\x90') +
                                        std::string("PK\x07\x08", 4)}),
    [](const ::testing::TestParamInfo<FirstDiskCase>& info) { return std::string(info.param.what); });

TEST_F(SpannedDisks, StartedFromTheLastDiskAsksNothingForTheDirectory) {
  ZipBuilder zip = threeEntries(std::string("PK\x07\x08", 4));
  SplitArchive archive = split(zip, {zip.entries[2].localOffset});
  DiskSwapper swapper(path, archive.disks);
  ArchiveReader reader;
  ASSERT_EQ(load(reader, swapper, 1), 0);
  EXPECT_TRUE(swapper.asked.empty());
  EXPECT_EQ(readEntry(reader, 2), zip.entries[2].data);  // on the disk in the drive
  EXPECT_TRUE(swapper.asked.empty());
  EXPECT_EQ(readEntry(reader, 0), zip.entries[0].data);
  EXPECT_EQ(swapper.asked, (std::vector<int>{1}));
}

TEST_F(SpannedDisks, WrongDiskIsAskedForAgain) {
  ZipBuilder zip = threeEntries(std::string("PK\x07\x08", 4));
  SplitArchive archive = split(zip, {zip.entries[1].localOffset, zip.entries[2].localOffset});
  DiskSwapper swapper(path, archive.disks);
  swapper.wrongFirst = true;
  ArchiveReader reader;
  ASSERT_EQ(load(reader, swapper, 2), 0);
  EXPECT_EQ(readEntry(reader, 0), zip.entries[0].data);
  EXPECT_EQ(swapper.asked, (std::vector<int>{1, 1}));
  EXPECT_EQ(reader.currentDisk(), 0);
}

TEST_F(SpannedDisks, DirectoryAcrossTwoDisks) {
  ZipBuilder zip = threeEntries(std::string("PK\x07\x08", 4));
  // The second disk starts with the second central record.
  SplitArchive archive = split(zip, {zip.entries[1].centralOffset});
  DiskSwapper swapper(path, archive.disks);
  ArchiveReader reader;
  ASSERT_EQ(load(reader, swapper, 1), 0);
  ASSERT_EQ(reader.loadedCount(), 3);
  for (int n = 0; n < 3; ++n) EXPECT_EQ(nameOf(reader.entry(n)), zip.entries[n].name);
  EXPECT_EQ(swapper.asked, (std::vector<int>{1, 2}));
}

TEST_F(SpannedDisks, CentralRecordSplitAcrossDisksIsFormatError150) {
  ZipBuilder zip = threeEntries(std::string("PK\x07\x08", 4));
  SplitArchive archive = split(zip, {zip.entries[1].centralOffset + 20});
  DiskSwapper swapper(path, archive.disks);
  ArchiveReader reader;
  EXPECT_EQ(load(reader, swapper, 1), 150 + 149);
}

TEST_F(SpannedDisks, CancelledPromptsAreFatal19) {
  ZipBuilder zip = threeEntries(std::string("PK\x07\x08", 4));
  SplitArchive archive = split(zip, {zip.entries[2].localOffset});
  {
    DiskSwapper swapper(path, archive.disks);
    swapper.cancel = true;
    ArchiveReader reader;
    EXPECT_EQ(load(reader, swapper, 0), 19);  // the last disk is not inserted
  }
  {
    DiskSwapper swapper(path, archive.disks);
    ArchiveReader reader;
    ASSERT_EQ(load(reader, swapper, 1), 0);
    swapper.cancel = true;
    try {
      reader.ReadLocalHeader(reader.entry(0));
      ADD_FAILURE() << "no report";
    } catch (const FatalExit& exit) {
      EXPECT_EQ(exit.status, 19);
    }
    // The fatal report released the archive.
    EXPECT_EQ(reader.stream(), nullptr);
  }
}

}  // namespace
