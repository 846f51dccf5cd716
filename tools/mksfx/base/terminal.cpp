// The progress line and the questions on the terminal. Whether a progress line is on the
// screen is one fact of the process (any message may need to clear it), so it is kept here.
#include "base/terminal.h"

#include <cstdio>

#include "host/host.h"

Verbosity verbosity = Verbosity::Normal;

namespace {

bool progressShown = false;  // a progress line is on the terminal
bool inputEnded = false;     // standard input has come to its end

}  // namespace

void ProgressLine::update(const std::string& text) {
  if (verbosity == Verbosity::Quiet || !hostIsTerminal(stderr)) return;
  long long ms = hostMilliseconds();
  if (progressShown && ms - lastDrawn_ < 100) return;
  lastDrawn_ = ms;
  progressShown = true;
  std::fprintf(stderr, "\r\033[K%s", text.c_str());
  std::fflush(stderr);
}

void ProgressLine::done() { clearProgressLine(); }

void clearProgressLine() {
  if (!progressShown) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  progressShown = false;
}

bool consoleInteractive() { return hostIsTerminal(stdin); }

std::string readAnswerLine(bool hidden) {
  std::string answer;
  if (!hostReadLine(hidden, answer)) inputEnded = true;
  return answer;
}

bool answersEnded() { return inputEnded; }

bool askYesNo(const std::string& question) {
  if (!consoleInteractive()) {
    std::fprintf(stderr, "%s\n  -> no (standard input is not a terminal)\n", question.c_str());
    return false;
  }
  for (int tries = 0; tries < 10; ++tries) {
    std::fprintf(stderr, "%s [y/n] ", question.c_str());
    std::fflush(stderr);
    std::string a = readAnswerLine(false);
    if (answersEnded()) return false;
    if (a == "y" || a == "Y" || a == "yes") return true;
    if (a == "n" || a == "N" || a == "no") return false;
  }
  return false;
}
