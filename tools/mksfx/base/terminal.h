// The builder's terminal: a progress line for long steps, and questions asked on standard
// input (answered "no" when it is not a terminal).
#pragma once

#include <string>

// How much the commands print besides their data: -q keeps only warnings, errors and the
// final summary; -v adds detail (each entry of a build, the settings taken over).
enum class Verbosity { Quiet, Normal, Verbose };
extern Verbosity verbosity;

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
