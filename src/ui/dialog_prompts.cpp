// The questions the engine asks while a run is under way, as Win32 dialogs and message boxes,
// and the two small informational dialogs (text viewer, about box). Each dialog gets its data
// through the creation parameter and centres itself when it opens.
#include "ui/dialog_prompts.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "archive/zip_format.h"
#include "report/error_reporter.h"
#include "system/system.h"
#include "ui_base/resource.h"
#include "ui_base/ui_common.h"

using ErrorReporter::FatalError, ErrorReporter::GetProgressLink;

namespace {

// Room for the two templates, two full paths, two sizes and two date-times.
constexpr size_t QUESTION_SIZE = 2 * UiText::SIZE + 2 * SYS_PATH_MAX + 128;

// "hh:mm:ss" of the time half of a DOS date-time: hour bits 15-11, minute bits 10-5,
// seconds / 2 in bits 4-0.
void formatDosTime(char* buffer, size_t size, uint32_t dateTime) {
  uint16_t t = dosTimeOf(dateTime);
  std::snprintf(buffer, size, "%02d:%02d:%02d", t >> 11, (t >> 5) & 0x3F, (t & 0x1F) * 2);
}

int localDateOrder() {
  int order = SYS_DATE_MDY;
  bool clock24 = false;
  if (SysLoadLocale(&order, &clock24) != 0) order = SYS_DATE_MDY;
  return order;
}

// Appends one formatted part to `question`, cutting at the buffer's end.
void appendPart(char* question, const char* format, const char* a, const char* b,
                const char* c, const char* d) {
  size_t used = std::strlen(question);
  if (used + 1 >= QUESTION_SIZE) return;
  std::snprintf(question + used, QUESTION_SIZE - used, format, a, b, c, d);
}

// The parts of the overwrite question; the question is composed when the dialog opens,
// with the file name shortened to the width of the question's label.
struct OverwriteData {
  const char* outputName;
  bool exists;                    // the existing file was found: its figures are known
  char existingSize[32], existingDate[16], existingTime[16];
  char newSize[32], newDate[16], newTime[16];
  HWND owner;
};

// A long name keeps its end and loses its middle, so that it takes at most one line of the
// label and the sizes and dates of both files stay visible below it.
void composeOverwriteQuestion(HWND label, const OverwriteData& data, char* question) {
  char name[SYS_PATH_MAX];
  RECT box{};
  GetClientRect(label, &box);
  FitTextToWidth(label, data.outputName, box.right - box.left, name, sizeof name);
  question[0] = '\0';
  if (data.exists) {
    UiText existing(IDS_OVERWRITE_EXISTING);
    appendPart(question, existing.get(), name, data.existingSize, data.existingDate, data.existingTime);
  } else {
    appendPart(question, "%s", name, nullptr, nullptr, nullptr);
  }
  UiText incoming(IDS_OVERWRITE_NEW);
  appendPart(question, incoming.get(), data.newSize, data.newDate, data.newTime, nullptr);
}

INT_PTR CALLBACK overwriteProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* data = reinterpret_cast<OverwriteData*>(lParam);
      CentreDialog(dialog);
      char title[80] = "";
      if (data->owner) GetWindowTextA(data->owner, title, sizeof title);
      SetWindowTextA(dialog, title);
      SendDlgItemMessageA(dialog, IDC_QUESTION_ICON, STM_SETICON,
                          reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_QUESTION)), 0);
      char* question = new (std::nothrow) char[QUESTION_SIZE];
      if (!question) FatalError(FATAL_NO_MEMORY, nullptr);
      composeOverwriteQuestion(GetDlgItem(dialog, IDC_QUESTION_TEXT), *data, question);
      SetDlgItemTextA(dialog, IDC_QUESTION_TEXT, question);
      delete[] question;
      return TRUE;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == 0) {  // a button (Escape arrives as IDCANCEL)
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

struct PasswordData {
  const char* entryName;
  char typed[DialogPrompts::PASSWORD_SIZE];
};

INT_PTR CALLBACK passwordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* data = reinterpret_cast<PasswordData*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      CentreDialog(dialog);
      // One line: a long name loses its middle instead of wrapping behind the field below.
      HWND label = GetDlgItem(dialog, IDC_PASSWORD_NAME);
      RECT box{};
      GetClientRect(label, &box);
      char name[SYS_PATH_MAX];
      FitTextToWidth(label, data->entryName, box.right - box.left, name, sizeof name);
      SetWindowTextA(label, name);
      SetDlgItemTextA(dialog, IDC_PASSWORD_EDIT, "");
      return TRUE;
    }
    case WM_COMMAND: {
      if (HIWORD(wParam) != 0) break;
      int id = LOWORD(wParam);
      auto* data = reinterpret_cast<PasswordData*>(GetWindowLongPtrA(dialog, DWLP_USER));
      if (id == IDOK) {
        GetDlgItemTextA(dialog, IDC_PASSWORD_EDIT, data->typed, sizeof data->typed);
        data->typed[sizeof data->typed - 1] = '\0';
      }
      if (id == IDOK || id == IDCANCEL || id == IDC_SKIP_ALL) {
        EndDialog(dialog, id);
        return TRUE;
      }
      break;
    }
  }
  return FALSE;
}

