// The end-to-end driver: a small console program that runs under the same Wine prefix and
// display as the stub. It starts the stub and reports its exact exit status (Wine's own
// status is cut to 8 bits), finds the stub's dialogs, reads and sets control texts, presses
// buttons and keys. Output texts are the controls' ANSI (code page 932) bytes.
//
//   driver run COMMANDLINE...          start, wait, print "EXITCODE=<n>", exit with <n>
//   driver wait SELECTOR [MS]          until a matching dialog is visible (exit 0, else 2)
//   driver gone SELECTOR [MS]          until no matching dialog is visible
//   driver text SELECTOR ID            print a control's text
//   driver statics SELECTOR            print the texts of all static controls, one a line
//   driver settext SELECTOR ID TEXT    set a control's text
//   driver click SELECTOR ID [ID...]   press buttons (posted WM_COMMAND, never blocks); several
//                                      ids are posted back to back, before the dialog runs
//   driver press SELECTOR ID           like a user's click: toggles a check box or radio
//                                      button (BM_CLICK), presses a push button as click
//                                      does; refuses a disabled or hidden control (exit 4)
//   driver key SELECTOR VK             a key press at the dialog's focus control
//   driver state SELECTOR ID           print "<enabled> <visible> <checked>" as 0/1 digits
//   driver waitstate SELECTOR ID E [MS] until the control's enabled state is E (0/1)
//   driver caption SELECTOR            print the dialog's title
//   driver dump SELECTOR               every control: id, class, state, text
//   driver choose SELECTOR ID ITEM     picks ITEM in a drop-down list (CBN_SELCHANGE) or
//                                      double-clicks it in a list box (LBN_DBLCLK)
//   driver launch SELECTOR COMMANDLINE...  starts a program without waiting for it and
//                                      prints the milliseconds until a matching dialog shows
//   driver extractrun DIR COMMANDLINE...  starts the stub, sets its directory field to DIR,
//                                      presses Extract as soon as the main dialog shows and
//                                      waits for the process: prints the milliseconds from
//                                      start to dialog, Extract to dialog gone, Extract to
//                                      exit and start to exit, and the exit status (one
//                                      process, so the figures hold no driver start-up);
//                                      DIR "-": a program without a dialog, only timed
//   driver timeclick SELECTOR ID [MS [FIRST DELAY]]  presses a button, prints the milliseconds
//                                      until a message box shows or the dialog is gone; with
//                                      FIRST, presses that button DELAY ms before (Cancel a
//                                      set time into a run)
//   driver frames SELECTOR GAP COUNT ID...  prints the texts of the controls, tab-separated,
//                                      COUNT times GAP ms apart (the progress line as it goes)
//   driver goon SELECTOR GAP ID...     answers No in the message box over the dialog, prints
//                                      two frames GAP ms apart as `frames` does, then presses
//                                      Cancel and prints the milliseconds as `timeclick` does
//                                      (one process: a run that has been let go on is timed
//                                      without a driver start-up between the steps)
//   driver keys SELECTOR ID VK...      gives the control the focus, then presses the keys there
//   driver rows SELECTOR ID POINTS FACE  prints a list's row height (list box or the drop-down
//                                      list of a combo box) and the text height
//                                      of the font FACE of POINTS points at the display's
//                                      resolution (the dialog's font), as "<row> <text>"
//   driver shortpath PATH              print the system's short form of an existing path
//   driver close TITLEPART [MS]        waits for visible top-level windows of any class but
//                                      dialogs whose title contains TITLEPART (the shell's
//                                      folder windows), closes them, prints how many
//
// A SELECTOR is a dialog kind, optionally followed by ':' and a part of the title: main
// (has the folder list 1121 or the directory field 1007 with button 1032), box (a message
// box: static 65535), overwrite (1017), password (1005), viewer (1004 edit), about (1140),
// any.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

constexpr int DEFAULT_WAIT_MS = 20000;

int usage();

struct Selector {
  char kind[32];
  const char* title;  // part of the title, or null
};

Selector parseSelector(const char* text) {
  Selector s{};
  const char* colon = std::strchr(text, ':');
  size_t n = colon ? static_cast<size_t>(colon - text) : std::strlen(text);
  if (n >= sizeof s.kind) n = sizeof s.kind - 1;
  std::memcpy(s.kind, text, n);
  s.title = colon ? colon + 1 : nullptr;
  return s;
}

