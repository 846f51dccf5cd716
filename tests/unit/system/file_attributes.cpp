// Attributes: read-only is set, read back and cleared; a read-only file is not deleted;
// a missing file gives 1 with the invalid-attributes value; the error codes the archive
// reader and the output preparation look at come out as their Win32 values.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/support.h"
#include "system/system.h"

namespace {

void touch(const std::string& path) {
  SysHandle h = SysOpenFile(path.c_str(), SYS_GENERIC_WRITE, 0, SYS_CREATE_ALWAYS, SYS_ATTR_NORMAL);
  ASSERT_NE(SYS_INVALID_HANDLE, h) << path;
  SysCloseFile(h);
}

}  // namespace

TEST(FileAttributes, ReadOnlyIsSetReadBackAndCleared) {
  ScratchDir scratch;
  const std::string file = scratch.file("ro.txt");
  touch(file);
  uint32_t attributes = 0;
  ASSERT_EQ(0, SysGetAttributes(file.c_str(), &attributes));
  EXPECT_EQ(0u, attributes & (SYS_ATTR_READONLY | SYS_ATTR_DIRECTORY));

  ASSERT_EQ(0, SysSetAttributes(file.c_str(), SYS_ATTR_READONLY | SYS_ATTR_ARCHIVE));
  ASSERT_EQ(0, SysGetAttributes(file.c_str(), &attributes));
  EXPECT_EQ(SYS_ATTR_READONLY, attributes & SYS_ATTR_READONLY);

  EXPECT_EQ(1, SysDeleteFile(file.c_str()));  // read-only files stay
  EXPECT_EQ(SYS_ERROR_ACCESS_DENIED, SysLastError());
  EXPECT_TRUE(fileExists(file));

  ASSERT_EQ(0, SysSetAttributes(file.c_str(), SYS_ATTR_NORMAL));
  ASSERT_EQ(0, SysGetAttributes(file.c_str(), &attributes));
  EXPECT_EQ(0u, attributes & SYS_ATTR_READONLY);
  EXPECT_EQ(0, SysDeleteFile(file.c_str()));
  EXPECT_FALSE(fileExists(file));
}

TEST(FileAttributes, CompressedRequestStillSetsTheOtherBits) {
  ScratchDir scratch;
  const std::string file = scratch.file("c.txt");
  touch(file);
  EXPECT_EQ(0, SysSetAttributes(file.c_str(), SYS_ATTR_COMPRESSED | SYS_ATTR_READONLY));
  uint32_t attributes = 0;
  ASSERT_EQ(0, SysGetAttributes(file.c_str(), &attributes));
  EXPECT_EQ(SYS_ATTR_READONLY, attributes & SYS_ATTR_READONLY);
}

TEST(FileAttributes, DirectoriesAreMarked) {
  ScratchDir scratch;
  const std::string dir = scratch.file("d");
  ASSERT_EQ(0, SysCreateDirectory(dir.c_str(), nullptr));
  uint32_t attributes = 0;
  ASSERT_EQ(0, SysGetAttributes(dir.c_str(), &attributes));
  EXPECT_NE(0u, attributes & SYS_ATTR_DIRECTORY);
  EXPECT_EQ(1, SysCreateDirectory(dir.c_str(), nullptr));
  EXPECT_EQ(SYS_ERROR_ALREADY_EXISTS, SysLastError());
  EXPECT_EQ(SYS_INVALID_HANDLE, SysOpenFile(dir.c_str(), SYS_GENERIC_READ, 0, SYS_OPEN_EXISTING, 0));
}

TEST(FileAttributes, MissingFilesAndDirectoriesGiveTheirCodes) {
  ScratchDir scratch;
  uint32_t attributes = 0;
  EXPECT_EQ(1, SysGetAttributes(scratch.file("none").c_str(), &attributes));
  EXPECT_EQ(SYS_INVALID_ATTRIBUTES, attributes);
  EXPECT_EQ(SYS_ERROR_FILE_NOT_FOUND, SysLastError());

  EXPECT_EQ(SYS_INVALID_HANDLE,
            SysOpenFile(scratch.file("none").c_str(), SYS_GENERIC_READ, 0, SYS_OPEN_EXISTING, 0));
  EXPECT_EQ(SYS_ERROR_FILE_NOT_FOUND, SysLastError());
  EXPECT_EQ(SYS_INVALID_HANDLE,
            SysOpenFile(scratch.file("nodir/x").c_str(), SYS_GENERIC_READ, 0, SYS_OPEN_EXISTING, 0));
  EXPECT_EQ(SYS_ERROR_PATH_NOT_FOUND, SysLastError());

  touch(scratch.file("here"));
  EXPECT_EQ(SYS_INVALID_HANDLE, SysOpenFile(scratch.file("here").c_str(), SYS_GENERIC_WRITE, 0, SYS_CREATE_NEW, 0));
  EXPECT_EQ(SYS_ERROR_FILE_EXISTS, SysLastError());
}

TEST(FileAttributes, KeptAttributesDropArchiveAndCompression) {
  EXPECT_EQ(SYS_ATTR_READONLY | SYS_ATTR_HIDDEN | SYS_ATTR_SYSTEM | SYS_ATTR_DIRECTORY,
            SysKeepAttributes(0xFFFFFFFFu & ~SYS_ATTR_NORMAL));
  EXPECT_EQ(SYS_ATTR_NORMAL, SysKeepAttributes(SYS_ATTR_NORMAL | SYS_ATTR_ARCHIVE | SYS_ATTR_COMPRESSED));
}

#ifndef _WIN32
// Under Wine a privileged user may open read-only files for writing; the POSIX layer never does.
TEST(FileAttributes, ReadOnlyFileIsNotOpenedForWriting) {
  ScratchDir scratch;
  const std::string file = scratch.file("ro.txt");
  touch(file);
  ASSERT_EQ(0, SysSetAttributes(file.c_str(), SYS_ATTR_READONLY));
  EXPECT_EQ(SYS_INVALID_HANDLE, SysOpenFile(file.c_str(), SYS_GENERIC_WRITE, 0, SYS_CREATE_ALWAYS, 0));
  EXPECT_EQ(SYS_ERROR_ACCESS_DENIED, SysLastError());
  SysHandle h = SysOpenFile(file.c_str(), SYS_GENERIC_READ, 0, SYS_OPEN_EXISTING, 0);
  EXPECT_NE(SYS_INVALID_HANDLE, h);
  SysCloseFile(h);
}
#endif

#ifndef _WIN32
// A read-only directory would refuse the rest of the extraction on Linux: its write
// permission stays.
TEST(FileAttributes, ReadOnlyDirectoryKeepsItsWritePermission) {
  namespace fs = std::filesystem;
  ScratchDir scratch;
  const std::string dir = scratch.file("d");
  ASSERT_EQ(0, SysCreateDirectory(dir.c_str(), nullptr));
  EXPECT_EQ(0, SysSetAttributes(dir.c_str(), SYS_ATTR_DIRECTORY | SYS_ATTR_READONLY));
  EXPECT_NE(fs::perms::none, fs::status(dir).permissions() & fs::perms::owner_write);
  uint32_t attributes = 0;
  ASSERT_EQ(0, SysGetAttributes(dir.c_str(), &attributes));
  EXPECT_EQ(SYS_ATTR_DIRECTORY, attributes);
}
#endif
