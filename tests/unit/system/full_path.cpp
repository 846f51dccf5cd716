// Full paths: a relative name is joined to the current directory, "." and ".." are
// resolved, and the returned pointer marks the file-name part.
#include <gtest/gtest.h>

#include <string>

#include "support/support.h"
#include "system/system.h"

namespace {

// '\\' as '/', leaving second bytes of double-byte characters alone.
std::string slashes(std::string s) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (SysIsLeadByte(static_cast<unsigned char>(s[i]))) ++i;
    else if (s[i] == '\\') s[i] = '/';
  }
  return s;
}

}  // namespace

TEST(FullPath, RelativeNamesJoinTheCurrentDirectory) {
  ScratchDir scratch;
  char original[SYS_PATH_MAX];
  ASSERT_EQ(0, SysGetCurrentDirectory(original));
  ASSERT_EQ(0, SysSetCurrentDirectory(scratch.path().c_str()));
  char cwd[SYS_PATH_MAX];
  ASSERT_EQ(0, SysGetCurrentDirectory(cwd));
  const std::string base = slashes(cwd);

  const struct {
    const char* input;
    std::string expected;
    const char* name;
  } cases[] = {
      {"a.txt", base + "/a.txt", "a.txt"},
      {"sub/../b.txt", base + "/b.txt", "b.txt"},
      {"./sub\\c.txt", base + "/sub/c.txt", "c.txt"},
      {"sub/", base + "/sub/", ""},
      {"表\\示.txt", base + "/表/示.txt", "示.txt"},
  };
  for (const auto& c : cases) {
    char full[SYS_PATH_MAX];
    char* name = SysFullPath(full, c.input);
    ASSERT_NE(nullptr, name) << c.input;
    EXPECT_EQ(c.expected, slashes(full)) << c.input;
    EXPECT_STREQ(c.name, name) << c.input;
  }
  ASSERT_EQ(0, SysSetCurrentDirectory(original));
}

TEST(FullPath, ModuleAndTemporaryDirectories) {
  char path[SYS_PATH_MAX];
  ASSERT_EQ(0, SysModulePath(path));
  uint32_t attributes = 0;
  EXPECT_EQ(0, SysGetAttributes(path, &attributes)) << path;
  EXPECT_EQ(0u, attributes & SYS_ATTR_DIRECTORY);

  ASSERT_EQ(0, SysTempDirectory(path));
  std::string temp = path;
  ASSERT_FALSE(temp.empty());
  EXPECT_TRUE(temp.back() == '/' || temp.back() == '\\') << temp;
  EXPECT_EQ(0, SysGetAttributes(path, &attributes)) << path;
  EXPECT_NE(0u, attributes & SYS_ATTR_DIRECTORY);
}
