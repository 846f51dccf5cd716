// Finding the configuration block: only at file offsets that are multiples of 12 below
// 300,000, skipping headers whose version needed is above 20, with length 0 meaning "none".
#include <gtest/gtest.h>

#include "session_support.h"

using namespace session_test;

namespace {

struct Placement {
  uint32_t offset;
  bool found;
};

class BlockPlacement : public ::testing::TestWithParam<Placement> {};

TEST_P(BlockPlacement, FoundOnlyAtMultiplesOf12BelowTheLimit) {
  ReportCatcher catcher;
  ScratchDir dir;
  const Placement p = GetParam();
  std::string content = validContent(CFG_MESSAGES | CFG_SUBDIRS, "C:\\Data");
  writeFileBytes(dir.file("sfx.bin"), fileWithBlockAt(p.offset, blockAt(p.offset, content, 2128), "PK tail"));

  ConfigBlock config;
  ConfigLoadResult result = config.load(dir.file("sfx.bin").c_str());
  EXPECT_TRUE(catcher.shown.empty());
  if (p.found) {
    EXPECT_EQ(ConfigLoadResult::Loaded, result);
    EXPECT_EQ(int64_t{p.offset}, config.blockOffset());
    EXPECT_EQ(CFG_MESSAGES | CFG_SUBDIRS, config.flags());
    ASSERT_NE(nullptr, config.defaultDirectory());
    EXPECT_STREQ("C:\\Data", config.defaultDirectory());
  } else {
    EXPECT_EQ(ConfigLoadResult::Absent, result);
    EXPECT_EQ(0, config.flags());
    EXPECT_EQ(nullptr, config.defaultDirectory());
  }
}

INSTANTIATE_TEST_SUITE_P(Offsets, BlockPlacement,
                         ::testing::Values(Placement{0, true}, Placement{24, true},
                                           Placement{25, false}, Placement{30, false},
                                           // around the reader's internal piece boundary
                                           Placement{6132, true}, Placement{6144, true},
                                           Placement{6150, false},
                                           // the last record searched, and the first one not
                                           Placement{299988, true}, Placement{300000, false},
                                           Placement{300012, false}));

TEST(ConfigSearch, HeaderNeedingVersion21IsSkippedAndTheNextRecordTried) {
  ReportCatcher catcher;
  ScratchDir dir;
  // A header at 12 that needs version 21 (its length would say 2128 as well), then a real
  // block at 24 with different contents.
  std::string newer = blockAt(12, validContent(CFG_OVERWRITE_ALL), 2128, 21).substr(0, 12);
  std::string real = blockAt(24, validContent(CFG_NEVER_OVERWRITE, "D:\\Y"), 2128);
  writeFileBytes(dir.file("sfx.bin"), fileWithBlockAt(12, newer + real));

  ConfigBlock config;
  EXPECT_EQ(ConfigLoadResult::Loaded, config.load(dir.file("sfx.bin").c_str()));
  EXPECT_EQ(24, config.blockOffset());
  EXPECT_EQ(CFG_NEVER_OVERWRITE, config.flags());
  EXPECT_STREQ("D:\\Y", config.defaultDirectory());
}

TEST(ConfigSearch, WritersVersionIsNotChecked) {
  ReportCatcher catcher;
  ScratchDir dir;
  std::string block = blockAt(12, validContent(CFG_MESSAGES), 2128);
  block[4] = static_cast<char>(0xFF);  // writer's version 0x??FF
  block[5] = static_cast<char>(0x7F);
  writeFileBytes(dir.file("sfx.bin"), fileWithBlockAt(12, block));
  ConfigBlock config;
  EXPECT_EQ(ConfigLoadResult::Loaded, config.load(dir.file("sfx.bin").c_str()));
  EXPECT_EQ(CFG_MESSAGES, config.flags());
}

TEST(ConfigSearch, LengthZeroBehavesLikeNoBlockWithoutMessage) {
  ReportCatcher catcher;
  ScratchDir dir;
  writeFileBytes(dir.file("sfx.bin"), fileWithBlockAt(36, blockAt(36, validContent(CFG_MESSAGES), 0)));
  ConfigBlock config;
  EXPECT_EQ(ConfigLoadResult::Absent, config.load(dir.file("sfx.bin").c_str()));
  EXPECT_EQ(0, config.flags());
  EXPECT_TRUE(catcher.shown.empty());
}

TEST(ConfigSearch, MissingOrTinyFileGivesTheDefaults) {
  ReportCatcher catcher;
  ScratchDir dir;
  writeFileBytes(dir.file("tiny.bin"), std::string("QX\x09\x0A\x14", 5));
  writeFileBytes(dir.file("empty.bin"), "");
  for (const char* name : {"tiny.bin", "empty.bin", "absent.bin"}) {
    ConfigBlock config;
    EXPECT_EQ(ConfigLoadResult::Absent, config.load(dir.file(name).c_str())) << name;
    EXPECT_EQ(0, config.flags()) << name;
    EXPECT_EQ(-1, config.blockOffset()) << name;
  }
  EXPECT_TRUE(catcher.shown.empty());
}

TEST(ConfigSearch, ContentCutShortByTheEndOfFileKeepsDefaultsForTheRest) {
  ReportCatcher catcher;
  ScratchDir dir;
  // The length says 2128, but the file ends after the default directory section.
  std::string block = blockAt(12, validContent(CFG_MESSAGES, "C:\\Cut"), 2128).substr(0, 12 + 272);
  writeFileBytes(dir.file("sfx.bin"), fileWithBlockAt(12, block));
  ConfigBlock config;
  EXPECT_EQ(ConfigLoadResult::Loaded, config.load(dir.file("sfx.bin").c_str()));
  EXPECT_STREQ("C:\\Cut", config.defaultDirectory());
  EXPECT_EQ(CFG_MESSAGES, config.flags());
}

}  // namespace
