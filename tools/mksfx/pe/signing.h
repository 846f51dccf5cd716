// Signing a finished build, and the stub's own signature, which an appended archive would
// break.
#pragma once

#include <string>

#include "base/reporter.h"

// An error when the stub already carries a certificate table (the archive would break it).
void checkStubUnsigned(const std::string& stub, Reporter& reporter);
// True when the command names the file to sign with "{}".
bool signCommandUsable(const std::string& command);
// Runs `command` through /bin/sh with every "{}" replaced by the quoted `path`. False, reported,
// when it fails or leaves no file.
bool runSignCommand(const std::string& command, const std::string& path, Reporter& reporter);
