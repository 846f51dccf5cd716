// The console side of the engine's reporting, shared by show, test and extract: message
// boxes become lines on standard error (Shift-JIS converted to UTF-8), questions are asked on
// the terminal or refused when standard input is not one, and the process end of a fatal
// report ends with the builder's shared status after naming the stub's own.
#include "console.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli.h"
#include "host.h"
#include "report/error_reporter.h"
#include "system/system.h"

using ErrorReporter::SetMessageDisplay;

namespace {

std::function<void(int)> fatalEndNote;

// The exit hook of the engine's fatal reports: the stub would end with its own status (the
// format errors 299 to 304, which a shell sees only modulo 256, or 255 for a Cancel); the
// builder ends with the status every command shares.
[[noreturn]] void endWithSharedStatus(int stubStatus) {
  std::fflush(stdout);
  if (fatalEndNote) fatalEndNote(stubStatus);
  std::fprintf(stderr, "mksfx: the stub would end with status %d\n", stubStatus);
  std::fflush(stderr);
  std::exit(stubStatus == FATAL_CANCELLED ? STATUS_CANCELLED : stubStatus == 0 ? STATUS_OK : STATUS_FAILED);
}

ConsoleDisplay consoleDisplay;
bool progressShown = false;  // a progress line is on the terminal
bool inputEnded = false;     // standard input has come to its end

}  // namespace

void setFatalEndNote(std::function<void(int)> note) { fatalEndNote = std::move(note); }

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

bool ConsoleDisplay::show(ProgressLink* owner, const char* caption, const char* text, MessageKind kind) {
  std::fflush(stdout);
  std::string shown = "[" + cp932ToUtf8(caption) + "] " + cp932ToUtf8(text);
  if (kind == MessageKind::Notice) {
    std::fprintf(stderr, "%s\n", shown.c_str());
    return true;
  }
  return askYesNo(shown);
}

void installConsoleReporting() {
  SetMessageDisplay(&consoleDisplay);
  SysSetExitHook(endWithSharedStatus);
}

std::string dosDateTimeText(uint16_t date, uint16_t time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", 1980u + (date >> 9), (date >> 5) & 15u,
                date & 31u, time >> 11, (time >> 5) & 63u, (time & 31u) * 2);
  return text;
}

std::string methodName(uint16_t method) {
  switch (method) {
    case 0: return "Stored";
    case 1: return "Shrunk";
    case 2: case 3: case 4: case 5: return "Reduced";
    case 6: return "Imploded";
    case 8: return "Deflated";
    case 9: return "Deflate64";
    case 12: return "BZip2";
    case 14: return "LZMA";
    case 93: return "Zstandard";
    case 95: return "XZ";
    case 98: return "PPMd";
    case 99: return "AES";
    default: return "method " + std::to_string(method);
  }
}
