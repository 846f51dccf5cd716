// Checking the content of a found block: its length, its one accepted layout, the defaults
// that replace a rejected block (with the notice "不正なｵﾌﾟｼｮﾝです!"), the flags of empty
// sections, texts that fill their whole field, and the writer that the builder uses.
#include <gtest/gtest.h>

#include "session_support.h"

using namespace session_test;

namespace {

const char BAD_OPTIONS[] = "不正なｵﾌﾟｼｮﾝです!";

ConfigLoadResult loadBlock(ConfigBlock& config, const ScratchDir& dir, const std::string& content,
                           uint32_t length) {
  writeFileBytes(dir.file("sfx.bin"), fileWithBlockAt(48, blockAt(48, content, length), "PK"));
  return config.load(dir.file("sfx.bin").c_str());
}

void expectDefaults(const ConfigBlock& config) {
  EXPECT_EQ(0, config.flags());
  EXPECT_EQ(nullptr, config.defaultDirectory());
  EXPECT_EQ(nullptr, config.programGroup());
  EXPECT_EQ(nullptr, config.extensions());
}

TEST(ConfigLayout, LengthBeyond2128IsRejectedWithTheNotice) {
  ReportCatcher catcher;
  ScratchDir dir;
  std::string content = validContent(CFG_MESSAGES, "C:\\X") + std::string(64, '\0');
  ConfigBlock config;
  EXPECT_EQ(ConfigLoadResult::Rejected, loadBlock(config, dir, content, 2129));
  expectDefaults(config);
  ASSERT_EQ(1u, catcher.shown.size());
  EXPECT_EQ(BAD_OPTIONS, catcher.shown[0].text);
  EXPECT_EQ(MessageKind::Notice, catcher.shown[0].kind);
}

TEST(ConfigLayout, ShortContentWhosePresentPartIsValidIsAccepted) {
  // 1: only the low byte of the format number; 271: the directory text without its padding;
  // 272: through the padding; 1320: through the program group section.
  for (uint32_t length : {1u, 4u, 271u, 272u, 1320u, 2127u, 2128u}) {
    ReportCatcher catcher;
    ScratchDir dir;
    std::string content = validContent(CFG_MESSAGES | CFG_SUBDIRS, "C:\\Short", "Grp|cmd");
    ConfigBlock config;
    EXPECT_EQ(ConfigLoadResult::Loaded, loadBlock(config, dir, content, length)) << length;
    EXPECT_TRUE(catcher.shown.empty()) << length;
    EXPECT_EQ(length >= 4 ? (CFG_MESSAGES | CFG_SUBDIRS) : 0, config.flags()) << length;
    EXPECT_EQ(length >= 271, config.defaultDirectory() != nullptr) << length;
    EXPECT_EQ(length >= 1320, config.programGroup() != nullptr) << length;
  }
}

struct LayoutFault {
  const char* name;
  size_t at;
  int width;  // 2 or 4
  uint32_t value;
};

class BrokenLayout : public ::testing::TestWithParam<LayoutFault> {};

TEST_P(BrokenLayout, IsReplacedByTheDefaultsAndReported) {
  ReportCatcher catcher;
  ScratchDir dir;
  const LayoutFault f = GetParam();
  std::string content = validContent(CFG_MESSAGES | CFG_PROGRAM_GROUP, "C:\\X", "Group|cmd", "x.abc|c");
  if (f.width == 2) set16(content, f.at, static_cast<uint16_t>(f.value));
  else set32(content, f.at, f.value);
  ConfigBlock config;
  EXPECT_EQ(ConfigLoadResult::Rejected, loadBlock(config, dir, content, 2128)) << f.name;
  expectDefaults(config);
  ASSERT_EQ(1u, catcher.shown.size()) << f.name;
  EXPECT_EQ(BAD_OPTIONS, catcher.shown[0].text);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BrokenLayout,
    ::testing::Values(LayoutFault{"format1", 0, 2, 1}, LayoutFault{"format3", 0, 2, 3},
                      LayoutFault{"dirLength", 4, 4, 262}, LayoutFault{"dirType", 8, 2, 2},
                      LayoutFault{"groupLength", 272, 4, 263}, LayoutFault{"groupType", 276, 2, 1},
                      LayoutFault{"extLength", 1320, 4, 1043}, LayoutFault{"extType", 1324, 2, 5},
                      LayoutFault{"spare5Length", 1588, 4, 0}, LayoutFault{"spare5Type", 1592, 2, 2},
                      LayoutFault{"spare2Length", 1856, 4, 264}, LayoutFault{"spare2Type", 1860, 2, 5},
                      LayoutFault{"endMarker", 2124, 4, 1}),
    [](const ::testing::TestParamInfo<LayoutFault>& info) { return info.param.name; });

TEST(ConfigLayout, FaultInsideAShortContentIsRejectedToo) {
  ReportCatcher catcher;
  ScratchDir dir;
  std::string content = validContent(CFG_MESSAGES);
  set32(content, 4, 300);
  ConfigBlock config;
  EXPECT_EQ(ConfigLoadResult::Rejected, loadBlock(config, dir, content, 8));
  EXPECT_EQ(1u, catcher.shown.size());
}

TEST(ConfigLayout, PaddingBytesAreNotChecked) {
  ReportCatcher catcher;
  ScratchDir dir;
  std::string content = validContent(CFG_MESSAGES, "C:\\P");
  for (size_t at : {271u, 1319u, 1587u, 1855u, 2123u}) content[at] = '\x5A';
  ConfigBlock config;
  EXPECT_EQ(ConfigLoadResult::Loaded, loadBlock(config, dir, content, 2128));
  EXPECT_STREQ("C:\\P", config.defaultDirectory());
}

TEST(ConfigLayout, FlagsOfEmptySectionsAreClearedAndOtherBitsSurvive) {
  struct Case {
    const char* group;
    const char* ext;
    uint16_t expected;
  } cases[] = {
      {"", "", 0x8011},
      {"Grp|cmd", "", 0x8111},
      {"", "x.abc|c", 0x8411},
      {"Grp|cmd", "x.abc|c", 0x8511},
  };
  for (const Case& c : cases) {
    ReportCatcher catcher;
    ScratchDir dir;
    ConfigBlock config;
    loadBlock(config, dir, validContent(0x8511, "", c.group, c.ext), 2128);
    EXPECT_EQ(c.expected, config.flags()) << c.group << "/" << c.ext;
  }
  // Also without any block at all: the defaults have no sections, so nothing is set.
  ConfigBlock none;
  EXPECT_EQ(0, none.flags());
}

TEST(ConfigLayout, TextFillingItsWholeFieldStopsInsideTheField) {
  ReportCatcher catcher;
  ScratchDir dir;
  std::string content = validContent(CFG_PROGRAM_GROUP | CFG_EXTENSIONS);
  // No terminating zero anywhere in the three fields; the padding byte behind each is not
  // zero either, and behind that lies the next section's length.
  content.replace(DIR_FIELD.at, DIR_FIELD.size + 1, std::string(DIR_FIELD.size + 1, 'D'));
  content.replace(GROUP_FIELD.at, GROUP_FIELD.size + 1, std::string(GROUP_FIELD.size + 1, 'G'));
  content.replace(EXT_FIELD.at, EXT_FIELD.size + 1, std::string(EXT_FIELD.size + 1, 'E'));
  ConfigBlock config;
  ASSERT_EQ(ConfigLoadResult::Loaded, loadBlock(config, dir, content, 2128));
  ASSERT_NE(nullptr, config.defaultDirectory());
  EXPECT_EQ(DIR_FIELD.size - 1, std::strlen(config.defaultDirectory()));
  ASSERT_NE(nullptr, config.programGroup());
  EXPECT_EQ(GROUP_FIELD.size - 1, std::strlen(config.programGroup()));
  ASSERT_NE(nullptr, config.extensions());
  EXPECT_EQ(EXT_FIELD.size - 1, std::strlen(config.extensions()));
  config.prepareSections();
  EXPECT_EQ(EXT_FIELD.size - 3, std::strlen(config.extensionListText()));
}

TEST(ConfigLayout, LengthFieldKeysFollowTheBlockPosition) {
  // A block at offset 0: the length 2128 (50 08 00 00) is XORed with 1, 2, 3, 4.
  ConfigBlock config;
  uint8_t out[CONFIG_RECORD_SIZE];
  ASSERT_EQ(size_t{CONFIG_RECORD_SIZE}, SerializeConfigBlock(config, 0, out));
  const uint8_t expected[12] = {0x51, 0x58, 0x09, 0x0A, 20, 0, 20, 0, 0x51, 0x0A, 0x03, 0x04};
  EXPECT_EQ(0, std::memcmp(expected, out, 12));
  // Content byte 0 (the format number's low byte, 2) lies at offset 12: key 5.
  EXPECT_EQ(2 ^ 5, out[12]);
}

TEST(ConfigLayout, WriterAndReaderAgree) {
  ReportCatcher catcher;
  ScratchDir dir;
  ConfigBlock written;
  ASSERT_TRUE(written.setSectionText(SECTION_INDEX_DEFAULT_DIR, "C:\\Program Files\\表示"));
  ASSERT_TRUE(written.setSectionText(SECTION_INDEX_PROGRAM_GROUP, "Tools|Tool,%0tool.exe"));
  ASSERT_TRUE(written.setSectionText(SECTION_INDEX_EXTENSIONS, "*.abc|%0tool.exe %1"));
  written.setFlags(CFG_SUBDIRS | CFG_MESSAGES | CFG_PROGRAM_GROUP | CFG_EXTENSIONS | 0x4000);
  for (uint32_t offset : {0u, 1200u, 299988u}) {
    uint8_t out[CONFIG_RECORD_SIZE];
    SerializeConfigBlock(written, offset, out);
    std::string record(reinterpret_cast<char*>(out), sizeof out);
    // The independent writer makes the same bytes from the same content.
    std::string content(reinterpret_cast<const char*>(written.content()), CONFIG_CONTENT_SIZE);
    EXPECT_EQ(blockAt(offset, content, 2128), record) << offset;
    writeFileBytes(dir.file("sfx.bin"), fileWithBlockAt(offset, record, "PK"));
    ConfigBlock read;
    ASSERT_EQ(ConfigLoadResult::Loaded, read.load(dir.file("sfx.bin").c_str())) << offset;
    EXPECT_EQ(written.flags(), read.flags());
    EXPECT_STREQ("C:\\Program Files\\表示", read.defaultDirectory());
    EXPECT_STREQ("Tools|Tool,%0tool.exe", read.programGroup());
    EXPECT_STREQ("*.abc|%0tool.exe %1", read.extensions());
  }
  EXPECT_TRUE(catcher.shown.empty());
}

TEST(ConfigLayout, WriterRefusesTextsThatLeaveNoRoomForTheZero) {
  ConfigBlock config;
  EXPECT_TRUE(config.setSectionText(SECTION_INDEX_DEFAULT_DIR, std::string(260, 'a').c_str()));
  EXPECT_FALSE(config.setSectionText(SECTION_INDEX_DEFAULT_DIR, std::string(261, 'b').c_str()));
  EXPECT_EQ(std::string(260, 'a'), config.defaultDirectory());  // unchanged by the refusal
  EXPECT_TRUE(config.setSectionText(SECTION_INDEX_PROGRAM_GROUP, std::string(1040, 'g').c_str()));
  EXPECT_FALSE(config.setSectionText(SECTION_INDEX_PROGRAM_GROUP, std::string(1041, 'g').c_str()));
  // A shorter text replaces a longer one completely.
  EXPECT_TRUE(config.setSectionText(SECTION_INDEX_DEFAULT_DIR, "C:\\A"));
  EXPECT_STREQ("C:\\A", config.defaultDirectory());
}

}  // namespace
