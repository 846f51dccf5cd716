// The progress line and the questions on the terminal. Whether a progress line is on the
// screen is one fact of the process (any message may need to clear it), so it is kept here.
#include "base/terminal.h"

#include <cstdio>

#include "base/code_page.h"
#include "host/host.h"

Verbosity verbosity = Verbosity::Normal;

namespace {

bool progressShown = false;  // a progress line is on the terminal
bool inputEnded = false;     // standard input has come to its end

}  // namespace

constexpr long long REDRAW_MS = 250;  // at most four lines a second: readable, and cheap

bool ProgressLine::shown() { return verbosity != Verbosity::Quiet && hostIsTerminal(stderr); }

void ProgressLine::update(const std::string& text) {
  if (!shown()) return;
  long long ms = hostMilliseconds();
  if (progressShown && ms - lastDrawn_ < REDRAW_MS) return;
  lastDrawn_ = ms;
  progressShown = true;
  std::fprintf(stderr, "\r\033[K%s", text.c_str());
  std::fflush(stderr);
}

void ProgressLine::done() { clearProgressLine(); }

namespace {

std::string megabytes(uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / 1e6);
  return text;
}

// The first `limit` characters of a UTF-8 name, so that the line never wraps on its way.
std::string shortened(const std::string& name, size_t limit) {
  size_t at = 0, count = 0;
  while (at < name.size() && count < limit) {
    at += decodeUtf8(name, at).length;
    ++count;
  }
  return at < name.size() ? name.substr(0, at) + "..." : name;
}

}  // namespace

ByteProgress::ByteProgress(const std::string& action, uint64_t total)
    : action_(action), total_(total), started_(hostMilliseconds()) {}

void ByteProgress::setItem(const std::string& utf8Name) {
  item_ = shortened(utf8Name, 40);
  draw();
}

void ByteProgress::advance(uint64_t bytes) {
  done_ += bytes;
  draw();
}

void ByteProgress::draw() {
  if (!ProgressLine::shown()) return;
  uint64_t done = done_ < total_ ? done_ : total_;
  int percent = total_ ? static_cast<int>(done * 100 / total_) : 100;
  char head[64];
  std::snprintf(head, sizeof head, "mksfx: %s %3d%%", action_.c_str(), percent);
  std::string text = std::string(head) + "  " + megabytes(done) + " of " + megabytes(total_) + " MB";
  long long elapsed = hostMilliseconds() - started_;
  if (elapsed >= 500 && done > 0) {
    double rate = static_cast<double>(done) * 1000.0 / static_cast<double>(elapsed);  // bytes a second
    long long left = static_cast<long long>(static_cast<double>(total_ - done) / rate + 0.5);
    char tail[64];
    std::snprintf(tail, sizeof tail, ", %.1f MB/s, %lld:%02lld left", rate / 1e6, left / 60, left % 60);
    text += tail;
  }
  line_.update(text + "  " + item_);
}

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
