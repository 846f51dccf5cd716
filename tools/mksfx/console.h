// The console side of the engine's reporting for show, test, extract and a build's
// read-back check: the message display that prints message boxes on standard error and
// asks questions on the terminal, and the end of a fatal report.
#pragma once

#include <functional>
#include <string>

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

// The engine's message display and fatal exit set to the ones above.
void installConsoleReporting();
