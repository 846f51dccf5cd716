// The texts that the stub's string table shares with the engine and the builder's console
// front end, in code page 932. They are macros and nothing else, so that the resource
// script includes this same file: windres reads the definitions, the compilers the same.
#pragma once

// The failure of preparing the extraction directory; the directory follows.
#define CANNOT_CREATE_DIRECTORY_TEXT "ﾃﾞｨﾚｸﾄﾘを作成できません:\n"
