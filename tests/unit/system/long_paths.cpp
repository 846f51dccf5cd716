// Paths longer than 259 bytes are refused by every operation, and results that would not fit
// in a 260-byte buffer never write past it (each buffer is followed by a guard area).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/support.h"
#include "system/system.h"

namespace {

constexpr unsigned char GUARD = 0xA5;

struct GuardedPath {
  char buffer[SYS_PATH_MAX];
  unsigned char guard[64];
  GuardedPath() {
    std::memset(buffer, 'q', sizeof buffer);
    std::memset(guard, GUARD, sizeof guard);
  }
  bool intact() const {
    for (unsigned char g : guard)
      if (g != GUARD) return false;
    return true;
  }
};

}  // namespace

TEST(LongPaths, OverlongNamesAreRefused) {
  ScratchDir scratch;
  const std::string longName = scratch.file(std::string(300, 'n'));
  EXPECT_EQ(SYS_INVALID_HANDLE, SysOpenFile(longName.c_str(), SYS_GENERIC_WRITE, 0, SYS_CREATE_ALWAYS, 0));
  uint32_t attributes = 0;
  EXPECT_EQ(1, SysGetAttributes(longName.c_str(), &attributes));
  EXPECT_EQ(1, SysCreateDirectory(longName.c_str(), nullptr));
  FindRecord record;
  EXPECT_EQ(SYS_INVALID_HANDLE, SysFindFirst((longName + "*").c_str(), &record));
  FileStream stream(longName.c_str(), SYS_GENERIC_READ, 0, SYS_OPEN_EXISTING, 0);
  EXPECT_FALSE(stream.IsOpen());
  EXPECT_LT(std::strlen(stream.name()), static_cast<size_t>(SYS_PATH_MAX));
}

TEST(LongPaths, FullPathThatDoesNotFitKeepsTheInputCut) {
  const std::string longRelative = std::string(250, 'r') + "/file.txt";  // absolute, it is longer
  GuardedPath out;
  EXPECT_EQ(nullptr, SysFullPath(out.buffer, longRelative.c_str()));
  EXPECT_TRUE(out.intact());
  EXPECT_EQ(longRelative.substr(0, SYS_PATH_MAX - 1), std::string(out.buffer));

  const std::string huge(1000, 'h');
  GuardedPath out2;
  EXPECT_EQ(nullptr, SysFullPath(out2.buffer, huge.c_str()));
  EXPECT_TRUE(out2.intact());
  EXPECT_EQ(static_cast<size_t>(SYS_PATH_MAX - 1), std::strlen(out2.buffer));

  // A cut never leaves half a double-byte character behind.
  std::string kanji;
  while (kanji.size() < 400) kanji += "表";
  GuardedPath out3;
  EXPECT_EQ(nullptr, SysFullPath(out3.buffer, kanji.c_str()));
  EXPECT_TRUE(out3.intact());
  EXPECT_EQ(0u, std::strlen(out3.buffer) % 2);
}

TEST(LongPaths, ShortPathAndCopiesRespectTheirSize) {
  GuardedPath out;
  const std::string missing = std::string(SYS_PATH_MAX + 50, 's');
  SysShortPath(out.buffer, missing.c_str(), SYS_PATH_MAX);
  EXPECT_TRUE(out.intact());
  EXPECT_EQ(static_cast<size_t>(SYS_PATH_MAX - 1), std::strlen(out.buffer));

  char small[8];
  std::memset(small, 'z', sizeof small);
  SysShortPath(small, "nonexistent-name.txt", 5);
  EXPECT_STREQ("none", small);
  EXPECT_EQ('z', small[5]);
}

TEST(LongPaths, VolumeLabelBufferIsEmptiedAndBounded) {
  char label[SYS_PATH_MAX + 1];
  std::memset(label, 'L', sizeof label);
  uint32_t serial = 99;
  SysGetVolumeLabel("Q:\\", label, &serial);  // no such drive
  EXPECT_EQ(0u, serial);
  EXPECT_STREQ("", label);
}
