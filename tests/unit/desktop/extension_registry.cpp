// Extension registration against the real registry and profile (under Wine): the layout of a
// DDE pair and of a plain pair, an old key tree replaced, an old profile line of a DDE
// extension removed, a malformed pattern refused without touching the class root, and the
// recursive key deletion.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "desktop/desktop_steps.h"
#include "session/config_block.h"
#include "support/support.h"

namespace {

constexpr char PROFILE_SECTION[] = "Extensions";
constexpr char CLASS_NAME[] = "morla ﾌｧｲﾙ";

// The default value of HKEY_CLASSES_ROOT\key, or "<none>" when the key cannot be read.
std::string defaultValue(const std::string& key) {
  char value[512];
  LONG size = sizeof value;
  if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), value, &size) != ERROR_SUCCESS) return "<none>";
  return value;
}

bool keyExists(const std::string& key) {
  HKEY k;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

std::string profileLine(const char* extension) {
  char value[512];
  GetProfileStringA(PROFILE_SECTION, extension, "<none>", value, sizeof value);
  return value;
}

void writeTree(const char* key, const char* value) {
  ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, key, REG_SZ, value, static_cast<DWORD>(strlen(value) + 1)), ERROR_SUCCESS);
}

class ExtensionRegistry : public ::testing::Test {
 protected:
  void SetUp() override { clean(); }
  void TearDown() override { clean(); }
  static void clean() {
    for (const char* key : {".sfxtestdde", ".sfxtestplain", ".sfxtestbad", CLASS_NAME}) DeleteKeyTree(HKEY_CLASSES_ROOT, key);
    for (const char* ext : {"sfxtestdde", "sfxtestplain"}) WriteProfileStringA(PROFILE_SECTION, ext, nullptr);
  }
  // A configuration block whose extension section holds `text` ('|' separated), prepared
  // as at start-up.
  void configure(const char* text) {
    ASSERT_TRUE(config.setSectionText(SECTION_INDEX_EXTENSIONS, text));
    config.prepareSections();
  }
  ConfigBlock config;
};

TEST_F(ExtensionRegistry, DdeAndPlainPairsWriteTheirLayouts) {
  writeTree(".sfxtestplain\\old\\deeper", "old");
  WriteProfileStringA(PROFILE_SECTION, "sfxtestdde", "old line");
  configure("$.sfxtestdde|%0EDIT.EXE %1|*.sfxtestplain|%0VIEW.EXE /r %1");
  ReportCatcher catcher;
  RegisterExtensions(config, "C:\\APPS\\");
  EXPECT_TRUE(catcher.shown.empty());

  EXPECT_EQ(defaultValue(".sfxtestdde"), CLASS_NAME);
  const std::string cls = CLASS_NAME;
  EXPECT_EQ(defaultValue(cls), "MORLA ﾌｧｲﾙ");
  EXPECT_EQ(defaultValue(cls + "\\shell\\open\\command"), "C:\\APPS\\EDIT.EXE ");
  EXPECT_EQ(defaultValue(cls + "\\shell\\open\\ddeexec"), "[open(\"%1\")]");
  EXPECT_EQ(defaultValue(cls + "\\shell\\open\\ddeexec\\application"), "EDIT");
  EXPECT_EQ(defaultValue(cls + "\\shell\\open\\ddeexec\\topic"), "system");
  EXPECT_EQ(profileLine("sfxtestdde"), "<none>");

  EXPECT_EQ(defaultValue(".sfxtestplain"), "");
  EXPECT_EQ(defaultValue(".sfxtestplain\\shell\\open\\command"), "C:\\APPS\\VIEW.EXE /r %1");
  EXPECT_FALSE(keyExists(".sfxtestplain\\old"));
  EXPECT_EQ(profileLine("sfxtestplain"), "C:\\APPS\\VIEW.EXE /r *.sfxtestplain");
}

TEST_F(ExtensionRegistry, DdePairWithoutApplicationNameIsRolledBack) {
  // The command's first word is a directory: no application name, so the pair's keys go
  // again and the failure is shown; the profile line is still removed.
  WriteProfileStringA(PROFILE_SECTION, "sfxtestdde", "old line");
  configure("$.sfxtestdde|%0 %1");
  ReportCatcher catcher;
  RegisterExtensions(config, "C:\\APPS\\");
  ASSERT_EQ(catcher.shown.size(), 1u);
  EXPECT_EQ(catcher.shown[0].text, "ﾌｧｲﾙ拡張子の登録中にｴﾗｰが発生しました");
  EXPECT_FALSE(keyExists(".sfxtestdde"));
  EXPECT_FALSE(keyExists(CLASS_NAME));
  EXPECT_EQ(profileLine("sfxtestdde"), "<none>");
}

TEST_F(ExtensionRegistry, MalformedPatternsAreRefusedAndTheNextPairStillRuns) {
  // "x" and "ab" are no marker-dot-extension patterns; "x." names no extension.
  configure("x|EVIL.EXE %1|ab|EVIL.EXE %1|x.|EVIL.EXE %1|*.sfxtestplain|%0VIEW.EXE %1");
  ReportCatcher catcher;
  RegisterExtensions(config, "C:\\APPS\\");
  EXPECT_EQ(catcher.shown.size(), 3u);
  EXPECT_EQ(defaultValue(".sfxtestplain\\shell\\open\\command"), "C:\\APPS\\VIEW.EXE %1");
  EXPECT_EQ(defaultValue("shell\\open\\command"), "<none>");  // nothing written at the root
}

TEST_F(ExtensionRegistry, KeyTreeDeletion) {
  writeTree(".sfxtestbad\\a\\b\\c", "1");
  writeTree(".sfxtestbad\\a\\d", "2");
  writeTree(".sfxtestbad\\e", "3");
  EXPECT_EQ(DeleteKeyTree(HKEY_CLASSES_ROOT, ".sfxtestbad"), ERROR_SUCCESS);
  EXPECT_FALSE(keyExists(".sfxtestbad"));
  EXPECT_EQ(DeleteKeyTree(HKEY_CLASSES_ROOT, ".sfxtestbad"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(DeleteKeyTree(HKEY_CLASSES_ROOT, ""), ERROR_BADKEY);
  EXPECT_EQ(DeleteKeyTree(HKEY_CLASSES_ROOT, nullptr), ERROR_BADKEY);
}

}  // namespace
