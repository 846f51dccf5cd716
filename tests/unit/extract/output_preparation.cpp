// Output preparation on its own, with hand-made directory records: the 259-character limit
// of the output path, directory creation on and off, kept paths off with a missing
// directory, creation attributes by host system, directory entries, the actions that make
// no output, existing directories, and a print target that cannot be opened.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "archive/ziplib.h"
#include "options/option_state.h"
#include "support/scripted.h"
#include "support/support.h"
#include "archive/zip_format.h"
#include "extract/prepare_output.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> listTreeOf(const std::string& root) {
  std::vector<std::string> names;
  for (auto& e : fs::recursive_directory_iterator(fs::u8path(root)))
    names.push_back(fs::relative(e.path(), fs::u8path(root)).generic_u8string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<uint8_t> centralRecord(const std::string& name, int host, uint32_t external) {
  std::vector<uint8_t> record(CDH_SIZE + name.size(), 0);
  putLe32(record.data() + CDH_SIGNATURE, SIG_CENTRAL);
  putLe16(record.data() + CDH_VERSION_MADE, static_cast<uint16_t>(host << 8 | 20));
  putLe16(record.data() + CDH_VERSION_NEEDED, 20);
  putLe16(record.data() + CDH_NAME_LENGTH, static_cast<uint16_t>(name.size()));
  putLe32(record.data() + CDH_EXTERNAL_ATTR, external);
  std::copy(name.begin(), name.end(), record.begin() + CDH_NAME);
  return record;
}

// One preparation: the entry's working state with its name set as the pipeline sets it,
// and the output the preparation opened.
class Preparation {
 public:
  explicit Preparation(const std::string& directory)
      : directory_(directory), preparation_(directory_.c_str(), work_) {
    Options().ResetOptions();
    Options().command = CMD_EXTRACT;
    Options().keepPaths = true;
    Options().makeDirectories = true;
  }
  ~Preparation() {
    closeOutput();
    Options().ResetOptions();
  }
  int prepare(const std::vector<uint8_t>& record) {
    closeOutput();
    EntryWork& w = work_;
    CopyName(w.entryName, entryName(record.data()), entryNameLength(record.data()));
    w.displayName = w.entryName;
    w.isDirectory = LastSingleChar(w.entryName) == '/';
    w.cancelled = false;
    return preparation_.Prepare(record.data());
  }
  FileStream* output() const { return work_.output; }
  const EntryWork& work() const { return work_; }
  void closeOutput() {
    delete work_.output;
    work_.output = nullptr;
  }

  ReportCatcher catcher;
  ScriptedPrompts prompts;
  RecordingProgress progress;

 private:
  std::string directory_;
  EntryWork work_{};
  OutputPreparation preparation_;
};

TEST(OutputPath, TwoHundredFiftyNineCharactersFitAndOneMoreIsRefused) {
  ScratchDir scratch;
  std::string directory = scratch.path() + "/";
  for (size_t total : {size_t(259), size_t(260)}) {
    SCOPED_TRACE(total);
    std::string name(total - directory.size(), 'n');
    Preparation p(directory);
    int result = p.prepare(centralRecord(name, 0, 0x20));
    if (total == 259) {
      EXPECT_EQ(result, 1);
      ASSERT_NE(p.output(), nullptr);
      EXPECT_EQ(p.work().displayName, directory + name);
      p.closeOutput();
      EXPECT_TRUE(fileExists(directory + name));
      fs::remove(fs::u8path(directory + name));
    } else {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(p.progress.warningCodes(), std::vector<int>{1});
      EXPECT_EQ(listTreeOf(scratch.path()), std::vector<std::string>{});
    }
  }
}

TEST(DirectoryCreation, MissingDirectoriesAreMadeOnlyWhenAskedFor) {
  for (bool make : {true, false}) {
    SCOPED_TRACE(make ? "makeDirectories on" : "makeDirectories off");
    ScratchDir scratch;
    Preparation p(scratch.path() + "/");
    Options().makeDirectories = make;
    int result = p.prepare(centralRecord("a/b/c.txt", 0, 0x20));
    EXPECT_EQ(result, make ? 1 : 0);
    p.closeOutput();
    EXPECT_EQ(fileExists(scratch.file("a/b/c.txt")), make);
    EXPECT_EQ(p.progress.warningCodes(), make ? std::vector<int>{} : std::vector<int>{1});
    if (!make) {
      EXPECT_NE(p.progress.texts(PROGRESS_WARNING)[0].find(scratch.file("a/b/c.txt")), std::string::npos);
    }
  }
}

TEST(DirectoryCreation, WithoutKeptPathsAMissingDirectoryIsWarningTwoThenOne) {
  ScratchDir scratch;
  Preparation p(scratch.path() + "/missing/");
  Options().keepPaths = false;
  EXPECT_EQ(p.prepare(centralRecord("docs/x.txt", 0, 0x20)), 0);
  EXPECT_EQ(p.progress.warningCodes(), (std::vector<int>{2, 1}));
  std::vector<std::string> texts = p.progress.texts(PROGRESS_WARNING);
  EXPECT_EQ(texts[0].substr(texts[0].size() - 8), "/missing");
  EXPECT_FALSE(fs::exists(fs::u8path(scratch.file("missing"))));
}

TEST(DirectoryEntries, AreCreatedWithTheirParents) {
  ScratchDir scratch;
  Preparation p(scratch.path() + "/");
  EXPECT_EQ(p.prepare(centralRecord("new/sub/", 0, 0x10)), 1);
  EXPECT_EQ(p.output(), nullptr);
  EXPECT_TRUE(fs::is_directory(fs::u8path(scratch.file("new/sub"))));
  EXPECT_EQ(p.progress.warningCodes(), std::vector<int>{});
}

TEST(DirectoryEntries, ADirectoryBlockedByAFileIsWarningOne) {
  ScratchDir scratch;
  writeFileBytes(scratch.file("new"), "a file in the way");
  Preparation p(scratch.path() + "/");
  EXPECT_EQ(p.prepare(centralRecord("new/", 0, 0x10)), 0);
  EXPECT_EQ(p.progress.warningCodes(), std::vector<int>{1});
}

// The look-up of an existing directory ignores the entry's trailing '/': the directory is
// never made again; "never" leaves it as it is, "ask" asks about it.
TEST(DirectoryEntries, AnExistingDirectoryIsSettledByTheDirectoryRules) {
  for (int mode : {OVERWRITE_NEVER, OVERWRITE_PROMPT}) {
    SCOPED_TRACE(mode);
    ScratchDir scratch;
    ASSERT_EQ(SysCreateDirectory(scratch.file("old").c_str(), nullptr), 0);
    SysSetAttributes(scratch.file("old").c_str(), SYS_ATTR_DIRECTORY | SYS_ATTR_HIDDEN);
    uint32_t before = 0, after = 0;
    SysGetAttributes(scratch.file("old").c_str(), &before);
    Preparation p(scratch.path() + "/");
    Options().overwriteMode = mode;
    p.prompts.directoryAnswers = {'N'};
    EXPECT_EQ(p.prepare(centralRecord("old/", 0, 0x10)), 0);
    EXPECT_EQ(p.prompts.count("confirmDirectory"), mode == OVERWRITE_PROMPT ? 1 : 0);
    SysGetAttributes(scratch.file("old").c_str(), &after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(p.progress.warningCodes(), std::vector<int>{});
  }
}

bool readOnly(const std::string& path) {
  uint32_t attributes = 0;
  return SysGetAttributes(path.c_str(), &attributes) == 0 && (attributes & SYS_ATTR_READONLY);
}

TEST(CreationAttributes, DosLikeHostsPassTheirAttributesOthersCreateArchiveOnly) {
  struct Case {
    int host;
    bool readOnlyAtCreation;
  } cases[] = {{0, true}, {3, true}, {6, true}, {10, true}, {1, false}, {19, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    ScratchDir scratch;
    Preparation p(scratch.path() + "/");
    Options().attributeMask = ~uint32_t(SYS_ATTR_READONLY);  // read-only passes
    ASSERT_EQ(p.prepare(centralRecord("file.txt", c.host, 0x21)), 1);
    p.closeOutput();
    EXPECT_EQ(readOnly(scratch.file("file.txt")), c.readOnlyAtCreation);
    SysSetAttributes(scratch.file("file.txt").c_str(), 0);
  }
}

TEST(Actions, TestAndConsoleViewPrepareNoOutputWhateverTheName) {
  for (int command : {CMD_TEST, CMD_CONSOLE}) {
    ScratchDir scratch;
    Preparation p(scratch.path() + "/");
    Options().command = command;
    EXPECT_EQ(p.prepare(centralRecord("../outside.txt", 0, 0x20)), 1);
    EXPECT_EQ(p.output(), nullptr);
    EXPECT_EQ(p.progress.warningCodes(), std::vector<int>{});
    EXPECT_EQ(listTreeOf(scratch.path()), std::vector<std::string>{});
  }
}

TEST(Actions, APrintTargetThatCannotBeOpenedIsFatalSixteen) {
  ScratchDir scratch;
  std::string target = scratch.file("no/such/dir/PRN");
  Preparation p(scratch.path() + "/");
  Options().command = CMD_PRINT;
  Options().printDevice = target.c_str();
  try {
    p.prepare(centralRecord("x.txt", 0, 0x20));
    FAIL() << "no fatal report";
  } catch (const FatalExit& e) {
    EXPECT_EQ(e.status, 16);
  }
  ASSERT_EQ(p.catcher.shown.size(), 1u);
  EXPECT_NE(p.catcher.shown[0].text.find(target), std::string::npos);
  Options().printDevice = nullptr;
}

}  // namespace
