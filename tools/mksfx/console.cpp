// The console side of the engine's reporting, shared by show, test and extract: message
// boxes become lines on standard error (Shift-JIS converted to UTF-8), questions are asked on
// the terminal or refused when standard input is not one, and the process end of a fatal
// report ends with the builder's shared status after naming the stub's own.
#include "console.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/code_page.h"
#include "base/reporter.h"
#include "base/terminal.h"
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
  Reporter::notice("the stub would end with status " + std::to_string(stubStatus));
  std::fflush(stderr);
  std::exit(stubStatus == FATAL_CANCELLED ? STATUS_CANCELLED : stubStatus == 0 ? STATUS_OK : STATUS_FAILED);
}

ConsoleDisplay consoleDisplay;

}  // namespace

void setFatalEndNote(std::function<void(int)> note) { fatalEndNote = std::move(note); }

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
