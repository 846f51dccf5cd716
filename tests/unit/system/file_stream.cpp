// FileStream: position kept through reads, writes, seeks and rewinds; the size taken at
// open time; truncation at the position; write suppression; closing twice; a stream whose
// file did not open.
#include <gtest/gtest.h>

#include <string>

#include "support/support.h"
#include "system/system.h"

TEST(FileStream, PositionFollowsEveryTransfer) {
  ScratchDir scratch;
  writeFileBytes(scratch.file("s"), "0123456789");
  FileStream stream(scratch.file("s").c_str(), SYS_GENERIC_READ | SYS_GENERIC_WRITE, SYS_FILE_SHARE_READ,
                    SYS_OPEN_EXISTING, SYS_ATTR_NORMAL);
  ASSERT_TRUE(stream.IsOpen());
  EXPECT_EQ(10u, stream.Size());
  EXPECT_EQ(nullptr, stream.Reserved());
  char buffer[8] = {};
  uint32_t n = 0;
  ASSERT_EQ(0, stream.Read(buffer, 3, &n));
  EXPECT_EQ(3u, stream.position());
  EXPECT_EQ(6u, stream.Seek(3, SYS_FPOS_CURRENT));
  EXPECT_EQ(6u, stream.position());
  ASSERT_EQ(0, stream.Write("ab", 2, &n));
  EXPECT_EQ(8u, stream.position());
  EXPECT_EQ(8u, stream.Seek(-1, SYS_FPOS_BEGIN));  // 0xFFFFFFFF, refused: the position stays
  EXPECT_EQ(1, stream.Rewind());
  EXPECT_EQ(0u, stream.position());
  ASSERT_EQ(0, stream.Read(buffer, 8, &n));
  EXPECT_EQ("012345ab", std::string(buffer, 8));
  ASSERT_EQ(0, stream.Read(buffer, 8, &n));  // two bytes left, then the end
  EXPECT_EQ(2u, n);
  EXPECT_EQ(10u, stream.position());
  ASSERT_EQ(0, stream.Read(buffer, 8, &n));
  EXPECT_EQ(0u, n);
}

TEST(FileStream, TruncateCutsAtThePositionAndSizeStaysFromOpen) {
  ScratchDir scratch;
  writeFileBytes(scratch.file("s"), "0123456789");
  {
    FileStream stream(scratch.file("s").c_str(), SYS_GENERIC_READ | SYS_GENERIC_WRITE, 0, SYS_OPEN_EXISTING,
                      SYS_ATTR_NORMAL);
    ASSERT_TRUE(stream.IsOpen());
    EXPECT_EQ(4u, stream.Seek(4, SYS_FPOS_BEGIN));
    EXPECT_EQ(0, stream.Truncate());
    EXPECT_EQ(10u, stream.Size());  // the size found at open time
    EXPECT_EQ(0, stream.Close());
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_EQ(1, stream.Close());
  }
  EXPECT_EQ("0123", readFileBytes(scratch.file("s")));
}

TEST(FileStream, SuppressedWritesReportSuccessAndLeaveTheFile) {
  ScratchDir scratch;
  FileStream stream(scratch.file("out").c_str(), SYS_GENERIC_WRITE, 0, SYS_CREATE_ALWAYS, SYS_ATTR_NORMAL);
  ASSERT_TRUE(stream.IsOpen());
  int suppress = 1;
  SysSetWriteSuppression(&suppress);
  uint32_t n = 0;
  EXPECT_EQ(0, stream.Write("hidden", 6, &n));
  EXPECT_EQ(6u, n);
  suppress = 0;
  EXPECT_EQ(0, stream.Write("shown", 5, &n));
  SysSetWriteSuppression(nullptr);
  EXPECT_EQ(0, stream.Write("!", 1, &n));
  stream.Close();
  EXPECT_EQ("shown!", readFileBytes(scratch.file("out")));
}

TEST(FileStream, MissingFileGivesAClosedStream) {
  ScratchDir scratch;
  FileStream stream(scratch.file("none").c_str(), SYS_GENERIC_READ, 0, SYS_OPEN_EXISTING, 0);
  EXPECT_FALSE(stream.IsOpen());
  EXPECT_EQ(SYS_INVALID_HANDLE, stream.handle());
  EXPECT_EQ(0u, stream.Size());
  EXPECT_EQ(scratch.file("none"), stream.name());
  char buffer[4];
  uint32_t n = 5;
  EXPECT_EQ(1, stream.Read(buffer, 4, &n));
  EXPECT_EQ(0u, stream.position());
  EXPECT_EQ(1, stream.Write("x", 1, &n));
  EXPECT_EQ(1, stream.Close());
}
