// The space an archive needs: the sum of the uncompressed sizes, in kilobytes rounded up,
// summed wider than 32 bits.
#include <gtest/gtest.h>

#include "session_support.h"

using namespace session_test;

namespace {

uint64_t requiredFor(const ScratchDir& dir, const std::string& bytes) {
  writeFileBytes(dir.file("app.exe"), bytes);
  ScriptedFrontEnd frontEnd;
  Session session(frontEnd);
  EXPECT_TRUE(session.startUp(dir.file("app.exe").c_str()));
  return session.requiredKilobytes();
}

std::string sfxBytes(const ScratchDir& dir, const char* fixture) {
  writeSfx(fixture, ConfigBlock(), dir.file("made.exe"));
  return readFileBytes(dir.file("made.exe"));
}

TEST(RequiredSpace, SumsOfTheFixtures) {
  struct Case {
    const char* fixture;
    uint64_t kilobytes;
  } cases[] = {
      {"session_empty.sfx", 0},    // no entries
      {"session_flat.sfx", 2},     // 1,024 + 1,024 bytes: exactly 2K
      {"session_subdirs.sfx", 4},  // 1,025 + 1 + 2,048 bytes: 3.002K rounded up
  };
  for (const Case& c : cases) {
    ReportCatcher catcher;
    ScratchDir dir;
    CurrentDirectoryGuard guard;
    EXPECT_EQ(c.kilobytes, requiredFor(dir, sfxBytes(dir, c.fixture))) << c.fixture;
  }
}

TEST(RequiredSpace, LargeSumsDoNotWrap) {
  ReportCatcher catcher;
  ScratchDir dir;
  CurrentDirectoryGuard guard;
  // Every central directory header of the five-entry fixture claims 4 GB - 1 bytes.
  std::string bytes = sfxBytes(dir, "session_subdirs.sfx");
  int patched = 0;
  for (size_t at = bytes.find("PK\x01\x02"); at != std::string::npos; at = bytes.find("PK\x01\x02", at + 4)) {
    set32(bytes, at + 24, 0xFFFFFFFFu);
    ++patched;
  }
  ASSERT_EQ(5, patched);
  // 5 x 4,294,967,295 = 21,474,836,475 bytes = 20,971,519.995K, rounded up.
  EXPECT_EQ(20971520u, requiredFor(dir, bytes));
}

}  // namespace
