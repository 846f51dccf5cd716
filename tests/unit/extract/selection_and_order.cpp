// Which entries a run reaches and in which order: the AFTER and BEFORE dates, FRESHEN and
// UPDATE against files already in the extraction directory, and every SORT order, ascending
// and descending, against the orders Python computed from the archive it wrote.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine_run.h"
#include "options/option_state.h"

namespace {

std::vector<std::string> filesOf(const EngineRun& run) {
  std::vector<std::string> names = run.listTarget();
  return names;
}

struct DateCase {
  const char* title;
  std::vector<std::string> words;
  std::vector<std::string> extracted;
};

// extract_dates.zip: old.txt 2001-01-01 08:00, mid.txt 2010-06-15 00:00,
// midlate.txt 2010-06-15 13:30, new.txt 2020-12-31 23:59:58. Dates are month-day-year.
const DateCase kDates[] = {
    {"everything", {}, {"mid.txt", "midlate.txt", "new.txt", "old.txt"}},
    {"after a day: that day's entries count", {"-AFTER=061510"}, {"mid.txt", "midlate.txt", "new.txt"}},
    {"before a day: only its first instant counts", {"-BEFORE=06152010"}, {"mid.txt", "old.txt"}},
    {"between", {"-AFTER=01012005", "-BEFORE=01012020"}, {"mid.txt", "midlate.txt"}},
    {"after the last", {"-AFTER=01012021"}, {}},
};

TEST(DateSelection, AfterAndBefore) {
  for (const DateCase& c : kDates) {
    SCOPED_TRACE(c.title);
    EngineRun run;
    std::vector<std::string> words = {"-EXTRACT"};
    words.insert(words.end(), c.words.begin(), c.words.end());
    ASSERT_EQ(run.run("extract_dates.zip", words), 0);
    EXPECT_EQ(filesOf(run), c.extracted);
  }
}

// A file that the run finds in place, last written at `dosStamp`.
void plant(const std::string& path, const std::string& bytes, uint32_t dosStamp) {
  writeFileBytes(path, bytes);
  FileStream stream(path.c_str(), SYS_GENERIC_WRITE, 0, SYS_OPEN_EXISTING, 0);
  ASSERT_TRUE(stream.IsOpen());
  ASSERT_EQ(SysSetFileTimes(stream.handle(), nullptr, nullptr, &dosStamp, nullptr, 7), 0);
}

constexpr uint32_t STAMP_2015 = uint32_t((2015 - 1980) << 9 | 1 << 5 | 1) << 16;

TEST(ExistingFileSelection, FreshenTakesOnlyNewerEntriesOfExistingFiles) {
  EngineRun run;
  plant(run.out("old.txt"), "kept old", STAMP_2015);
  plant(run.out("new.txt"), "replaced", STAMP_2015);
  ASSERT_EQ(run.run("extract_dates.zip", {"-EXTRACT=FRESHEN", "-OVERWRITE"}), 0);
  EXPECT_EQ(filesOf(run), (std::vector<std::string>{"new.txt", "old.txt"}));
  EXPECT_EQ(readFileBytes(run.out("old.txt")), "kept old");
  EXPECT_EQ(readFileBytes(run.out("new.txt")), "from 2020\n");
}

TEST(ExistingFileSelection, UpdateAlsoTakesEntriesWithoutAFile) {
  EngineRun run;
  plant(run.out("old.txt"), "kept old", STAMP_2015);
  plant(run.out("new.txt"), "replaced", STAMP_2015);
  ASSERT_EQ(run.run("extract_dates.zip", {"-EXTRACT=UPDATE", "-OVERWRITE"}), 0);
  EXPECT_EQ(filesOf(run), (std::vector<std::string>{"mid.txt", "midlate.txt", "new.txt", "old.txt"}));
  EXPECT_EQ(readFileBytes(run.out("old.txt")), "kept old");
  EXPECT_EQ(readFileBytes(run.out("new.txt")), "from 2020\n");
}

TEST(ExistingFileSelection, TestFreshenTestsOnlyNewerEntriesOfExistingFiles) {
  EngineRun run;
  plant(run.out("new.txt"), "older file", STAMP_2015);
  ASSERT_EQ(run.run("extract_dates.zip", {"-TEST=FRESHEN"}), 0);
  EXPECT_EQ(run.progress.texts(PROGRESS_FILE), std::vector<std::string>{"new.txt"});
  EXPECT_EQ(readFileBytes(run.out("new.txt")), "older file");
}

// Lines "KEY name name ..." written by the fixture recipe.
std::vector<std::pair<std::string, std::vector<std::string>>> expectedOrders() {
  std::vector<std::pair<std::string, std::vector<std::string>>> orders;
  std::istringstream in(readFileBytes(fixturePath("extract_sort.expected")));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string key, name;
    words >> key;
    std::vector<std::string> names;
    while (words >> name) names.push_back(name);
    orders.emplace_back(key, names);
  }
  return orders;
}

TEST(SortOrder, EveryKeyAscendingAndDescending) {
  auto orders = expectedOrders();
  ASSERT_EQ(orders.size(), 7u);
  for (const auto& order : orders) {
    for (bool descending : {false, true}) {
      std::string word = "-SORT=" + std::string(descending ? "-" : "") + order.first;
      SCOPED_TRACE(word);
      EngineRun run;
      ASSERT_EQ(run.run("extract_sort.zip", {"-TEST", word}), 0);
      std::vector<std::string> expected = order.second;
      if (descending) std::reverse(expected.begin(), expected.end());
      EXPECT_EQ(run.progress.texts(PROGRESS_FILE), expected);
      EXPECT_EQ(run.progress.count(PROGRESS_TESTED), 5);
    }
  }
}

}  // namespace