bool hasControl(HWND dialog, int id, const char* className) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) return false;
  if (!className) return true;
  char c[64];
  GetClassNameA(control, c, sizeof c);
  return _stricmp(c, className) == 0;
}

bool kindMatches(HWND dialog, const char* kind) {
  if (!std::strcmp(kind, "any")) return true;
  if (!std::strcmp(kind, "main"))
    return hasControl(dialog, 1121, nullptr) || (hasControl(dialog, 1007, nullptr) && hasControl(dialog, 1032, nullptr));
  if (!std::strcmp(kind, "overwrite")) return hasControl(dialog, 1017, nullptr);
  if (!std::strcmp(kind, "password")) return hasControl(dialog, 1005, nullptr);
  if (!std::strcmp(kind, "viewer")) return hasControl(dialog, 1004, "Edit");
  if (!std::strcmp(kind, "about")) return hasControl(dialog, 1140, nullptr);
  // A message box: its text is static 65535, and it has none of the program's own ids.
  if (!std::strcmp(kind, "box")) {
    for (const char* other : {"main", "overwrite", "password", "viewer", "about"})
      if (kindMatches(dialog, other)) return false;
    return hasControl(dialog, 0xFFFF, "Static") && !hasControl(dialog, 1007, nullptr);
  }
  return false;
}

struct Search {
  Selector selector;
  HWND found;
};

BOOL CALLBACK visitTopLevel(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  char c[64], title[512];
  GetClassNameA(window, c, sizeof c);
  if (std::strcmp(c, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  GetWindowTextA(window, title, sizeof title);  // a top-level caption reads fine across processes
  if (search->selector.title && !std::strstr(title, search->selector.title)) return TRUE;
  if (!kindMatches(window, search->selector.kind)) return TRUE;
  search->found = window;
  return FALSE;
}

HWND findDialog(const Selector& selector) {
  Search search{selector, nullptr};
  EnumWindows(visitTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND waitDialog(const char* selectorText, int ms) {
  Selector selector = parseSelector(selectorText);
  for (int waited = 0;; waited += 50) {
    if (HWND dialog = findDialog(selector)) return dialog;
    if (waited >= ms) return nullptr;
    Sleep(50);
  }
}

// WM_GETTEXT is marshalled across processes; GetWindowText is not for child controls.
void readText(HWND control, char* text, int size) {
  text[0] = '\0';
  DWORD_PTR result = 0;
  SendMessageTimeoutA(control, WM_GETTEXT, size, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      5000, &result);
  text[size - 1] = '\0';
}

int checkState(HWND control) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
  return result == BST_CHECKED ? 1 : 0;
}

BOOL CALLBACK printStatic(HWND control, LPARAM) {
  char c[64], text[2048];
  GetClassNameA(control, c, sizeof c);
  if (_stricmp(c, "Static") != 0) return TRUE;
  readText(control, text, sizeof text);
  if (*text) std::printf("%s\n", text);
  return TRUE;
}

BOOL CALLBACK printControl(HWND control, LPARAM) {
  char c[64], text[512];
  GetClassNameA(control, c, sizeof c);
  readText(control, text, sizeof text);
  std::printf("%d\t%s\t%d%d%d\t%s\n", GetDlgCtrlID(control), c, IsWindowEnabled(control) ? 1 : 0,
              IsWindowVisible(control) ? 1 : 0, checkState(control), text);
  return TRUE;
}

// Visible top-level windows other than dialogs whose title contains a text.
struct WindowSearch {
  const char* title;
  int found;
  bool close;
};

BOOL CALLBACK visitOtherWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  char c[64], title[512];
  GetClassNameA(window, c, sizeof c);
  if (!std::strcmp(c, "#32770") || !IsWindowVisible(window)) return TRUE;
  GetWindowTextA(window, title, sizeof title);
  if (!std::strstr(title, search->title)) return TRUE;
  ++search->found;
  if (search->close) PostMessageA(window, WM_CLOSE, 0, 0);
  return TRUE;
}

int closeWindows(const char* title, int ms) {
  WindowSearch search{title, 0, false};
  for (int waited = 0;; waited += 50) {
    search.found = 0;
    EnumWindows(visitOtherWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found || waited >= ms) break;
    Sleep(50);
  }
  search.close = true;
  search.found = 0;
  EnumWindows(visitOtherWindow, reinterpret_cast<LPARAM>(&search));
  std::printf("%d\n", search.found);
  return 0;
}

// The driver's own command line after its first `words` words.
char* commandLineAfter(int words) {
  char* line = GetCommandLineA();
  for (int skip = 0; skip < words; ++skip) {
    while (*line == ' ') ++line;
    if (*line == '"') {
      ++line;
      while (*line && *line != '"') ++line;
      if (*line) ++line;
    } else {
      while (*line && *line != ' ') ++line;
    }
  }
  while (*line == ' ') ++line;
  return line;
}

bool startProgram(char* line, PROCESS_INFORMATION* process) {
  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  if (CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, process)) return true;
  std::printf("CreateProcess failed: %lu\n", GetLastError());
  return false;
}

// Runs the rest of the driver's own command line as a program and reports its exit status.
int runProgram() {
  PROCESS_INFORMATION process;
  if (!startProgram(commandLineAfter(2), &process)) return 1000;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  std::printf("EXITCODE=%lu\n", code);
  std::fflush(stdout);
  return static_cast<int>(code);
}

// Starts the program named by the rest of the command line and waits for its dialog; the
// program is left running. Polls often, so that the figure is a time and not a poll step.
int launchProgram(const char* selectorText) {
  Selector selector = parseSelector(selectorText);
  DWORD start = GetTickCount();
  PROCESS_INFORMATION process;
  if (!startProgram(commandLineAfter(3), &process)) return 1000;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  while (!findDialog(selector)) {
    if (GetTickCount() - start > static_cast<DWORD>(DEFAULT_WAIT_MS * 3)) return 2;
    Sleep(5);
  }
  std::printf("%lu\n", GetTickCount() - start);
  return 0;
}

void postClick(HWND dialog, int id);

int extractRun(const char* directory) {
  DWORD start = GetTickCount();
  PROCESS_INFORMATION process;
  if (!startProgram(commandLineAfter(3), &process)) return 1000;
  CloseHandle(process.hThread);
  if (!std::strcmp(directory, "-")) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    std::printf("total=%lu status=%lu\n", GetTickCount() - start, code);
    return 0;
  }
  Selector main = parseSelector("main");
  HWND dialog;
  while (!(dialog = findDialog(main))) {
    if (WaitForSingleObject(process.hProcess, 5) == WAIT_OBJECT_0) return 2;
  }
  DWORD shown = GetTickCount();
  DWORD_PTR result = 0;
  SendMessageTimeoutA(GetDlgItem(dialog, 1007), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(directory),
                      SMTO_ABORTIFHUNG, 5000, &result);
  DWORD pressed = GetTickCount();
  postClick(dialog, IDOK);
  // Three cheap questions per poll, as in timeClick, until the dialog goes.
  while (IsWindow(dialog) && IsWindowVisible(dialog) &&
         WaitForSingleObject(process.hProcess, 5) != WAIT_OBJECT_0) {
  }
  DWORD gone = GetTickCount();
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD ended = GetTickCount();
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  std::printf("dialog=%lu extract=%lu exit=%lu total=%lu status=%lu\n", shown - start, gone - pressed,
              ended - pressed, ended - start, code);
  return 0;
}

