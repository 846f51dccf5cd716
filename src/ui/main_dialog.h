// The main extraction dialog: the program's one window, hosted on the file-open common dialog
// in its old style (template 1000 and a hook procedure), which supplies the folder list, the
// drive list and keeps the current directory in step with them. The dialog is the session's
// front end (settings into the flags word, the extraction directory, Extract and Test) and
// its progress link (ProgressEvents are handled as the window messages 0x701..0x746).
#pragma once

#include <windows.h>

#include "session/session.h"
#include "ui/dialog_prompts.h"

class MainDialog : public SessionFrontEnd, public ProgressLink {
 public:
  // `desktop` runs the program group and extension steps; the caller keeps it alive.
  MainDialog(HINSTANCE instance, DesktopSteps* desktop);

  // ---- SessionFrontEnd
  UserPrompts* createPrompts() override;
  int showMainDialog(Session& session) override;
  void enterRunning(Session& session, bool test) override;
  int warningCount() override { return static_cast<int>(warnings_); }
  void endDialog(int result) override;
  void walkEnded(Session& session) override;
  DesktopSteps* desktopSteps() override { return desktop_; }

  // ---- ProgressLink: events are sent to the window and handled by its procedure
  void progress(ProgressEvent event, int code, const char* text) override;
  void title(char* buffer, size_t size) override;
  void* nativeWindow() override { return window_; }

  HICON icon() const { return icon_; }

 private:
  static UINT_PTR CALLBACK hookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  UINT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);

  void initialise();
  void fitSpaceFrame();
  void fitListRows();
  void openHighlightedFolder();
  void applyEnableRules(bool idle);
  void showIdle(bool idle);
  void enableInformation();
  void settingsToControls();
  void controlsToSettings();
  void showFreeSpaceAndDirectory();
  void handleProgress(UINT event, WPARAM code, const char* text);
  void showProgress();
  void pumpMessages();

  void onExtract();
  void onTest();
  void onCancel();
  void onInformation();
  void startRun(bool test);

  void setText(int id, const char* text);
  void setStringText(int id, UINT stringId);
  void enable(int id, bool on);
  bool checked(int id) const;

  HINSTANCE instance_;
  HICON icon_;
  HWND window_ = nullptr;
  Session* session_ = nullptr;
  DialogPrompts* prompts_ = nullptr;
  UINT selectionMessage_;        // "commdlg_LBSelChangedNotify"
  unsigned warnings_ = 0;        // warnings of the current or last run
  double extractedBytes_ = 0;    // never reset while the program runs
  uint32_t entryBytes_ = 0;      // decoded so far of an entry not finished yet
  DesktopSteps* desktop_;        // program group and file extensions after an extraction

  // What the progress line should show (kept exactly by every event), and what its labels
  // show now (repainted from the former at most every PROGRESS_REPAINT_MS).
  struct ProgressView {
    char status[64];
    char name[SYS_PATH_MAX];
    bool clearMark;
    bool dirty;
  };
  ProgressView view_{};
  struct {
    char status[64];
    char name[SYS_PATH_MAX];
  } shown_{};
  unsigned shownWarnings_ = 0;
  int64_t shownKilobytes_ = 0;
  DWORD lastRepaint_ = 0;
  DWORD lastPump_ = 0;  // the time of the last queue pump of a progress event
  char statusTested_[64] = {};
  char statusWarning_[64] = {};
  char statusExtracted_[64] = {};
  char statusSkipped_[64] = {};
  char statusTesting_[64] = {};
};
