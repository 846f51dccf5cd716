// The builder's console reporting: the message display that prints message boxes on
// standard error and asks questions on the terminal, and the terminal helpers the console
// front end shares with it.
#pragma once

#include <functional>
#include <string>

#include "report/front_end.h"
#include "mksfx.h"

class ConsoleDisplay : public MessageDisplay {
 public:
  // Notices are printed; questions (and disk requests) are asked on the terminal and are
  // answered "no" when standard input is not a terminal.
  bool show(ProgressLink* owner, const char* caption, const char* text, MessageKind kind) override;
};

// Run by the end of a fatal report, before the process ends (the run's summary); the
// process then ends with STATUS_FAILED, or STATUS_CANCELLED for a confirmed Cancel.
void setFatalEndNote(std::function<void(int stubStatus)> note);

// A progress line on standard error for long steps, redrawn at most ten times a second and
// only when standard error is a terminal (and -q is not given); cleared by done(), and by
// clearProgressLine() before a message line is printed.
class ProgressLine {
 public:
  void update(const std::string& text);
  void done();

 private:
  long long lastDrawn_ = 0;  // milliseconds
};
void clearProgressLine();

bool consoleInteractive();  // standard input is a terminal
std::string readAnswerLine(bool hidden);  // one line from standard input, without its end
bool answersEnded();  // standard input came to its end while a line was read
bool askYesNo(const std::string& question);  // false when not interactive
