// The engine's texts beside the numbered reports: the session's completion notices and
// questions, the configuration block's notice and the version warning's argument, all in
// code page 932. The text that the stub's string table shares with the builder's console
// front end is a macro, so that the resource script includes this same definition.
#pragma once

// The failure of preparing the extraction directory; the directory follows.
#define CANNOT_CREATE_DIRECTORY_TEXT "ﾃﾞｨﾚｸﾄﾘを作成できません:\n"

#ifndef RC_INVOKED
extern const char EXTRACTION_DONE_TEXT[];
extern const char TEST_DONE_TEXT[];
extern const char EXTRACTION_WARNINGS_TEXT[];  // %d: the warning count
extern const char TEST_WARNINGS_TEXT[];        // %d: the warning count
extern const char GROUP_QUESTION_TEXT[];       // the program group's name follows
extern const char EXTENSIONS_QUESTION_TEXT[];  // the extension list follows
extern const char BAD_OPTIONS_TEXT[];          // a configuration block that does not parse
// %d.%d: the version an entry needs; %s: the entry's display name.
extern const char VERSION_NEEDED_FORMAT[];
#endif
