// The record's write-suppression flag reaches the file services: while it is set, a
// FileStream reports every byte as written and leaves the file untouched.
#include <gtest/gtest.h>

#include "options/option_state.h"
#include "support/support.h"
#include "system/system.h"

namespace {

TEST(WriteSuppression, TheProcessRecordsFlagSilencesFileStreamWrites) {
  ScratchDir dir;
  std::string path = dir.file("out.bin");
  OptionState& options = Options();
  {
    FileStream out(path.c_str(), SYS_GENERIC_WRITE, 0, SYS_CREATE_ALWAYS, SYS_ATTR_NORMAL);
    ASSERT_TRUE(out.IsOpen());
    uint32_t written = 0;
    options.writeSuppressed = 1;
    EXPECT_EQ(0, out.Write("suppressed", 10, &written));
    EXPECT_EQ(10u, written);
    options.ResetOptions();  // clears the flag
    EXPECT_EQ(0, out.Write("kept", 4, &written));
    EXPECT_EQ(4u, written);
    out.Close();
  }
  EXPECT_EQ("kept", readFileBytes(path));
}

}  // namespace
