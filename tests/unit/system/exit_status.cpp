// The whole exit status reaches the parent process (Windows: ExitProcess keeps all 32 bits,
// where a shell would cut it to 8). The test starts this same executable with SFX_EXIT_WITH
// set; a static initialiser then ends that child at once through SysExit.
#include <gtest/gtest.h>

#include <cstdlib>

#include "system/system.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Runs before main in every process of this executable; only the child has the variable.
const bool exitRequested = [] {
  if (const char* value = std::getenv("SFX_EXIT_WITH")) SysExit(std::atoi(value));
  return false;
}();

}  // namespace

#ifdef _WIN32
TEST(ExitStatus, FullStatusReachesTheParent) {
  char self[MAX_PATH];
  ASSERT_NE(0u, GetModuleFileNameA(nullptr, self, MAX_PATH));
  for (DWORD status : {299u, 43u, 0u}) {
    char value[16];
    wsprintfA(value, "%lu", status);
    ASSERT_TRUE(SetEnvironmentVariableA("SFX_EXIT_WITH", value));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    char commandLine[MAX_PATH + 2];
    wsprintfA(commandLine, "\"%s\"", self);
    BOOL started = CreateProcessA(self, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA("SFX_EXIT_WITH", nullptr);
    ASSERT_TRUE(started) << GetLastError();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 60000));
    DWORD code = 12345;
    ASSERT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(status, code);
  }
}
#endif