// Presses a button and waits for the run it starts to end: a message box (a completion or
// warning notice) shows, or the dialog itself goes away.
void postClick(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

int timeClick(HWND dialog, int id, int ms, int first, int delay) {
  if (first) {
    postClick(dialog, first);
    Sleep(static_cast<DWORD>(delay));
  }
  DWORD start = GetTickCount();
  postClick(dialog, id);
  Selector box = parseSelector("box");
  // A message box disables the dialog that owns it: while the dialog is enabled, three cheap
  // questions per poll suffice, so the polling takes little from the program it times
  // (going through every top-level window costs some forty requests to the window system).
  while (IsWindow(dialog) && IsWindowVisible(dialog) && (IsWindowEnabled(dialog) || !findDialog(box))) {
    if (GetTickCount() - start > static_cast<DWORD>(ms)) return 2;
    Sleep(5);
  }
  std::printf("%lu\n", GetTickCount() - start);
  return 0;
}

// A user's click on a control: a check box or radio button changes its state through
// BM_CLICK (which cannot open a box, so it may be sent and waited for); a push button is
// pressed as `click` presses it. A user cannot click a disabled or hidden control.
int pressControl(HWND dialog, HWND control, int id) {
  if (!IsWindowEnabled(control) || !IsWindowVisible(control)) {
    std::fprintf(stderr, "driver: control %d is %s\n", id, IsWindowEnabled(control) ? "hidden" : "disabled");
    return 4;
  }
  LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
  bool toggles = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                 type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE;
  if (!toggles) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    return 0;
  }
  DWORD_PTR result = 0;
  SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
  return 0;
}

