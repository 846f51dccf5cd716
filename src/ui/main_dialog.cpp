// The main extraction dialog on the old-style file-open common dialog. The hook procedure
// sees every message first: it initialises the controls from the session, turns Extract,
// Test, Cancel, About and Information into session calls, refreshes the free space and the
// directory field when the folder or drive list changes the current directory, and applies
// the engine's ProgressEvents, pumping the queue first so that Cancel and repainting are
// served while an entry loop runs inside a button's handler.
#include "ui/main_dialog.h"

#include <commdlg.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <new>

#include "archive/archive_reader.h"
#include "report/error_reporter.h"
#include "system/dbcs.h"
#include "ui_base/resource.h"
#include "ui_base/ui_common.h"

using ErrorReporter::FatalError, ErrorReporter::SetProgressLink;

namespace {

// Flags of the hosting request: long names, no validation, custom template, hook,
// read-only box hidden.
constexpr DWORD HOSTING_FLAGS =
    OFN_LONGNAMES | OFN_NOVALIDATE | OFN_ENABLETEMPLATE | OFN_ENABLEHOOK | OFN_HIDEREADONLY;
constexpr UINT PROGRESS_FIRST = 0x700;
constexpr UINT PROGRESS_LAST = 0x800;
// Posted to itself when the drive list changes: the common dialog changes the current
// directory but sends no list-selection message for a drive change.
constexpr UINT WM_DRIVE_CHANGED = WM_APP + 1;
constexpr uint16_t OVERWRITE_BITS = CFG_OVERWRITE_ALL | CFG_NEVER_OVERWRITE;
// The progress line is repainted at most this often (25 times a second: a person reads no
// faster, and every repaint is a synchronous round trip to the display).
constexpr DWORD PROGRESS_REPAINT_MS = 40;
constexpr UINT_PTR PROGRESS_TIMER = 1;
constexpr DWORD PROGRESS_PUMP_MS = 10;
// Size of the file-open request without the tail that Windows 2000 added (pvReserved,
// dwReserved, FlagsEx): 76 bytes. Systems of the Windows 4.0 family refuse the larger record.
// (OPENFILENAME_SIZE_VERSION_400A, whose header macro is no constant expression.)
constexpr DWORD REQUEST_SIZE_400 = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(REQUEST_SIZE_400 == 76, "the 32-bit record without the Windows 2000 tail");

// The controls that follow the idle state directly.
constexpr int IDLE_CONTROLS[] = {IDC_DIRECTORY, IDC_FOLDER_LIST, IDC_DRIVE_LIST, IDOK,
                                 IDC_TEST_BUTTON, IDC_ABOUT_BUTTON, IDC_INFO_BUTTON,
                                 IDC_MESSAGES, IDC_OVERWRITE_ASK, IDC_OVERWRITE_ALL,
                                 IDC_OVERWRITE_NEVER};
constexpr int RUNNING_CONTROLS[] = {IDC_EXTRACTED_LABEL, IDC_WARNINGS_LABEL, IDC_EXTRACTED,
                                    IDC_WARNINGS};

// True when the text's last character (walking double-byte characters as units) is '\'
// and the character before it is not ':'; `cut` receives the offset of that '\'.
bool trailingSeparator(const char* text, size_t* cut) {
  const char* last = nullptr;
  const char* previous = nullptr;
  for (const char* p = text; *p; p = NextChar(p)) {
    previous = last;
    last = p;
  }
  if (!last || last == text || *last != '\\' || (previous && *previous == ':')) return false;
  *cut = static_cast<size_t>(last - text);
  return true;
}

// A bounded copy that never cuts a double-byte character in two.
void copyText(char* destination, const char* text, size_t size) {
  size_t n = 0;
  if (text) {
    while (text[n] && n + 1 < size) {
      size_t step = (IsDBCSLeadByte(static_cast<BYTE>(text[n])) && text[n + 1]) ? 2 : 1;
      if (n + step >= size) break;
      n += step;
    }
    std::memcpy(destination, text, n);
  }
  destination[n] = '\0';
}

void loadStatus(UINT id, char* destination, size_t size) {
  UiText text(id);
  copyText(destination, text.get(), size);
}

}  // namespace

MainDialog::MainDialog(HINSTANCE instance, DesktopSteps* desktop)
    : instance_(instance),
      icon_(LoadIconA(instance, MAKEINTRESOURCEA(IDI_PROGRAM))),
      selectionMessage_(RegisterWindowMessageA("commdlg_LBSelChangedNotify")),
      desktop_(desktop) {}