struct ViewerData {
  const char* title;
  char* text;
};

INT_PTR CALLBACK viewerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* data = reinterpret_cast<ViewerData*>(lParam);
      CentreDialog(dialog);
      SetWindowTextA(dialog, data->title);
      SetDlgItemTextA(dialog, IDC_VIEWER_TEXT, data->text);
      delete[] data->text;  // the field holds its own copy now
      data->text = nullptr;
      SetFocus(GetDlgItem(dialog, IDCANCEL));
      return FALSE;  // focus set here
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_VIEWER_TEXT && HIWORD(wParam) == EN_SETFOCUS) {
        // The dialog manager selects a field's whole text when it gets the focus; undo that
        // once the focus change is complete.
        PostMessageA(reinterpret_cast<HWND>(lParam), EM_SETSEL, 0, 0);
        return TRUE;
      }
      if (HIWORD(wParam) == 0) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK aboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      CentreDialog(dialog);
      UiText line1(IDS_ABOUT_LINE1), line2(IDS_ABOUT_LINE2);
      BarsToLineBreaks(line1.data());
      BarsToLineBreaks(line2.data());
      SetDlgItemTextA(dialog, IDC_ABOUT_LINE1, line1.get());
      SetDlgItemTextA(dialog, IDC_ABOUT_LINE2, line2.get());
      return TRUE;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == 0) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

HWND DialogPrompts::owner() const {
  if (owner_) return owner_;
  ProgressLink* link = GetProgressLink();
  return link ? static_cast<HWND>(link->nativeWindow()) : nullptr;
}

int DialogPrompts::confirmOverwrite(const char* outputName, const EntryRecord* entry) {
  OverwriteData data{};
  data.outputName = outputName;
  data.owner = owner();
  int order = localDateOrder();
  FindRecord found;
  if (SysLookUp(outputName, &found) == 0) {
    data.exists = true;
    FormatGrouped(data.existingSize, found.size);
    SysFormatDate(found.written, order, data.existingDate);
    formatDosTime(data.existingTime, sizeof data.existingTime, found.written);
  }
  FormatGrouped(data.newSize, le32(entry + CDH_UNCOMPRESSED));
  SysFormatDate(entryDateTime(entry), order, data.newDate);
  formatDosTime(data.newTime, sizeof data.newTime, entryDateTime(entry));

  INT_PTR answer = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_OVERWRITE),
                                   data.owner, overwriteProc, reinterpret_cast<LPARAM>(&data));
  switch (answer) {
    case IDYES: return ANSWER_YES;
    case IDC_YES_TO_ALL: return ANSWER_YES_TO_ALL;
    case IDC_NO_TO_ALL: return ANSWER_NO_TO_ALL;
  }
  return ANSWER_NO;
}

int DialogPrompts::confirmDirectory(const char* outputPath) { return 0; }

int DialogPrompts::askLastDisk() {
  UiText text(IDS_LAST_DISK);
  return UiMessage(owner(), text.get(), MessageKind::DiskRequest) ? ANSWER_CONTINUE : ANSWER_GIVE_UP;
}

int DialogPrompts::askDisk(int diskNumber) {
  UiText format(IDS_DISK_N);
  UiText text(IDS_DISK_N);
  std::snprintf(text.data(), UiText::SIZE, format.get(), diskNumber);
  return UiMessage(owner(), text.get(), MessageKind::DiskRequest) ? ANSWER_CONTINUE : ANSWER_GIVE_UP;
}

void DialogPrompts::storedPassword(char* destination, size_t size) {
  if (size == 0) return;
  size_t n = std::strlen(password_);
  if (n > size - 1) n = size - 1;
  std::memcpy(destination, password_, n);
  destination[n] = '\0';
}

int DialogPrompts::askPassword(const char* entryName, char* destination, size_t size) {
  PasswordData data{entryName, ""};
  INT_PTR answer = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PASSWORD),
                                   owner(), passwordProc, reinterpret_cast<LPARAM>(&data));
  if (answer == IDOK) {
    // The stored password keeps at most min(size, 32) - 1 characters of what was typed.
    size_t keep = size < PASSWORD_SIZE ? size : PASSWORD_SIZE;
    keep = keep > 0 ? keep - 1 : 0;
    size_t n = std::strlen(data.typed);
    if (n > keep) n = keep;
    std::memcpy(password_, data.typed, n);
    password_[n] = '\0';
    storedPassword(destination, size);
    return PASSWORD_OK;
  }
  return answer == IDC_SKIP_ALL ? PASSWORD_SKIP_ALL : PASSWORD_SKIP;
}

void ShowTextViewer(HWND owner, const char* title, char* text) {
  ViewerData data{title, text};
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TEXT_VIEWER), owner, viewerProc,
                  reinterpret_cast<LPARAM>(&data));
  delete[] data.text;  // still owned when the dialog could not be created
}

void ShowAboutBox(HWND owner) {
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner, aboutProc, 0);
}