// Waits until no dialog matches: 0, or 2 after MS milliseconds.
int waitGone(const Selector& selector, int ms) {
  for (int waited = 0; findDialog(selector); waited += 50) {
    if (waited >= ms) return 2;
    Sleep(50);
  }
  return 0;
}

// frames SELECTOR GAP COUNT ID...: one process, so the gap is a time and not a start-up.
// The controls' ids are argv[first] onwards.
int printFrames(HWND dialog, int gap, int count, int first, int argc, char** argv) {
  for (int frame = 0; frame < count; ++frame) {
    if (frame > 0) Sleep(static_cast<DWORD>(gap));
    for (int i = first; i < argc; ++i) {
      char text[512];
      readText(GetDlgItem(dialog, std::atoi(argv[i])), text, sizeof text);
      std::printf("%s%s", i > first ? "\t" : "", text);
    }
    std::printf("\n");
    std::fflush(stdout);
  }
  return 0;
}

// goon SELECTOR GAP ID...: the question that Cancel asked is answered No, the run goes on, and
// Cancel is pressed again, all within one process.
int goOn(HWND dialog, int argc, char** argv) {
  if (argc < 5) return usage();
  Selector boxes = parseSelector("box");
  HWND box = findDialog(boxes);
  if (!box) return 2;
  postClick(box, IDNO);
  if (waitGone(boxes, 3000)) return 2;
  printFrames(dialog, std::atoi(argv[3]), 2, 4, argc, argv);
  return timeClick(dialog, IDCANCEL, 10000, 0, 0);
}

// The focus moves through the dialog (WM_NEXTDLGCTL, as the Tab key moves it); the keys then
// reach the focused control through the dialog's own message loop.
int pressKeys(HWND dialog, HWND control, int argc, char** argv) {
  PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  GUITHREADINFO info;
  for (int waited = 0;; waited += 10) {
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus == control) break;
    if (waited >= 5000) return 2;
    Sleep(10);
  }
  for (int i = 4; i < argc; ++i) {
    WPARAM key = static_cast<WPARAM>(std::strtol(argv[i], nullptr, 0));
    PostMessageA(control, WM_KEYDOWN, key, 1);
    PostMessageA(control, WM_KEYUP, key, 0xC0000001);
  }
  return 0;
}

int printRows(HWND list, int points, const char* face) {
  char c[64];
  GetClassNameA(list, c, sizeof c);
  DWORD_PTR row = 0;
  SendMessageTimeoutA(list, _stricmp(c, "ComboBox") == 0 ? CB_GETITEMHEIGHT : LB_GETITEMHEIGHT, 0, 0,
                      SMTO_ABORTIFHUNG, 5000, &row);
  HDC dc = GetDC(nullptr);
  HFONT font = CreateFontA(-MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                           SHIFTJIS_CHARSET, 0, 0, 0, 0, face);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  std::printf("%lu %ld\n", static_cast<unsigned long>(row), static_cast<long>(metrics.tmHeight));
  return 0;
}

