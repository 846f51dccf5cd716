// Reads, writes and seeks on raw handles: the results 0/1, the seek that would move before
// the start (1, position untouched), the 32-bit positions, and the programming errors that
// stop in an assertion instead of reaching the platform.
#include <gtest/gtest.h>

#include <string>

#include "support/support.h"
#include "system/system.h"

namespace {

SysHandle openWith(const std::string& path, const std::string& bytes) {
  writeFileBytes(path, bytes);
  return SysOpenFile(path.c_str(), SYS_GENERIC_READ | SYS_GENERIC_WRITE, SYS_FILE_SHARE_READ,
                     SYS_OPEN_EXISTING, SYS_ATTR_NORMAL);
}

}  // namespace

TEST(FileTransfers, SeekOriginsAndFailures) {
  ScratchDir scratch;
  SysHandle h = openWith(scratch.file("f"), "0123456789");
  ASSERT_NE(SYS_INVALID_HANDLE, h);
  uint32_t position = 77;
  EXPECT_EQ(0, SysSeek(h, 4, &position, SYS_FPOS_BEGIN));
  EXPECT_EQ(4u, position);
  EXPECT_EQ(0, SysSeek(h, 3, &position, SYS_FPOS_CURRENT));
  EXPECT_EQ(7u, position);
  EXPECT_EQ(0, SysSeek(h, -2, &position, SYS_FPOS_END));
  EXPECT_EQ(8u, position);
  char c = 0;
  uint32_t n = 0;
  ASSERT_EQ(0, SysReadFile(h, &c, 1, &n));
  EXPECT_EQ('8', c);

  position = 77;
  EXPECT_EQ(1, SysSeek(h, -1, &position, SYS_FPOS_BEGIN));
  EXPECT_EQ(1, SysSeek(h, -100, &position, SYS_FPOS_CURRENT));
  EXPECT_EQ(1, SysSeek(h, -11, &position, SYS_FPOS_END));
  EXPECT_EQ(77u, position);
  EXPECT_EQ(0, SysSeek(h, 0, nullptr, SYS_FPOS_CURRENT));  // the pointer did not move
  ASSERT_EQ(0, SysReadFile(h, &c, 1, &n));
  EXPECT_EQ('9', c);

  EXPECT_EQ(0, SysSeek(h, 100, &position, SYS_FPOS_END));  // past the end is allowed
  EXPECT_EQ(110u, position);
  ASSERT_EQ(0, SysReadFile(h, &c, 1, &n));
  EXPECT_EQ(0u, n);

  // From the start the distance is a position, also past 2 GiB (a 3 GB archive's offsets);
  // the file grows sparse to hold the byte written there.
  EXPECT_EQ(0, SysSeek(h, static_cast<int32_t>(3000000000u), &position, SYS_FPOS_BEGIN));
  EXPECT_EQ(3000000000u, position);
  ASSERT_EQ(0, SysWriteFile(h, "x", 1, &n));
  EXPECT_EQ(0, SysSeek(h, -1, &position, SYS_FPOS_END));
  EXPECT_EQ(3000000000u, position);
  ASSERT_EQ(0, SysReadFile(h, &c, 1, &n));
  EXPECT_EQ('x', c);
  SysCloseFile(h);
}

TEST(FileTransfers, WritesAndEndOfFile) {
  ScratchDir scratch;
  SysHandle h = openWith(scratch.file("f"), "abcdef");
  ASSERT_NE(SYS_INVALID_HANDLE, h);
  uint32_t n = 99;
  EXPECT_EQ(0, SysWriteFile(h, "XY", 0, &n));  // zero bytes is allowed for writes
  EXPECT_EQ(0u, n);
  EXPECT_EQ(0, SysWriteFile(h, "XY", 2, &n));
  EXPECT_EQ(2u, n);
  EXPECT_EQ(0, SysSetEndOfFile(h));
  EXPECT_EQ(0, SysCloseFile(h));
  EXPECT_EQ("XY", readFileBytes(scratch.file("f")));
}

TEST(FileTransfers, ReadingAClosedOrWriteOnlyHandleFails) {
  ScratchDir scratch;
  writeFileBytes(scratch.file("w"), "abc");
  SysHandle h = SysOpenFile(scratch.file("w").c_str(), SYS_GENERIC_WRITE, 0, SYS_OPEN_EXISTING, 0);
  ASSERT_NE(SYS_INVALID_HANDLE, h);
  char buffer[4];
  uint32_t n = 7;
  EXPECT_EQ(1, SysReadFile(h, buffer, sizeof buffer, &n));
  EXPECT_EQ(0u, n);
  EXPECT_EQ(0, SysCloseFile(h));
}

TEST(FileTransfers, ProgrammingErrorsStop) {
  ScratchDir scratch;
  SysHandle h = openWith(scratch.file("f"), "abc");
  ASSERT_NE(SYS_INVALID_HANDLE, h);
  ReportCatcher catcher;
  char buffer[4];
  uint32_t n = 0, position = 0;
  EXPECT_THROW(SysSeek(h, 0, &position, 3), AssertionStop);
  EXPECT_THROW(SysReadFile(h, buffer, 0, &n), AssertionStop);
  EXPECT_THROW(SysReadFile(0, buffer, 1, &n), AssertionStop);
  EXPECT_THROW(SysReadFile(h, nullptr, 1, &n), AssertionStop);
  EXPECT_THROW(SysReadFile(h, buffer, 1, nullptr), AssertionStop);
  EXPECT_THROW(SysWriteFile(h, buffer, 1, nullptr), AssertionStop);
  EXPECT_THROW(SysOpenFile(nullptr, 0, 0, 3, 0), AssertionStop);
  EXPECT_THROW(SysDosToFileTime(0x21, 0, nullptr), AssertionStop);
  EXPECT_THROW(SysSetVolumeLabel(nullptr, nullptr), AssertionStop);
  EXPECT_THROW(SysCreateDirectory(nullptr, nullptr), AssertionStop);
  SysCloseFile(h);
}
