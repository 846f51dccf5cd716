// The texts the desktop steps build from configured commands: "%0" and "%1" replaced or
// removed left to right without overlap, and the DDE application name taken from the first
// word of a command (the file title up to its first '.').
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "desktop/desktop_steps.h"

namespace {

std::string replaced(const char* text, const char* token, const char* with) {
  char* out = ReplaceAll(text, token, with);
  std::string s(out);
  std::free(out);
  return s;
}

TEST(CommandTexts, DirectoryAndFileTokensAreReplacedLeftToRight) {
  struct Case {
    const char* text;
    const char* token;
    const char* with;
    const char* expected;
  } cases[] = {
      {"[AddItem(%0EDIT.EXE,Edit,%0EDIT.EXE,0)]", "%0", "C:\\APPS\\", "[AddItem(C:\\APPS\\EDIT.EXE,Edit,C:\\APPS\\EDIT.EXE,0)]"},
      {"[CreateGroup(Tools)]", "%0", "C:\\APPS\\", "[CreateGroup(Tools)]"},
      {"%0%0", "%0", "D\\", "D\\D\\"},
      {"%%00", "%0", "X", "%X0"},      // no overlap: the first match is the one taken
      {"%0", "%0", "%0", "%0"},         // the replacement is not scanned again
      {"C:\\APPS\\EDIT.EXE %1", "%1", "", "C:\\APPS\\EDIT.EXE "},  // a DDE command keeps the blank
      {"%0EDIT.EXE %1", "%0", "C:\\PROGRA~1\\", "C:\\PROGRA~1\\EDIT.EXE %1"},
      {"", "%0", "C:\\", ""},
      {"\x95\x5C%0", "%0", "C:\\", "\x95\x5C" "C:\\"},  // a 0x5C trail byte is just text
  };
  for (const Case& c : cases) EXPECT_EQ(replaced(c.text, c.token, c.with), c.expected) << c.text;
}

TEST(CommandTexts, ApplicationNameIsTheTitleOfTheFirstWord) {
  struct Case {
    const char* command;
    const char* expected;
  } cases[] = {
      {"C:\\APPS\\EDIT.EXE %1", "EDIT"},
      {"C:\\APPS\\EDIT.EXE ", "EDIT"},
      {"C:\\APPS\\EDIT.EXE\t/o %1", "EDIT"},
      {"C:\\APPS\\VIEWER.2.EXE %1", "VIEWER"},
      {"NOTEPAD.EXE", "NOTEPAD"},
      {"C:\\APPS\\", ""},  // a directory has no file title
  };
  for (const Case& c : cases) {
    char name[64] = "untouched";
    ApplicationName(c.command, name, sizeof name);
    EXPECT_STREQ(name, c.expected) << c.command;
  }
  char small[4];
  ApplicationName("C:\\APPS\\LONGNAME.EXE %1", small, sizeof small);
  EXPECT_STREQ(small, "LON");  // cut to the buffer
}

}  // namespace
