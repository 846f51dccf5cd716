// Names arrive as code page 932 bytes. On Linux they become UTF-8 file names; characters
// whose second byte is 0x5C ('\') stay whole and never split a name into directories.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "support/support.h"
#include "system/system.h"

TEST(JapaneseNames, ShiftJisNamesCreateFindAndDelete) {
  ScratchDir scratch;
  const struct {
    const char* name;
    const char* leaf;
  } cases[] = {{"日本語.txt", "日本語.txt"}, {"表", "表"}, {"ソフト\\表示.txt", "表示.txt"}, {"ﾃｽﾄ", "ﾃｽﾄ"}};
  ASSERT_EQ(0, SysCreateDirectory(scratch.file("ソフト").c_str(), nullptr));
  for (const auto& c : cases) {
    const std::string path = scratch.file(c.name);
    SysHandle h = SysOpenFile(path.c_str(), SYS_GENERIC_WRITE, 0, SYS_CREATE_NEW, SYS_ATTR_NORMAL);
    ASSERT_NE(SYS_INVALID_HANDLE, h) << c.leaf << " error " << SysLastError();
    uint32_t n = 0;
    ASSERT_EQ(0, SysWriteFile(h, c.name, static_cast<uint32_t>(std::strlen(c.name)), &n));
    SysCloseFile(h);
    FindRecord record;
    SysHandle search = SysFindFirst(path.c_str(), &record);
    ASSERT_NE(SYS_INVALID_HANDLE, search) << c.leaf;
    SysFindClose(search);
    EXPECT_STREQ(c.leaf, record.name);
    EXPECT_EQ(std::strlen(c.name), record.size) << c.leaf;
  }
#ifndef _WIN32
  namespace fs = std::filesystem;
  const fs::path dir(scratch.path());
  EXPECT_TRUE(fs::exists(dir / u8"日本語.txt"));
  EXPECT_TRUE(fs::exists(dir / u8"表"));
  EXPECT_TRUE(fs::exists(dir / u8"ソフト" / u8"表示.txt"));
  EXPECT_TRUE(fs::exists(dir / u8"ﾃｽﾄ"));
  EXPECT_FALSE(fs::exists(dir / u8"日本語.txt" / ".."));  // no stray directories
#endif
  uint32_t attributes = 0;
  EXPECT_EQ(0, SysGetAttributes(scratch.file("ソフト").c_str(), &attributes));
  EXPECT_NE(0u, attributes & SYS_ATTR_DIRECTORY);
  EXPECT_EQ(0, SysDeleteFile(scratch.file("日本語.txt").c_str()));
  EXPECT_EQ(1, SysDeleteFile(scratch.file("日本語.txt").c_str()));
}

TEST(JapaneseNames, UpperCasingKeepsDoubleByteCharacters) {
  char text[] = "abcビデオxyz";  // ビ and デ have second bytes in the range of a to z
  EXPECT_STREQ("ABCビデオXYZ", SysUpperCase(text));
  EXPECT_EQ('A', SysToUpper('a'));
  EXPECT_EQ(0x83, SysToUpper(0x83));
}

TEST(JapaneseNames, ColonsAreFoundOutsideDoubleByteCharacters) {
  const char* text = "a:表:b";
  EXPECT_EQ(text + 1, SysFindColon(text, 1));
  EXPECT_EQ(text + 4, SysFindColon(text, 2));
  EXPECT_EQ(nullptr, SysFindColon("表示", 1));
}