UserPrompts* MainDialog::createPrompts() {
  prompts_ = new (std::nothrow) DialogPrompts;
  return prompts_;
}

int MainDialog::showMainDialog(Session& session) {
  session_ = &session;
  UiText title(IDS_TITLE);
  OPENFILENAMEA request;
  std::memset(&request, 0, sizeof request);
  request.lStructSize = REQUEST_SIZE_400;
  request.hInstance = instance_;
  request.Flags = HOSTING_FLAGS;
  request.lCustData = reinterpret_cast<LPARAM>(this);
  request.lpTemplateName = MAKEINTRESOURCEA(IDD_FULL_LAYOUT);
  request.lpfnHook = hookProc;
  request.lpstrInitialDir = session.initialDirectory();
  // Without a title of its own, the common dialog replaces the template's caption.
  request.lpstrTitle = title.get();
  int result = GetOpenFileNameA(&request);
  window_ = nullptr;
  return result;
}

void MainDialog::endDialog(int result) {
  if (window_) EndDialog(window_, result);
}

// The event is handled at once, as the dialog procedure handles the window message of that
// number. It is not sent through the window: the common dialog's own procedure and the hook
// would look up their window properties for every event, each look-up a round trip to the
// window system on some systems (six per entry, more than a small entry's decoding).
void MainDialog::progress(ProgressEvent event, int code, const char* text) {
  if (window_) handle(event, static_cast<WPARAM>(code), reinterpret_cast<LPARAM>(text));
}

void MainDialog::title(char* buffer, size_t size) {
  if (size == 0) return;
  buffer[0] = '\0';
  if (window_) GetWindowTextA(window_, buffer, static_cast<int>(size));
}

UINT_PTR CALLBACK MainDialog::hookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MainDialog* self;
  if (message == WM_INITDIALOG) {
    auto* request = reinterpret_cast<OPENFILENAMEA*>(lParam);
    self = reinterpret_cast<MainDialog*>(request->lCustData);
    SetPropA(window, "MainDialog", self);
    self->window_ = window;
  } else {
    self = static_cast<MainDialog*>(GetPropA(window, "MainDialog"));
  }
  return self ? self->handle(message, wParam, lParam) : 0;
}

UINT_PTR MainDialog::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= PROGRESS_FIRST && message <= PROGRESS_LAST) {
    // Each look at the queue is a round trip to the window system (13 microseconds under
    // Wine, more than testing a small entry takes, and several reads of the display's
    // connection), so the events of PROGRESS_PUMP_MS share one: Cancel and repainting are
    // still served within a hundredth of a second. (Windows' clock ticks every 10-16 ms,
    // Wine's every millisecond: an interval, not the tick, keeps the two alike.)
    DWORD now = GetTickCount();
    if (now - lastPump_ >= PROGRESS_PUMP_MS) {
      lastPump_ = now;
      pumpMessages();
    }
    handleProgress(message, wParam, reinterpret_cast<const char*>(lParam));
    return TRUE;
  }
  if (message == selectionMessage_ || message == WM_DRIVE_CHANGED) {
    showFreeSpaceAndDirectory();
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG:
      initialise();
      return TRUE;
    case WM_ERASEBKGND:
      return IsIconic(window_) ? TRUE : FALSE;
    case WM_PAINT:
      if (!IsIconic(window_)) return FALSE;
      {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window_, &paint);
        DrawIcon(dc, 0, 0, icon_);
        EndPaint(window_, &paint);
      }
      return TRUE;
    case WM_TIMER:
      if (wParam != PROGRESS_TIMER) return FALSE;
      showProgress();
      return TRUE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<UINT_PTR>(icon_);
    case WM_GETICON:
      return wParam == ICON_BIG ? reinterpret_cast<UINT_PTR>(icon_) : 0;
    case WM_DESTROY:
      RemovePropA(window_, "MainDialog");
      return FALSE;
    case WM_COMMAND:
      break;
    default:
      return FALSE;
  }
  int id = LOWORD(wParam), code = HIWORD(wParam);
  if (id == IDC_DRIVE_LIST && code == CBN_SELCHANGE) {
    // The common dialog handles the change after us; read the new directory afterwards.
    PostMessageA(window_, WM_DRIVE_CHANGED, 0, 0);
    return FALSE;
  }
  if (code != 0) return FALSE;
  // During a run only Cancel is served: the Enter key reaches the default button even while
  // it is disabled, and a second run inside the first one must never start.
  if (session_->running() && id != IDCANCEL) return TRUE;
  switch (id) {
    case IDOK:
      // Enter in the folder list opens the highlighted folder, as a double-click does; a
      // click on the button moves the focus to it.
      if (GetFocus() == GetDlgItem(window_, IDC_FOLDER_LIST)) openHighlightedFolder();
      else onExtract();
      return TRUE;
    case IDC_TEST_BUTTON: onTest(); return TRUE;
    case IDCANCEL: onCancel(); return TRUE;
    case IDC_ABOUT_BUTTON: ShowAboutBox(window_); return TRUE;
    case IDC_INFO_BUTTON: onInformation(); return TRUE;
  }
  return FALSE;
}

