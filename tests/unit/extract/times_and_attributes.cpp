// Time stamps and attributes of extracted files: the NTFS time block of the local extra
// field with the TIMES mask, the DOS date and time otherwise (also when NOEXTENDED turns the
// block off, and when the block carries no times), and the attributes by host system with
// the default attribute mask and with MASK. The file services are the oracle: their find
// record reports what the file system holds.
#include <gtest/gtest.h>

#include <cstdio>

#include "engine_run.h"
#include "options/option_state.h"

namespace {

constexpr uint64_t EPOCH_1601 = 11644473600ull;
SysFileTime fileTimeOf(uint64_t unixSeconds) { return (unixSeconds + EPOCH_1601) * 10000000ull; }

// The times the fixture recipe put into the NTFS block of ntfs.txt.
const SysFileTime WRITTEN = fileTimeOf(1115262305);   // 2005-05-05
const SysFileTime ACCESSED = fileTimeOf(1230768000);  // 2009-01-01
const SysFileTime CREATED = fileTimeOf(946729805);    // 2000-01-01

// 2003-03-03 03:03:04, the DOS date and time of every entry of extract_ntfs.zip.
constexpr uint32_t DOS_STAMP = ((uint32_t((2003 - 1980) << 9 | 3 << 5 | 3)) << 16) | (3 << 11 | 3 << 5 | 2);

FindRecord find(const std::string& path) {
  FindRecord record{};
  SysHandle h = SysFindFirst(path.c_str(), &record);
  EXPECT_NE(h, SYS_INVALID_HANDLE) << path;
  if (h != SYS_INVALID_HANDLE) SysFindClose(h);
  return record;
}

// Whether this file system keeps a creation time that can be set: Linux file systems do
// not, and Wine on them reports the write time in its place.
bool creationTimesKept(const ScratchDir& scratch) {
  std::string probe = scratch.file("probe");
  writeFileBytes(probe, "x");
  {
    FileStream stream(probe.c_str(), SYS_GENERIC_WRITE, 0, SYS_OPEN_EXISTING, 0);
    NtfsTimes times{CREATED, ACCESSED, WRITTEN};
    SysSetFileTimes(stream.handle(), nullptr, nullptr, nullptr, &times, SYS_TIMES_CREATE);
  }
  bool kept = find(probe).rawCreated == CREATED;
  std::remove(probe.c_str());
  return kept;
}

struct TimesCase {
  const char* title;
  std::vector<std::string> words;
  bool written, accessed, created;  // which NTFS times ntfs.txt must carry
  bool dosTime;                     // ntfs.txt carries the DOS stamp instead
};

const TimesCase kTimes[] = {
    {"all three by default", {}, true, true, true, false},
    {"TIMES=-MODIFY", {"-TIMES=-MODIFY"}, false, true, true, false},
    {"TIMES=-ACCESS", {"-TIMES=-ACCESS"}, true, false, true, false},
    {"TIMES=-CREATE", {"-TIMES=-CREATE"}, true, true, false, false},
    {"TIMES=NONE", {"-TIMES=NONE"}, false, false, false, false},
    {"NOEXTENDED: the DOS time", {"-NOEXTENDED"}, false, false, false, true},
};

TEST(NtfsTimes, TheTimesMaskChoosesWhatIsRestored) {
  for (const TimesCase& c : kTimes) {
    SCOPED_TRACE(c.title);
    EngineRun run;
    std::vector<std::string> words = {"-EXTRACT"};
    words.insert(words.end(), c.words.begin(), c.words.end());
    ASSERT_EQ(run.run("extract_ntfs.zip", words), 0);
    EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{});
    bool creation = creationTimesKept(run.scratch());
    FindRecord r = find(run.out("ntfs.txt"));
    EXPECT_EQ(r.rawWritten == WRITTEN, c.written);
    EXPECT_EQ(r.rawAccessed == ACCESSED, c.accessed);
    if (creation) {
      EXPECT_EQ(r.rawCreated == CREATED, c.created);
    }
    EXPECT_EQ(r.written == DOS_STAMP, c.dosTime);
    // Entries without usable NTFS times always get the DOS stamp as their write time.
    EXPECT_EQ(find(run.out("dos.txt")).written, DOS_STAMP);
    EXPECT_EQ(find(run.out("notime.txt")).written, DOS_STAMP);
  }
}

