// The option handlers of the keyword table. Each applies one option word (without prefix,
// as written; its value follows the first '=') to the record and returns 0, or 5 when the
// value is not accepted.
#pragma once

#include "options/option_parser.h"

int HandleAfter(OptionState& state, char* word, int code);
int HandleBefore(OptionState& state, char* word, int code);
int HandleConsole(OptionState& state, char* word, int code);
int HandleDirectories(OptionState& state, char* word, int code);
int HandleExclude(OptionState& state, char* word, int code);
int HandleInclude(OptionState& state, char* word, int code);
int HandleSelectCommand(OptionState& state, char* word, int code);  // EXTRACT and TEST
int HandleHelp(OptionState& state, char* word, int code);
int HandleLocale(OptionState& state, char* word, int code);
int HandleMask(OptionState& state, char* word, int code);
int HandleMore(OptionState& state, char* word, int code);
int HandleNoExtended(OptionState& state, char* word, int code);
int HandleOverwrite(OptionState& state, char* word, int code);
int HandlePassword(OptionState& state, char* word, int code);
int HandlePrint(OptionState& state, char* word, int code);
int HandleAccepted(OptionState& state, char* word, int code);  // SILENT, WARNING
int HandleSort(OptionState& state, char* word, int code);
int HandleTimes(OptionState& state, char* word, int code);
int HandleVersion(OptionState& state, char* word, int code);
int HandleVolume(OptionState& state, char* word, int code);

// True while a list file is being read. INCLUDE and EXCLUDE values that name another list
// file are then dropped: list files are read one at a time and never chain, so a list file
// that names itself cannot make the session read it for ever.
bool ReadingListFile();