// ---- initialisation -----------------------------------------------------------------------

void MainDialog::initialise() {
  SetProgressLink(this);
  CentreDialog(window_);
  char text[SYS_PATH_MAX + 64];
  GetWindowTextA(window_, text, 64);
  std::strncat(text, session_->modulePath(), SYS_PATH_MAX);
  SetWindowTextA(window_, text);
  SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  fitSpaceFrame();
  fitListRows();
  setStringText(IDC_BANNER, IDS_BANNER);
  loadStatus(IDS_STATUS_TESTED, statusTested_, sizeof statusTested_);
  loadStatus(IDS_STATUS_WARNING, statusWarning_, sizeof statusWarning_);
  loadStatus(IDS_STATUS_EXTRACTED, statusExtracted_, sizeof statusExtracted_);
  loadStatus(IDS_STATUS_SKIPPED, statusSkipped_, sizeof statusSkipped_);
  loadStatus(IDS_STATUS_TESTING, statusTesting_, sizeof statusTesting_);
  applyEnableRules(true);
  showIdle(true);
  enableInformation();
  FormatKilobytes(text, static_cast<int64_t>(session_->requiredKilobytes()));
  setText(IDC_REQUIRED, text);
  settingsToControls();
  showFreeSpaceAndDirectory();
  if (const char* directory = session_->config().defaultDirectory()) setText(IDC_DIRECTORY, directory);
}

// The frame around the space figures reaches down to the folder list's bottom, or at least
// to just below the warning label.
void MainDialog::fitSpaceFrame() {
  HWND folders = GetDlgItem(window_, IDC_FOLDER_LIST);
  HWND frame = GetDlgItem(window_, IDC_SPACE_FRAME);
  HWND label = GetDlgItem(window_, IDC_WARNINGS_LABEL);
  if (!folders || !frame || !label) return;
  RECT list, box, warn;
  GetWindowRect(folders, &list);
  GetWindowRect(frame, &box);
  GetWindowRect(label, &warn);
  int height = list.bottom - list.top;
  if (warn.bottom - box.top + 2 > height) height = warn.bottom - box.top + 2;
  SetWindowPos(frame, nullptr, 0, 0, box.right - box.left, height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The common dialog makes the rows of the folder list and of the drive list's drop-down as
// high as their 16-pixel bitmaps; at a higher resolution the font needs more, and the names
// would be cut. (The drive list's selection field is sized apart and is left as it is.)
void MainDialog::fitListRows() {
  HWND folders = GetDlgItem(window_, IDC_FOLDER_LIST);
  HWND drives = GetDlgItem(window_, IDC_DRIVE_LIST);
  if (!folders || !drives) return;
  HDC dc = GetDC(folders);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(folders, WM_GETFONT, 0, 0)));
  TEXTMETRICA metrics;
  bool measured = GetTextMetricsA(dc, &metrics) != 0;
  SelectObject(dc, old);
  ReleaseDC(folders, dc);
  if (!measured) return;
  if (SendMessageA(folders, LB_GETITEMHEIGHT, 0, 0) < metrics.tmHeight)
    SendMessageA(folders, LB_SETITEMHEIGHT, 0, metrics.tmHeight);
  if (SendMessageA(drives, CB_GETITEMHEIGHT, 0, 0) < metrics.tmHeight)
    SendMessageA(drives, CB_SETITEMHEIGHT, 0, metrics.tmHeight);
}

