// System services on Linux (POSIX). Names are code page 932 inside the engine and UTF-8 on
// the file system; the conversion happens here, at the boundary.
#include "system/system.h"

bool SysIsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
