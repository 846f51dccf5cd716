// The builder's commands, each in a file of its own, and the stub they use.
#pragma once

#include <string>

#include "base/reporter.h"

int commandBuild(int argc, char** argv);
int commandShow(int argc, char** argv);
int commandRun(int argc, char** argv, bool test);  // test and extract

// Plain words for a file the engine is about to open that is no SFX at all, or one cut
// short (with what to do next); empty when the file ends in a ZIP end record, so the
// engine's own reports cover whatever else is wrong. `cp932Path` is the engine's path. It
// looks for the block silently and leaves the engine without a message display: call it
// before installConsoleReporting().
std::string plainFileProblem(const std::string& path, const std::string& cp932Path);

// The stub a build uses: `option` (--stub) when given, else $SFX_STUB, else the one installed
// with this program. Empty, reported, when none is found.
std::string locateStub(const std::string& option, Reporter& reporter);
// The same search without a report: empty when no stub is found.
std::string findStub(const std::string& option);