// The common dialog opens a folder on a double-click in its list; Enter there asks the same.
void MainDialog::openHighlightedFolder() {
  HWND list = GetDlgItem(window_, IDC_FOLDER_LIST);
  if (SendMessageA(list, LB_GETCURSEL, 0, 0) == LB_ERR) return;
  SendMessageA(window_, WM_COMMAND, MAKEWPARAM(IDC_FOLDER_LIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
}

void MainDialog::applyEnableRules(bool idle) {
  for (int id : IDLE_CONTROLS) enable(id, idle);
  const ConfigBlock& config = session_->config();
  enable(IDC_SUBDIRS, idle && session_->hasSubdirectories());
  enable(IDC_PROGRAM_GROUP, idle && config.programGroup() != nullptr);
  enable(IDC_EXTENSIONS, idle && config.extensions() != nullptr);
  enable(IDC_RUN_AFTER, false);  // no run command exists
  for (int id : RUNNING_CONTROLS) enable(id, !idle);
}

void MainDialog::showIdle(bool idle) {
  ShowWindow(GetDlgItem(window_, IDC_BANNER), idle ? SW_SHOW : SW_HIDE);
  for (int id : {IDC_STATUS_WORD, IDC_PROGRESS_NAME, IDC_PROGRESS_MARK})
    ShowWindow(GetDlgItem(window_, id), idle ? SW_HIDE : SW_SHOW);
}

void MainDialog::enableInformation() {
  ArchiveReader* archive = session_->archive();
  enable(IDC_INFO_BUTTON, archive && archive->commentLength() != 0);
}

void MainDialog::settingsToControls() {
  ConfigBlock& config = session_->config();
  char text[UiText::SIZE + SYS_PATH_MAX];
  if (const char* group = config.programGroup()) {
    GetDlgItemTextA(window_, IDC_PROGRAM_GROUP, text, UiText::SIZE);
    std::strncat(text, group, SYS_PATH_MAX - 1);
    setText(IDC_PROGRAM_GROUP, text);
  }
  if (config.extensions()) {
    GetDlgItemTextA(window_, IDC_EXTENSIONS, text, UiText::SIZE);
    std::strncat(text, config.extensionListText(), SYS_PATH_MAX - 1);
    setText(IDC_EXTENSIONS, text);
  }
  uint16_t flags = config.flags();
  int radio = IDC_OVERWRITE_ASK;
  if ((flags & OVERWRITE_BITS) == CFG_OVERWRITE_ALL) radio = IDC_OVERWRITE_ALL;
  if ((flags & OVERWRITE_BITS) == CFG_NEVER_OVERWRITE) radio = IDC_OVERWRITE_NEVER;
  CheckRadioButton(window_, IDC_OVERWRITE_ASK, IDC_OVERWRITE_NEVER, radio);
  CheckDlgButton(window_, IDC_SUBDIRS, (flags & CFG_SUBDIRS) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window_, IDC_MESSAGES, (flags & CFG_MESSAGES) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window_, IDC_PROGRAM_GROUP, (flags & CFG_PROGRAM_GROUP) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window_, IDC_EXTENSIONS, (flags & CFG_EXTENSIONS) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window_, IDC_RUN_AFTER, BST_UNCHECKED);
}

void MainDialog::controlsToSettings() {
  uint16_t flags = session_->config().flags();
  flags &= ~(OVERWRITE_BITS | CFG_SUBDIRS | CFG_MESSAGES | CFG_PROGRAM_GROUP | CFG_EXTENSIONS);
  if (checked(IDC_OVERWRITE_NEVER)) flags |= CFG_NEVER_OVERWRITE;
  if (checked(IDC_OVERWRITE_ALL)) flags |= CFG_OVERWRITE_ALL;
  if (checked(IDC_SUBDIRS)) flags |= CFG_SUBDIRS;
  if (checked(IDC_MESSAGES)) flags |= CFG_MESSAGES;
  if (checked(IDC_PROGRAM_GROUP)) flags |= CFG_PROGRAM_GROUP;
  if (checked(IDC_EXTENSIONS)) flags |= CFG_EXTENSIONS;
  session_->config().setFlags(flags);
}

// Free kilobytes of the current drive and the current directory. GetDiskFreeSpaceExA gives
// the true figure (Windows 95 OSR2 and NT 4.0 on); it is looked up at run time so that the
// program still starts without it. The old call, on some systems, reports at most 2 GB;
// its cluster product is taken in 64 bits (small clusters overflow 32 on a large drive).
void MainDialog::showFreeSpaceAndDirectory() {
  using FreeSpaceEx = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
  static const auto freeSpaceEx = reinterpret_cast<FreeSpaceEx>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("KERNEL32"), "GetDiskFreeSpaceExA")));
  char text[SYS_PATH_MAX];
  ULARGE_INTEGER available, total, totalFree;
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (freeSpaceEx && freeSpaceEx(nullptr, &available, &total, &totalFree)) {
    FormatKilobytes(text, static_cast<int64_t>(available.QuadPart / 1024));
  } else if (GetDiskFreeSpaceA(nullptr, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) {
    uint64_t clusterSize = static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector;
    FormatKilobytes(text, static_cast<int64_t>(clusterSize * freeClusters / 1024));
  } else {
    std::strcpy(text, "?");
  }
  setText(IDC_FREE, text);
  if (GetCurrentDirectoryA(sizeof text, text)) setText(IDC_DIRECTORY, text);
}

