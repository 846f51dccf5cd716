// System services on Win32: thin wrappers over the real calls.
#include <windows.h>

#include "system/system.h"

bool SysIsLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != 0; }
