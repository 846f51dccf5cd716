// The '|' separated lists of the program group and extension sections: their preparation
// into zero-separated strings (double-byte characters whose second byte is '|' stay whole)
// and the extension list text shown in the dialog and the completion question.
#include <gtest/gtest.h>

#include <vector>

#include "session_support.h"

using namespace session_test;

namespace {

// The zero-separated strings of a prepared section, up to the first empty one.
std::vector<std::string> strings(const char* text, size_t size) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos < size && text[pos]) {
    std::string s(text + pos);
    out.push_back(s);
    pos += s.size() + 1;
  }
  return out;
}

TEST(SectionLists, ExtensionListText) {
  struct Case {
    const char* section;
    const char* list;
  } cases[] = {
      {"*.abc|c:\\tools\\a.exe %1|*.def|c:\\tools\\b.exe", "abc;def"},
      {"!.abc|%0a.exe|!.def|%0b.exe|", "abc;def"},
      {"*.txt|%0view.exe", "txt"},
      {"*.txt", "txt"},  // a pair without its command
      {"*.a|x|*.bb|y|*.ccc|z", "a;bb;ccc"},
      {"", ""},
  };
  for (const Case& c : cases) {
    ConfigBlock config;
    ASSERT_TRUE(config.setSectionText(SECTION_INDEX_EXTENSIONS, c.section));
    // The same text before and after the '|' are turned into zeros.
    EXPECT_STREQ(c.list, config.extensionListText()) << c.section;
    config.prepareSections();
    EXPECT_STREQ(c.list, config.extensionListText()) << c.section;
  }
}

TEST(SectionLists, PreparationSplitsBothSectionsAndLeavesTheOthers) {
  ConfigBlock config;
  config.setSectionText(SECTION_INDEX_PROGRAM_GROUP, "Tools|Tool,%0tool.exe|Readme,%0readme.txt");
  config.setSectionText(SECTION_INDEX_EXTENSIONS, "*.abc|%0tool.exe %1");
  config.setSectionText(SECTION_INDEX_DEFAULT_DIR, "C:\\a|b");
  config.prepareSections();
  EXPECT_EQ((std::vector<std::string>{"Tools", "Tool,%0tool.exe", "Readme,%0readme.txt"}),
            strings(config.programGroup(), 1041));
  EXPECT_EQ((std::vector<std::string>{"*.abc", "%0tool.exe %1"}), strings(config.extensions(), 261));
  EXPECT_STREQ("C:\\a|b", config.defaultDirectory());
}

TEST(SectionLists, DoubleByteCharacterEndingIn7CIsNotASeparator) {
  // "ポ" is 83 7C in code page 932: its second byte is the '|' code.
  const char* name = "ポータル";
  ASSERT_EQ(static_cast<char>(0x7C), name[1]);
  ConfigBlock config;
  config.setSectionText(SECTION_INDEX_PROGRAM_GROUP, (std::string(name) + "|ポ,%0ポ.exe").c_str());
  config.setSectionText(SECTION_INDEX_EXTENSIONS, "*.ポ|%0ポ.exe|*.def|x");
  EXPECT_STREQ("ポ;def", config.extensionListText());
  config.prepareSections();
  EXPECT_EQ((std::vector<std::string>{name, "ポ,%0ポ.exe"}), strings(config.programGroup(), 1041));
  EXPECT_STREQ("ポ;def", config.extensionListText());
}

TEST(SectionLists, FullExtensionSectionGivesTheWholeList) {
  // 20 pairs of "*.表示表示|c|" fill 260 of the field's 261 bytes.
  std::string section, expected;
  for (int i = 0; i < 20; ++i) {
    section += "*.表示表示|c|";
    expected += i ? ";表示表示" : "表示表示";
  }
  ConfigBlock config;
  ASSERT_TRUE(config.setSectionText(SECTION_INDEX_EXTENSIONS, section.c_str()));
  config.prepareSections();
  EXPECT_EQ(expected, config.extensionListText());
}

}  // namespace