int usage() {
  std::fprintf(stderr, "driver: bad arguments (see the comment at the top of driver.cpp)\n");
  return 64;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const char* command = argv[1];
  if (!std::strcmp(command, "run")) return runProgram();
  if (argc < 3) return usage();
  int ms = DEFAULT_WAIT_MS;

  if (!std::strcmp(command, "shortpath")) {
    char shortPath[MAX_PATH];
    DWORD n = GetShortPathNameA(argv[2], shortPath, sizeof shortPath);
    if (n == 0 || n >= sizeof shortPath) return 2;
    std::printf("%s\n", shortPath);
    return 0;
  }
  if (!std::strcmp(command, "extractrun")) return argc > 3 ? extractRun(argv[2]) : usage();
  if (!std::strcmp(command, "launch")) return argc > 3 ? launchProgram(argv[2]) : usage();
  if (!std::strcmp(command, "close")) return closeWindows(argv[2], argc > 3 ? std::atoi(argv[3]) : 0);
  if (!std::strcmp(command, "gone")) return waitGone(parseSelector(argv[2]), argc > 3 ? std::atoi(argv[3]) : ms);
  if (!std::strcmp(command, "wait") && argc > 3) ms = std::atoi(argv[3]);
  if (!std::strcmp(command, "waitstate") && argc > 5) ms = std::atoi(argv[5]);
  HWND dialog = waitDialog(argv[2], ms);
  if (!dialog) {
    std::fprintf(stderr, "driver: no dialog matches '%s'\n", argv[2]);
    return 2;
  }
  if (!std::strcmp(command, "wait")) return 0;
  if (!std::strcmp(command, "caption")) {
    char title[512];
    GetWindowTextA(dialog, title, sizeof title);
    std::printf("%s\n", title);
    return 0;
  }
  if (!std::strcmp(command, "statics")) {
    EnumChildWindows(dialog, printStatic, 0);
    return 0;
  }
  if (!std::strcmp(command, "dump")) {
    EnumChildWindows(dialog, printControl, 0);
    return 0;
  }
  if (!std::strcmp(command, "key")) {
    if (argc < 4) return usage();
    GUITHREADINFO info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    HWND target = dialog;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus)
      target = info.hwndFocus;
    WPARAM key = static_cast<WPARAM>(std::strtol(argv[3], nullptr, 0));
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
    return 0;
  }

  if (argc < 4) return usage();
  int id = std::atoi(argv[3]);
  HWND control = GetDlgItem(dialog, id);
  if (!std::strcmp(command, "click")) {
    for (int i = 3; i < argc; ++i) {
      int button = std::atoi(argv[i]);
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
    }
    return 0;
  }
  if (!std::strcmp(command, "timeclick"))
    return timeClick(dialog, id, argc > 4 ? std::atoi(argv[4]) : 600000, argc > 6 ? std::atoi(argv[5]) : 0,
                     argc > 6 ? std::atoi(argv[6]) : 0);
  if (!std::strcmp(command, "frames"))
    return argc < 6 ? usage() : printFrames(dialog, std::atoi(argv[3]), std::atoi(argv[4]), 5, argc, argv);
  if (!std::strcmp(command, "goon")) return goOn(dialog, argc, argv);
  if (!control) {
    std::fprintf(stderr, "driver: no control %d\n", id);
    return 3;
  }
  if (!std::strcmp(command, "press")) return pressControl(dialog, control, id);
  if (!std::strcmp(command, "keys")) return pressKeys(dialog, control, argc, argv);
  if (!std::strcmp(command, "rows")) return argc > 5 ? printRows(control, std::atoi(argv[4]), argv[5]) : usage();
  if (!std::strcmp(command, "text")) {
    char text[2048];
    readText(control, text, sizeof text);
    std::printf("%s\n", text);
    return 0;
  }
  if (!std::strcmp(command, "settext")) {
    if (argc < 5) return usage();
    DWORD_PTR result = 0;
    SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]), SMTO_ABORTIFHUNG,
                        5000, &result);
    return 0;
  }
  if (!std::strcmp(command, "choose")) {
    if (argc < 5) return usage();
    char c[64];
    GetClassNameA(control, c, sizeof c);
    bool combo = _stricmp(c, "ComboBox") == 0;
    DWORD_PTR index = static_cast<DWORD_PTR>(-1);
    SendMessageTimeoutA(control, combo ? CB_FINDSTRINGEXACT : LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(argv[4]), SMTO_ABORTIFHUNG, 5000, &index);
    if (static_cast<LRESULT>(index) < 0) {
      std::fprintf(stderr, "driver: no item '%s'\n", argv[4]);
      return 3;
    }
    DWORD_PTR result = 0;
    SendMessageTimeoutA(control, combo ? CB_SETCURSEL : LB_SETCURSEL, index, 0, SMTO_ABORTIFHUNG, 5000, &result);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, combo ? CBN_SELCHANGE : LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(control));
    return 0;
  }
  if (!std::strcmp(command, "state")) {
    std::printf("%d %d %d\n", IsWindowEnabled(control) ? 1 : 0, IsWindowVisible(control) ? 1 : 0,
                checkState(control));
    return 0;
  }
  if (!std::strcmp(command, "waitstate")) {
    if (argc < 5) return usage();
    bool want = std::atoi(argv[4]) != 0;
    for (int waited = 0; (IsWindowEnabled(control) != FALSE) != want; waited += 10) {
      if (waited >= ms || !IsWindow(control)) return 2;
      Sleep(10);
    }
    return 0;
  }
  return usage();
}
