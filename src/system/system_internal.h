// Pieces that the platform-independent half of the system layer (system_common.cpp) needs
// from the platform half (system_win32.cpp or system_posix.cpp), and small helpers both use.
// Not for the engine: the engine includes system.h only.
#pragma once

#include <cstddef>
#include <cstdint>

// The character that separates day, month and year in SysFormatDate ('/' when the platform
// has no preference).
char sysDateSeparator();

// A DOS date-time (time half 0) for a calendar day; the year counts from 0 (e.g. 1998).
// The year field keeps its low 7 bits, as the 16-bit DOS date does.
uint32_t sysDosDay(int year, int month, int day);

// The write-suppression flag given to SysSetWriteSuppression (null when never suppressed).
const int* sysWriteSuppression();

// Replaces the first '.' of a volume label by a blank, in place, walking double-byte
// characters as units (labels have no dot; NAME.EXT is written NAME EXT).
void sysLabelDotToBlank(char* label);

// The path that SysLookUp looks up: `path` without one trailing separator (a root such as
// "/" or "C:/" keeps it), into a 260-byte buffer. False when the path is too long.
bool sysLiteralPath(const char* path, char* literal);
