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
std::string lastNotice;
std::string lastShown;  // the same with its caption, as printed

// The exit hook of the engine's fatal reports: the stub would end with its own status (the
// format errors 299 to 304, which a shell sees only modulo 256, or 255 for a Cancel); the
// builder ends with the status every command shares.
[[noreturn]] void endWithSharedStatus(int stubStatus) {
  std::fflush(stdout);
  showHeldNotice();
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
  clearProgressLine();
  std::string shown = "[" + cp932ToUtf8(caption) + "] " + cp932ToUtf8(text);
  if (kind == MessageKind::Notice) {
    lastNotice = cp932ToUtf8(text);
    lastShown = shown;
    if (verbosity == Verbosity::Quiet) return true;
    std::fprintf(stderr, "%s\n", shown.c_str());
    return true;
  }
  return askYesNo(shown);
}

std::string lastEngineNotice() { return lastNotice; }

void showHeldNotice() {
  if (verbosity == Verbosity::Quiet && !lastNotice.empty()) std::fprintf(stderr, "%s\n", lastShown.c_str());
}

Json jsonError(const std::string& message, int status, int stubStatus) {
  Json error = Json::object();
  error.set("message", Json::string(message)).set("status", Json::number(status));
  if (stubStatus != 0) {
    error.set("stub_status", Json::number(stubStatus)).set("stub_message", Json::string(lastNotice));
  }
  return error;
}

void printJsonFailure(const char* command, const std::string& file, const std::string& message, int status) {
  Json document = Json::object();
  document.set("format_version", Json::number(JSON_FORMAT_VERSION)).set("command", Json::string(command));
  document.set("file", file.empty() ? Json() : Json::string(file)).set("status", Json::number(status));
  document.set("error", jsonError(message, status));
  std::fflush(stderr);
  std::printf("%s", document.text().c_str());
  std::fflush(stdout);
}

void installConsoleReporting() {
  SetMessageDisplay(&consoleDisplay);
  SysSetExitHook(endWithSharedStatus);
}
