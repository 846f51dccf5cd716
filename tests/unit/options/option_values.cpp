// What the option words set: value words and value lists, the AND/OR folding of MASK and
// TIMES (words before a bad one stay applied), commands with their selection modes, the
// interplay of SORT with the command, and texts that refer into the words themselves.
#include <gtest/gtest.h>

#include <functional>

#include "option_words.h"
#include "system/system.h"

namespace {

struct ValueCase {
  std::vector<const char*> words;
  int status;
  std::function<void(const OptionState&)> check;
};

class OptionValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(OptionValues, FieldsAfterTheWords) {
  const ValueCase& c = GetParam();
  OptionState state;
  WordList words(c.words);
  ParseOutcome outcome = parseCatching(words, state);
  std::string joined;
  for (const char* w : c.words) joined += std::string(w) + " ";
  EXPECT_EQ(c.status, outcome.status) << joined;
  c.check(state);
}

constexpr uint32_t ALL = 0xFFFFFFFFu;
constexpr uint32_t RO = SYS_ATTR_READONLY, HID = SYS_ATTR_HIDDEN, SYS = SYS_ATTR_SYSTEM;

#define CHECK(expr) [](const OptionState& s) { EXPECT_TRUE(expr) << #expr; }

INSTANTIATE_TEST_SUITE_P(
    Overwrite, OptionValues,
    ::testing::Values(
        ValueCase{{"-OVERWRITE=NEVER"}, 0, CHECK(s.overwriteMode == OVERWRITE_NEVER)},
        ValueCase{{"-OVERWRITE"}, 0, CHECK(s.overwriteMode == OVERWRITE_ALL)},
        ValueCase{{"-OVERWRITE="}, 0, CHECK(s.overwriteMode == OVERWRITE_ALL)},
        ValueCase{{"-OVERWRITE=ALL"}, 0, CHECK(s.overwriteMode == OVERWRITE_ALL)},
        ValueCase{{"-OVERWRITE", "-OVERWRITE=p"}, 0, CHECK(s.overwriteMode == OVERWRITE_PROMPT)},
        ValueCase{{"-OVERWRITE=n,garbage"}, 0, CHECK(s.overwriteMode == OVERWRITE_NEVER)},
        ValueCase{{"-OVERWRITE=NEVERMORE"}, 5, CHECK(s.overwriteMode == OVERWRITE_PROMPT)},
        ValueCase{{"-OVERWRITE=,NEVER"}, 5, CHECK(s.overwriteMode == OVERWRITE_PROMPT)}));

INSTANTIATE_TEST_SUITE_P(
    Mask, OptionValues,
    ::testing::Values(
        ValueCase{{}, 0, CHECK(s.attributeMask == ALL)},
        ValueCase{{"-MASK"}, 0, CHECK(s.attributeMask == (ALL & ~(RO | HID | SYS)))},
        ValueCase{{"-MASK", "-MASK=-HIDDEN"}, 0, CHECK(s.attributeMask == (ALL & ~(RO | SYS)))},
        ValueCase{{"-MASK=HIDDEN,SYSTEM"}, 0, CHECK(s.attributeMask == (ALL & ~(HID | SYS)))},
        ValueCase{{"-MASK=+readonly"}, 0, CHECK(s.attributeMask == (ALL & ~RO))},
        ValueCase{{"-MASK=ALL"}, 0, CHECK(s.attributeMask == (ALL & ~7u))},
        ValueCase{{"-MASK=ALL,NONE"}, 0, CHECK(s.attributeMask == ALL)},
        ValueCase{{"-MASK=ALL,-SYSTEM"}, 0, CHECK(s.attributeMask == (ALL & ~(RO | HID)))},
        // The empty item after the comma is no value word; HIDDEN before it stays applied.
        ValueCase{{"-MASK=HIDDEN,"}, 5, CHECK(s.attributeMask == (ALL & ~HID))},
        ValueCase{{"-MASK=HIDDEN,BOGUS,SYSTEM"}, 5, CHECK(s.attributeMask == (ALL & ~HID))},
        ValueCase{{"-MASK=,HIDDEN"}, 5, CHECK(s.attributeMask == ALL)}));

INSTANTIATE_TEST_SUITE_P(
    Times, OptionValues,
    ::testing::Values(
        ValueCase{{"-TIMES"}, 0, CHECK(s.timesMask == 7u)},
        ValueCase{{"-TIMES=NONE"}, 0, CHECK(s.timesMask == 0u)},
        ValueCase{{"-TIMES=NONE,MODIFY"}, 0, CHECK(s.timesMask == uint32_t(SYS_TIMES_MODIFY))},
        ValueCase{{"-TIMES=-ACCESS"}, 0,
                  CHECK(s.timesMask == uint32_t(SYS_TIMES_MODIFY | SYS_TIMES_CREATE))},
        ValueCase{{"-TIMES=none,+create,acc"}, 0,
                  CHECK(s.timesMask == uint32_t(SYS_TIMES_CREATE | SYS_TIMES_ACCESS))},
        ValueCase{{"-TIMES=NONE,ALL,-C"}, 0,
                  CHECK(s.timesMask == uint32_t(SYS_TIMES_ACCESS | SYS_TIMES_MODIFY))},
        ValueCase{{"-TIMES=NONE,CREATED"}, 5, CHECK(s.timesMask == 0u)},
        // "-" alone is shared by three words.
        ValueCase{{"-TIMES=-"}, 3, CHECK(s.timesMask == 7u)}));

INSTANTIATE_TEST_SUITE_P(
    Commands, OptionValues,
    ::testing::Values(
        ValueCase{{}, 0, CHECK(s.command == CMD_EXTRACT && s.selectionMode == SELECT_ALL)},
        ValueCase{{"-EXTR=UPDATE"}, 0, CHECK(s.command == CMD_EXTRACT && s.selectionMode == SELECT_UPDATE)},
        ValueCase{{"-TEST=f"}, 0, CHECK(s.command == CMD_TEST && s.selectionMode == SELECT_FRESHEN)},
        ValueCase{{"-TEST=U", "-EXTRACT"}, 0,
                  CHECK(s.command == CMD_EXTRACT && s.selectionMode == SELECT_UPDATE)},
        ValueCase{{"-TEST=ALL,UPDATE"}, 0, CHECK(s.selectionMode == SELECT_ALL)},
        ValueCase{{"-EXTRACT=SOME"}, 5, CHECK(s.selectionMode == SELECT_ALL)},
        ValueCase{{"-CONSOLE=whatever"}, 0, CHECK(s.command == CMD_CONSOLE)},
        ValueCase{{"-HELP=me"}, 0, CHECK(s.command == CMD_HELP)},
        ValueCase{{"-VERSION=MINOR"}, 0, CHECK(s.command == CMD_VERSION)},
        ValueCase{{"-VERSION=M"}, 3, CHECK(s.command == CMD_VERSION)},
        ValueCase{{"-VERSION=NEWEST"}, 5, CHECK(true)},
        ValueCase{{"-NOEXTENDED"}, 0, CHECK(!s.useExtendedInfo)},
        ValueCase{{}, 0, CHECK(s.useExtendedInfo)}));

INSTANTIATE_TEST_SUITE_P(
    Switches, OptionValues,
    ::testing::Values(
        ValueCase{{"-DIRECTORIES"}, 0, CHECK(s.keepPaths && s.makeDirectories)},
        ValueCase{{"-DIRECTORIES="}, 0, CHECK(s.keepPaths && s.makeDirectories)},
        ValueCase{{"-DIRECTORIES=ON"}, 5, CHECK(!s.keepPaths && !s.makeDirectories)},
        ValueCase{{"-VOLUME"}, 0, CHECK(s.restoreVolumeLabel)},
        ValueCase{{"-VOLUME=C"}, 0, CHECK(s.restoreVolumeLabel)},
        ValueCase{{"-VOLUME=z"}, 0, CHECK(s.restoreVolumeLabel)},
        ValueCase{{"-VOLUME=CD"}, 5, CHECK(true)},
        ValueCase{{"-VOLUME=1"}, 5, CHECK(true)},
        ValueCase{{"-VOLUME=:"}, 5, CHECK(true)},
        ValueCase{{"-MORE"}, 0, CHECK(true)},
        ValueCase{{"-MORE=24"}, 0, CHECK(true)},
        ValueCase{{"-MORE=007"}, 0, CHECK(true)},
        ValueCase{{"-MORE=0"}, 5, CHECK(true)},
        ValueCase{{"-MORE=000"}, 5, CHECK(true)},
        ValueCase{{"-MORE=abc"}, 5, CHECK(true)},
        ValueCase{{"-MORE=-3"}, 5, CHECK(true)}));

INSTANTIATE_TEST_SUITE_P(
    Sort, OptionValues,
    ::testing::Values(
        ValueCase{{}, 0, CHECK(s.entrySortKey == SORT_NATURAL && !s.sortGiven)},
        ValueCase{{"-SORT"}, 0, CHECK(s.entrySortKey == SORT_NAME && s.sortGiven)},
        ValueCase{{"-SORT=-SIZE"}, 0, CHECK(s.entrySortKey == SORT_SIZE + SORT_DESCENDING)},
        ValueCase{{"-SORT=nat"}, 0, CHECK(s.entrySortKey == SORT_NATURAL && s.sortGiven)},
        ValueCase{{"-SORT=E"}, 0, CHECK(s.entrySortKey == SORT_EXTENSION)},
        ValueCase{{"-SORT=+R"}, 0, CHECK(s.entrySortKey == SORT_RATIO)},
        ValueCase{{"-SORT=-D"}, 0, CHECK(s.entrySortKey == SORT_DATE + SORT_DESCENDING)},
        ValueCase{{"-SORT=C,junk"}, 0, CHECK(s.entrySortKey == SORT_CRC)},
        // Under PRINT the entry order stays the archive order until EXTRACT or TEST.
        ValueCase{{"-PRINT", "-SORT=SIZE"}, 0,
                  CHECK(s.entrySortKey == SORT_NATURAL && s.sortKey == SORT_SIZE)},
        ValueCase{{"-PRINT", "-SORT=SIZE", "-EXTRACT"}, 0, CHECK(s.entrySortKey == SORT_SIZE)},
        ValueCase{{"-SORT=SIZE", "-TEST"}, 0, CHECK(s.entrySortKey == SORT_SIZE)},
        ValueCase{{"-CONSOLE", "-SORT=CRC", "-TEST"}, 0, CHECK(s.entrySortKey == SORT_CRC)},
        ValueCase{{"-SORT=N"}, 3, CHECK(s.sortKey == SORT_NAME)},
        ValueCase{{"-SORT=NAX"}, 5, CHECK(s.sortKey == SORT_NAME && !s.sortGiven)}));

#undef CHECK

TEST(OptionTexts, PasswordRefersToTheCharactersOfItsWord) {
  OptionState state;
  WordList words{"-DIRECTORIES", "-PASSWORD=secret"};
  ASSERT_EQ(0, parseCatching(words, state).status);
  EXPECT_TRUE(state.passwordGiven);
  // The engine writes a typed password into the word's value area in place.
  EXPECT_EQ(words.word(1) + 10, state.password);
  EXPECT_STREQ("secret", state.password);
}

TEST(OptionTexts, EmptyPasswordIsGivenButNone) {
  for (const char* w : {"-PASSWORD=", "-PASSWORD", "-pass"}) {
    OptionState state;
    WordList words{w};
    ASSERT_EQ(0, parseCatching(words, state).status) << w;
    EXPECT_TRUE(state.passwordGiven) << w;
    EXPECT_EQ(nullptr, state.password) << w;
  }
}

TEST(OptionTexts, PrintDeviceIsTheWordsValueOrAnOwnedPrn) {
  OptionState state;
  WordList plain{"-PRINT"};
  ASSERT_EQ(0, parseCatching(plain, state).status);
  EXPECT_EQ(CMD_PRINT, state.command);
  EXPECT_STREQ("PRN", state.printDevice);

  OptionState named;
  WordList device{"-PRINT=LPT1", "-PRINT"};
  ASSERT_EQ(0, parseCatching(device, named).status);
  EXPECT_EQ(device.word(0) + 7, named.printDevice);  // kept: a device is already named
}

TEST(OptionTexts, IncludeAndExcludeValuesAreRecordedUnchanged) {
  OptionState state;
  WordList words{"-INCLUDE=*.txt", "-INCLUDE", "-INCLUDE=", "-INCLUDE=@names.lst",
                 "-EXCLUDE=dir\\*", "-EXCLUDE="};
  ASSERT_EQ(0, parseCatching(words, state).status);
  ASSERT_EQ(2u, state.includeSpecs.Count());
  EXPECT_STREQ("*.txt", state.includeSpecs.At(0));
  EXPECT_STREQ("@names.lst", state.includeSpecs.At(1));
  ASSERT_EQ(1u, state.excludeSpecs.Count());
  EXPECT_STREQ("dir\\*", state.excludeSpecs.At(0));
  EXPECT_EQ(nullptr, state.excludeSpecs.At(1));
  // Copies: the words may change afterwards.
  words.word(0)[9] = 'X';
  EXPECT_STREQ("*.txt", state.includeSpecs.At(0));
}

TEST(OptionTexts, LocaleValueIsCheckedBeforeAnythingChanges) {
  OptionState state;
  state.dateOrder = 99;
  WordList bad{"-LOCALE=SYSTEM"};
  EXPECT_EQ(5, parseCatching(bad, state).status);
  EXPECT_EQ(99, state.dateOrder);
  WordList good{"-LOC=env"};
  EXPECT_EQ(0, parseCatching(good, state).status);
  EXPECT_TRUE(state.dateOrder >= SYS_DATE_MDY && state.dateOrder <= SYS_DATE_YMD) << state.dateOrder;
}

TEST(OptionRecord, ValuesOfOneRunStayForTheNextUntilReset) {
  OptionState state;
  WordList first{"-DIRECTORIES", "-TEST", "-INCLUDE=a*", "-PRINT"};
  ASSERT_EQ(0, parseCatching(first, state).status);
  WordList second{"-EXTRACT"};
  ASSERT_EQ(0, parseCatching(second, state).status);
  EXPECT_TRUE(state.keepPaths);
  EXPECT_EQ(CMD_EXTRACT, state.command);
  EXPECT_EQ(1u, state.includeSpecs.Count());

  state.ResetOptions();
  EXPECT_FALSE(state.keepPaths);
  EXPECT_EQ(0u, state.includeSpecs.Count());
  EXPECT_EQ(nullptr, state.printDevice);
  EXPECT_EQ(7u, state.timesMask);
  EXPECT_EQ(ALL, state.attributeMask);
  EXPECT_TRUE(state.useExtendedInfo);
  EXPECT_EQ('-', state.optionPrefix);
  EXPECT_EQ('@', state.listFilePrefix);
  EXPECT_EQ(SYS_DATE_MDY, state.dateOrder);

  ASSERT_EQ(0, parseCatching(first, state).status);
  state.ZeroOptions();
  EXPECT_EQ(0, state.command);
  EXPECT_EQ(0u, state.attributeMask);
  EXPECT_EQ(0u, state.includeSpecs.Count());
  EXPECT_EQ(nullptr, state.printDevice);
}

TEST(OptionRecord, CommandQueries) {
  struct Row { int command; bool needsArchive, readsData; };
  for (Row r : {Row{CMD_EXTRACT, true, true}, Row{CMD_TEST, true, true}, Row{CMD_PRINT, true, true},
                Row{CMD_CONSOLE, true, true}, Row{CMD_HELP, false, false}, Row{CMD_VERSION, false, false}}) {
    EXPECT_EQ(r.needsArchive, NeedsArchive(r.command)) << r.command;
    EXPECT_EQ(r.readsData, ReadsEntryData(r.command)) << r.command;
    EXPECT_FALSE(ModifiesArchive(r.command)) << r.command;
  }
}

}  // namespace
