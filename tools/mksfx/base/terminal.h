// The builder's terminal: a progress line for long steps, and questions asked on standard
// input (answered "no" when it is not a terminal).
#pragma once

#include <cstdint>
#include <string>

// How much the commands print besides their data: -q keeps only warnings and errors (and
// the summary that counts them); -v adds detail (each entry of a build, the settings taken
// over, every entry tested or extracted on a terminal).
enum class Verbosity { Quiet, Normal, Verbose };
extern Verbosity verbosity;

// A progress line on standard error for long steps, redrawn at most four times a second and
// only when standard error is a terminal (and -q is not given); cleared by done(), and by
// clearProgressLine() before a message line is printed.
class ProgressLine {
 public:
  void update(const std::string& text);
  void done();
  // Whether update() draws at all (a terminal, no -q).
  static bool shown();

 private:
  long long lastDrawn_ = 0;  // milliseconds
};
void clearProgressLine();

// A progress line that counts bytes: "packing  42%  40.5 of 96.0 MB, 31.2 MB/s, 0:02 left
// NAME". Its callers advance it piece by piece, so it moves inside a large file too; the
// rate and the time left appear once half a second has passed.
class ByteProgress {
 public:
  ByteProgress(const std::string& action, uint64_t total);
  void setItem(const std::string& utf8Name);
  void advance(uint64_t bytes);
  void done() { line_.done(); }

 private:
  void draw();
  ProgressLine line_;
  std::string action_, item_;
  uint64_t total_, done_ = 0;
  long long started_;
};

bool consoleInteractive();  // standard input is a terminal
std::string readAnswerLine(bool hidden);  // one line from standard input, without its end
bool answersEnded();  // standard input came to its end while a line was read
bool askYesNo(const std::string& question);  // false when not interactive
