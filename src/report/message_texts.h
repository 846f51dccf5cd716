// The engine's texts beside the numbered reports: the session's completion notices and
// questions, the configuration block's notice and the version warning's argument, all in
// code page 932. The text that the stub's string table shares comes from shared_texts.h,
// the one file of texts the resource script includes.
#pragma once

#include "report/shared_texts.h"

extern const char EXTRACTION_DONE_TEXT[];
extern const char TEST_DONE_TEXT[];
extern const char EXTRACTION_WARNINGS_TEXT[];  // %d: the warning count
extern const char TEST_WARNINGS_TEXT[];        // %d: the warning count
extern const char GROUP_QUESTION_TEXT[];       // the program group's name follows
extern const char EXTENSIONS_QUESTION_TEXT[];  // the extension list follows
extern const char BAD_OPTIONS_TEXT[];          // a configuration block that does not parse
// %d.%d: the version an entry needs; %s: the entry's display name.
extern const char VERSION_NEEDED_FORMAT[];
