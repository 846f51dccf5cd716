// The console side of the engine's reporting for show, test, extract and a build's
// read-back check: the message display that prints message boxes on standard error and
// asks questions on the terminal, and the end of a fatal report.
#pragma once

#include <functional>
#include <string>

#include "base/json.h"
#include "report/front_end.h"

class ConsoleDisplay : public MessageDisplay {
 public:
  // Notices are printed; questions (and disk requests) are asked on the terminal and are
  // answered "no" when standard input is not a terminal.
  bool show(ProgressLink* owner, const char* caption, const char* text, MessageKind kind) override;
};

// Run by the end of a fatal report, before the process ends (the run's summary); the
// process then ends with STATUS_FAILED, or STATUS_CANCELLED for a confirmed Cancel.
void setFatalEndNote(std::function<void(int stubStatus)> note);
// The text of the engine's last notice (UTF-8, without its caption); empty before one.
std::string lastEngineNotice();
// With -q the engine's notices are held back; the one that ends a run is an error, and this
// prints it as it would have been shown.
void showHeldNotice();

// The `error` member of a --json document: the message, the status the command ends with
// and, when the engine ended the run, the stub's own status and text.
Json jsonError(const std::string& message, int status, int stubStatus = 0);
// Prints the document of a command that stopped before it had more to say (a usage error,
// an input that is no file): the format version, the command, the file and the error.
void printJsonFailure(const char* command, const std::string& file, const std::string& message, int status);
// The version of what --json prints; it grows when a member changes meaning or goes.
constexpr int JSON_FORMAT_VERSION = 1;

// The engine's message display and fatal exit set to the ones above.
void installConsoleReporting();
