// Process end and assertion failures, shared by both system implementations. Ending the
// process goes through SysExit so that tests can turn it into an exception (the engine is
// built with exceptions for tests only) and the stub ends with its full 32-bit status.
#include <cstdio>
#include <cstdlib>

#include "system/system.h"

namespace {
SysExitHook exitHook = nullptr;
SysAssertHook assertHook = nullptr;
}  // namespace

SysExitHook SysSetExitHook(SysExitHook hook) {
  SysExitHook previous = exitHook;
  exitHook = hook;
  return previous;
}
void SysSetAssertHook(SysAssertHook hook) { assertHook = hook; }

void SysExit(int status) {
  if (exitHook) exitHook(status);
  std::fflush(nullptr);
  // exit() runs the session's exit-time clean-up (registered with atexit) and hands the
  // whole status to the operating system (ExitProcess on Windows).
  std::exit(status);
}

void SysAssertFailed(const char* module, const char* text) {
  if (assertHook) assertHook(module, text);
  std::fprintf(stderr, "%s: assertion failed: %s\n", module, text);
  std::fflush(stderr);
  std::abort();
}
