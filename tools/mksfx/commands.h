// The builder's commands, each in a file of its own, and the stub they use.
#pragma once

#include <string>

#include "base/reporter.h"

int commandBuild(int argc, char** argv);
int commandShow(int argc, char** argv);
int commandRun(int argc, char** argv, bool test);  // test and extract

// The stub a build uses: `option` (--stub) when given, else $SFX_STUB, else the one installed
// with this program. Empty, reported, when none is found.
std::string locateStub(const std::string& option, Reporter& reporter);
// The same search without a report: empty when no stub is found.
std::string findStub(const std::string& option);
