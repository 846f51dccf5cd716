// The stub's entry: restricts where DLLs may be loaded from, installs the message boxes of
// the error reporter and runs the one extraction session with the main dialog as its front
// end. The command line is not read: everything follows from the configuration block in the
// program's own file and from the user's choices in the dialog.
#include <windows.h>

#include "desktop/desktop_steps.h"
#include "report/error_reporter.h"
#include "session/session.h"
#include "ui/main_dialog.h"
#include "ui_base/ui_common.h"

using ErrorReporter::SetMessageDisplay;

namespace {

// A DLL planted beside a downloaded program must never be loaded: before anything can load
// a library on demand, search only the system directory (SetDefaultDllDirectories where the
// system has it), or at least take the current directory out of the search
// (SetDllDirectoryA("")). Both are looked up at run time so that the program still starts
// on systems that lack them.
void restrictDllSearch() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return;
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  constexpr DWORD SEARCH_SYSTEM32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault && setDefault(SEARCH_SYSTEM32)) return;
  auto setDirectory = reinterpret_cast<SetDllDirectoryFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
  if (setDirectory) setDirectory("");
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int) {
  restrictDllSearch();
  if (previous) return 0;
  Win32MessageDisplay display;
  SetMessageDisplay(&display);
  Win32DesktopSteps desktop;
  MainDialog dialog(instance, &desktop);
  Session session(dialog);
  return session.start();
}