TEST(DosTimes, PeerArchivesGiveTheirStampsToTheFiles) {
  EngineRun run;
  ASSERT_EQ(run.run("extract_tree_zip.zip", {"-EXTRACT", "-DIRECTORIES"}), 0);
  // zip took these from files stamped 2011-02-03 04:05:06 (an even second survives DOS time).
  constexpr uint32_t stamp = (uint32_t((2011 - 1980) << 9 | 2 << 5 | 3) << 16) | (4 << 11 | 5 << 5 | 3);
  for (const char* name : {"a.txt", "docs/readme.txt", "empty.txt"}) EXPECT_EQ(find(run.out(name)).written, stamp) << name;
}

struct AttributeCase {
  const char* name;
  bool readOnlyByDefault;
  bool readOnlyWithMask;  // MASK=READONLY: the read-only bit passes
};

const AttributeCase kAttributes[] = {
    {"readonly.txt", false, true},  {"hidden.txt", false, false}, {"normal.txt", false, false},
    {"unix.txt", false, true},      {"otherhost.txt", false, true}, {"lowbyte.txt", false, true},
};

bool readOnly(const std::string& path) {
  uint32_t attributes = 0;
  EXPECT_EQ(SysGetAttributes(path.c_str(), &attributes), 0) << path;
  return attributes & SYS_ATTR_READONLY;
}

TEST(Attributes, TheDefaultMaskDropsReadOnlyAndMaskKeepsIt) {
  for (bool masked : {false, true}) {
    SCOPED_TRACE(masked ? "MASK=READONLY" : "default mask");
    EngineRun run;
    std::vector<std::string> words = {"-EXTRACT"};
    if (masked) words.push_back("-MASK=READONLY");
    ASSERT_EQ(run.run("extract_attributes.zip", words), 0);
    EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{});
    for (const AttributeCase& c : kAttributes)
      EXPECT_EQ(readOnly(run.out(c.name)), masked ? c.readOnlyWithMask : c.readOnlyByDefault) << c.name;
#ifdef _WIN32
    uint32_t attributes = 0;
    SysGetAttributes(run.out("hidden.txt").c_str(), &attributes);
    EXPECT_EQ(attributes & SYS_ATTR_HIDDEN, 0u);  // the mask removes hidden unless MASK=HIDDEN
#endif
  }
}

#ifdef _WIN32
TEST(Attributes, MaskHiddenKeepsTheHiddenBit) {
  EngineRun run;
  ASSERT_EQ(run.run("extract_attributes.zip", {"-EXTRACT", "-MASK=HIDDEN"}), 0);
  uint32_t attributes = 0;
  SysGetAttributes(run.out("hidden.txt").c_str(), &attributes);
  EXPECT_NE(attributes & SYS_ATTR_HIDDEN, 0u);
  EXPECT_FALSE(readOnly(run.out("readonly.txt")));
}
#endif

TEST(VolumeLabels, LabelEntriesAreSkippedSilentlyUnlessAskedFor) {
  EngineRun run;
  ASSERT_EQ(run.run("extract_attributes.zip", {"-EXTRACT"}), 0);
  EXPECT_FALSE(fileExists(run.out("LABEL.NAM")));
  EXPECT_EQ(run.progress.warningCodes(), std::vector<int>{});
  std::vector<std::string> files = run.progress.texts(PROGRESS_FILE);
  EXPECT_EQ(std::count_if(files.begin(), files.end(),
                          [](const std::string& f) { return f.find("LABEL") != std::string::npos; }),
            0);
}

#ifndef _WIN32
// Labels cannot be set here: the entry is refused with warning 1 naming the label, and no
// file of that name appears. (Under Wine the label would go to the prefix's system drive.)
TEST(VolumeLabels, AnUnsettableLabelIsWarningOne) {
  EngineRun run;
  ASSERT_EQ(run.run("extract_attributes.zip", {"-EXTRACT", "-VOLUME"}), 0);
  ASSERT_EQ(run.progress.warningCodes(), std::vector<int>{1});
  std::string text = run.progress.texts(PROGRESS_WARNING)[0];
  EXPECT_EQ(text.substr(text.size() - 10), " LABEL.NAM");
  EXPECT_FALSE(fileExists(run.out("LABEL.NAM")));
  EXPECT_FALSE(fileExists("LABEL.NAM"));
}
#endif

}  // namespace