// ---- progress -------------------------------------------------------------------------------

void MainDialog::pumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) break;
    if (window_ && IsDialogMessageA(window_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// The events only change what the progress line should show; the labels are repainted
// from it at most every PROGRESS_REPAINT_MS (each label change is a synchronous repaint,
// which under some systems costs more than the entry itself). A warning is shown at once;
// the timer of the run shows a state that arrived just before a pause (a question, the
// completion notice), and walkEnded shows the final state before the completion messages.
void MainDialog::handleProgress(UINT event, WPARAM code, const char* text) {
  ProgressView& v = view_;
  // What an unfinished entry decoded counts until its own result arrives.
  if (event != PROGRESS_DECODING) entryBytes_ = 0;
  switch (event) {
    case PROGRESS_DECODING:
      if (!session_->sizeTallyOff()) entryBytes_ = static_cast<uint32_t>(code);
      break;
    case PROGRESS_FILE:
      v.clearMark = true;
      copyText(v.name, text, sizeof v.name);
      break;
    case PROGRESS_TESTED:
      copyText(v.status, statusTested_, sizeof v.status);
      break;
    case PROGRESS_WARNING:
      ++warnings_;
      copyText(v.status, statusWarning_, sizeof v.status);
      v.clearMark = true;
      copyText(v.name, text, sizeof v.name);
      v.dirty = true;
      showProgress();
      if (session_->config().flags() & CFG_MESSAGES) UiMessage(window_, text, MessageKind::Notice);
      return;
    case PROGRESS_EXTRACTED:
      // The engine hands over the size it wrote, so nothing is looked up on disk.
      if (!session_->sizeTallyOff()) extractedBytes_ += static_cast<uint32_t>(code);
      copyText(v.status, statusExtracted_, sizeof v.status);
      break;
    case PROGRESS_ACTION:
      copyText(v.status, text, sizeof v.status);
      break;
    case PROGRESS_SKIPPED:
      copyText(v.status, statusSkipped_, sizeof v.status);
      v.clearMark = true;
      copyText(v.name, text, sizeof v.name);
      break;
    case PROGRESS_TESTING:
      copyText(v.status, statusTesting_, sizeof v.status);
      v.name[0] = '\0';
      v.clearMark = true;
      break;
    default:
      return;
  }
  v.dirty = true;
  if (GetTickCount() - lastRepaint_ >= PROGRESS_REPAINT_MS) showProgress();
}

// Repaints the labels of the progress line whose text differs from what they show.
void MainDialog::showProgress() {
  ProgressView& v = view_;
  if (!v.dirty) return;
  v.dirty = false;
  lastRepaint_ = GetTickCount();
  if (std::strcmp(v.status, shown_.status) != 0) {
    setText(IDC_STATUS_WORD, v.status);
    copyText(shown_.status, v.status, sizeof shown_.status);
  }
  if (v.clearMark) {
    setText(IDC_PROGRESS_MARK, "");
    v.clearMark = false;
  }
  if (std::strcmp(v.name, shown_.name) != 0) {
    setText(IDC_PROGRESS_NAME, v.name);
    copyText(shown_.name, v.name, sizeof shown_.name);
  }
  if (warnings_ != shownWarnings_) {
    char count[16];
    std::snprintf(count, sizeof count, "%u", warnings_);
    setText(IDC_WARNINGS, count);
    shownWarnings_ = warnings_;
  }
  // The extracted total in kilobytes, rounded up, with what the current entry has decoded.
  int64_t kilobytes = static_cast<int64_t>((extractedBytes_ + entryBytes_ + 1023.0) / 1024.0);
  if (kilobytes != shownKilobytes_) {
    char figure[32];
    FormatKilobytes(figure, kilobytes);
    setText(IDC_EXTRACTED, figure);
    shownKilobytes_ = kilobytes;
  }
}

void MainDialog::walkEnded(Session&) {
  showProgress();
  if (window_) KillTimer(window_, PROGRESS_TIMER);
}

// ---- buttons --------------------------------------------------------------------------------

void MainDialog::onExtract() {
  char typed[SYS_PATH_MAX], full[SYS_PATH_MAX];
  GetDlgItemTextA(window_, IDC_DIRECTORY, typed, sizeof typed);
  size_t cut;
  if (trailingSeparator(typed, &cut)) typed[cut] = '\0';
  DWORD n = GetFullPathNameA(typed, sizeof full, full, nullptr);
  if (n == 0 || n >= sizeof full) std::strcpy(full, typed);
  setText(IDC_DIRECTORY, full);
  session_->setExtractionDirectory(full);
  if (full[0] && full[1] == ':') {
    char drive[3] = {full[0], ':', '\0'};
    SetCurrentDirectoryA(drive);
  }
  if (SetCurrentDirectoryA(full)) {
    startRun(false);
    return;
  }
  UiText format(IDS_CREATE_DIRECTORY);
  char question[UiText::SIZE + SYS_PATH_MAX];
  std::snprintf(question, sizeof question, format.get(), full);
  if (!UiMessage(window_, question, MessageKind::Question)) return;
  if (session_->prepareDirectory(full)) {
    startRun(false);
    return;
  }
  UiText failure(IDS_CANNOT_CREATE);
  std::snprintf(question, sizeof question, "%s%s", failure.get(), full);
  UiMessage(window_, question, MessageKind::Notice);
}

void MainDialog::onTest() {
  session_->setSizeTallyOff(true);
  startRun(true);
  showProgress();
  session_->setSizeTallyOff(false);
  applyEnableRules(true);
  showIdle(true);
  enableInformation();
}

void MainDialog::startRun(bool test) {
  controlsToSettings();
  // The session unlinks the dialog after every run; link it again so that the events and
  // warnings of a later run (after a test) reach the dialog and are counted.
  SetProgressLink(this);
  session_->run(test);
}

void MainDialog::enterRunning(Session& session, bool test) {
  // Each run counts its own warnings: the figure of a test must not become that of the
  // extraction after it (its completion message and the questions before the desktop steps).
  warnings_ = 0;
  shownWarnings_ = 0;
  setText(IDC_WARNINGS, "0");
  applyEnableRules(false);
  if (test) {
    enable(IDC_EXTRACTED_LABEL, false);
    enable(IDC_EXTRACTED, false);
  }
  showIdle(false);
  SetTimer(window_, PROGRESS_TIMER, PROGRESS_REPAINT_MS, nullptr);
  SetFocus(GetDlgItem(window_, IDCANCEL));
  if (prompts_) prompts_->setOwner(window_);
}

void MainDialog::onCancel() {
  UiText question(IDS_QUIT);
  if (!UiMessage(window_, question.get(), MessageKind::Question)) return;
  // During the entry loop this ends the process with status 255 and does not return.
  if (!IsWindowEnabled(GetDlgItem(window_, IDOK))) session_->cancelConfirmed();
  EndDialog(window_, DIALOG_CANCELLED);
}

void MainDialog::onInformation() {
  ArchiveReader* archive = session_->archive();
  if (!archive || !archive->comment()) return;
  size_t length = archive->commentLength();
  char* copy = new (std::nothrow) char[length + 1];
  if (!copy) FatalError(FATAL_NO_MEMORY, nullptr);
  std::memcpy(copy, archive->comment(), length);
  copy[length] = '\0';
  char caption[80];
  GetWindowTextA(window_, caption, sizeof caption);
  ShowTextViewer(window_, caption, copy);
}

// ---- control helpers (an absent control is left alone) ----------------------------------------

void MainDialog::setText(int id, const char* text) {
  if (HWND control = GetDlgItem(window_, id)) SetWindowTextA(control, text ? text : "");
}

void MainDialog::setStringText(int id, UINT stringId) {
  UiText text(stringId);
  BarsToLineBreaks(text.data());
  setText(id, text.get());
}

void MainDialog::enable(int id, bool on) {
  if (HWND control = GetDlgItem(window_, id)) EnableWindow(control, on);
}

bool MainDialog::checked(int id) const {
  return IsDlgButtonChecked(window_, id) == BST_CHECKED;
}
