// Restoring time stamps: DOS date-times land on the file and read back the same; absent ones
// leave a time alone; NTFS times are applied exactly, only those the mask selects; an
// impossible DOS date is refused.
#include <gtest/gtest.h>

#include <string>

#include "support/support.h"
#include "system/system.h"

namespace {

uint32_t dosDateTime(int y, int mo, int d, int h, int mi, int s) {
  return static_cast<uint32_t>((y - 1980) << 9 | mo << 5 | d) << 16 | static_cast<uint32_t>(h << 11 | mi << 5 | s / 2);
}

SysHandle openForTimes(const std::string& path) {
  return SysOpenFile(path.c_str(), SYS_GENERIC_READ | SYS_GENERIC_WRITE, 0, SYS_OPEN_ALWAYS, SYS_ATTR_NORMAL);
}

FindRecord recordOf(const std::string& path) {
  FindRecord record{};
  SysHandle search = SysFindFirst(path.c_str(), &record);
  EXPECT_NE(SYS_INVALID_HANDLE, search) << path;
  if (search != SYS_INVALID_HANDLE) SysFindClose(search);
  return record;
}

}  // namespace

TEST(FileTimes, DosTimesReadBackUnchanged) {
  ScratchDir scratch;
  const std::string path = scratch.file("t.txt");
  SysHandle h = openForTimes(path);
  ASSERT_NE(SYS_INVALID_HANDLE, h);
  const uint32_t written = dosDateTime(1998, 7, 15, 12, 34, 56), accessed = dosDateTime(2001, 2, 3, 4, 5, 6);
  ASSERT_EQ(0, SysSetFileTimes(h, nullptr, &accessed, &written, nullptr, 0));
  uint32_t c = 1, a = 1, w = 1;
  ASSERT_EQ(0, SysGetFileTimes(h, &c, &a, &w));
  EXPECT_EQ(written, w);
  EXPECT_EQ(accessed, a);
  EXPECT_NE(0u, c);

  // Only the write time given: the access time stays.
  const uint32_t later = dosDateTime(2010, 12, 24, 18, 0, 0);
  ASSERT_EQ(0, SysSetFileTimes(h, nullptr, nullptr, &later, nullptr, 0));
  ASSERT_EQ(0, SysGetFileTimes(h, &c, &a, &w));
  EXPECT_EQ(later, w);
  EXPECT_EQ(accessed, a);
  SysCloseFile(h);

  FindRecord record = recordOf(path);
  EXPECT_EQ(later, record.written);
  EXPECT_EQ(accessed, record.accessed);
}

TEST(FileTimes, NtfsTimesFollowTheMask) {
  ScratchDir scratch;
  const std::string path = scratch.file("n.txt");
  SysHandle h = openForTimes(path);
  ASSERT_NE(SYS_INVALID_HANDLE, h);
  const uint32_t accessed = dosDateTime(2001, 2, 3, 4, 5, 6);
  ASSERT_EQ(0, SysSetFileTimes(h, nullptr, &accessed, nullptr, nullptr, 0));
  // 2015-06-01 10:20:30.1234567 UTC and a day earlier, with their 100-ns digits.
  NtfsTimes ntfs{130775052301234567ull - 864000000000ull, 130775052301234567ull - 123ull, 130775052301234567ull};
  const uint32_t ignored = dosDateTime(1990, 1, 1, 0, 0, 0);
  ASSERT_EQ(0, SysSetFileTimes(h, &ignored, &ignored, &ignored, &ntfs, SYS_TIMES_MODIFY));
  SysCloseFile(h);

  FindRecord record = recordOf(path);
  EXPECT_EQ(ntfs.written, record.rawWritten);
  EXPECT_EQ(accessed, record.accessed);  // not selected: unchanged

  h = openForTimes(path);
  ASSERT_EQ(0, SysSetFileTimes(h, nullptr, nullptr, nullptr, &ntfs, SYS_TIMES_ACCESS | SYS_TIMES_MODIFY));
  SysCloseFile(h);
  record = recordOf(path);
  EXPECT_EQ(ntfs.accessed, record.rawAccessed);
  EXPECT_EQ(ntfs.written, record.rawWritten);
}

TEST(FileTimes, ImpossibleDosDateIsRefused) {
  ScratchDir scratch;
  SysHandle h = openForTimes(scratch.file("bad.txt"));
  ASSERT_NE(SYS_INVALID_HANDLE, h);
  const uint32_t month13 = static_cast<uint32_t>((1998 - 1980) << 9 | 13 << 5 | 1) << 16;
  EXPECT_EQ(1, SysSetFileTimes(h, nullptr, nullptr, &month13, nullptr, 0));
  SysCloseFile(h);
}

TEST(FileTimes, ExtremeNtfsTimesNeverCrash) {
  ScratchDir scratch;
  SysHandle h = openForTimes(scratch.file("x.txt"));
  ASSERT_NE(SYS_INVALID_HANDLE, h);
  for (SysFileTime t : {0ull, 1ull << 63, ~0ull}) {
    NtfsTimes ntfs{t, t, t};
    int result = SysSetFileTimes(h, nullptr, nullptr, nullptr, &ntfs, SYS_TIMES_ACCESS | SYS_TIMES_MODIFY);
    EXPECT_TRUE(result == 0 || result == 1);
  }
  SysCloseFile(h);
}
