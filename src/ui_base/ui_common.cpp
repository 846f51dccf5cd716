// Texts, message boxes, centring and number formats of the stub's dialogs.
#include "ui_base/ui_common.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "report/error_reporter.h"
#include "system/dbcs.h"

using ErrorReporter::FatalError, ErrorReporter::CurrentCaption;

namespace {
constexpr size_t CAPTION_SIZE = 80;  // the shared caption buffer: 79 characters and a zero

UINT boxStyle(MessageKind kind) {
  switch (kind) {
    case MessageKind::Question: return MB_ICONQUESTION | MB_YESNO;
    case MessageKind::DiskRequest: return MB_ICONEXCLAMATION | MB_OKCANCEL;
    case MessageKind::Notice: break;
  }
  return MB_ICONEXCLAMATION | MB_OK;
}

bool showBox(HWND owner, const char* caption, const char* text, MessageKind kind) {
  int answer = MessageBoxA(owner, text, caption, boxStyle(kind));
  return answer == IDOK || answer == IDYES;
}
}  // namespace

UiText::UiText(UINT id) : text_(new (std::nothrow) char[SIZE]) {
  if (!text_) FatalError(FATAL_NO_MEMORY, nullptr);
  if (LoadStringA(GetModuleHandleA(nullptr), id, text_, SIZE) <= 0) text_[0] = '\0';
}

UiText::~UiText() { delete[] text_; }

bool UiMessage(HWND owner, const char* text, MessageKind kind) {
  char caption[CAPTION_SIZE];
  if (owner) {
    GetWindowTextA(owner, caption, sizeof caption);
  } else {
    CopyBounded(caption, CurrentCaption(), sizeof caption);
  }
  return showBox(owner, caption, text, kind);
}

bool Win32MessageDisplay::show(ProgressLink* owner, const char* caption, const char* text,
                               MessageKind kind) {
  HWND window = owner ? static_cast<HWND>(owner->nativeWindow()) : nullptr;
  return showBox(window, caption, text, kind);
}

void CentreDialog(HWND dialog) {
  RECT desktop, box;
  GetWindowRect(GetDesktopWindow(), &desktop);
  GetWindowRect(dialog, &box);
  int width = box.right - box.left, height = box.bottom - box.top;
  SetWindowPos(dialog, nullptr, (desktop.left + desktop.right - width) / 2,
               (desktop.top + desktop.bottom - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
}

char* FormatGrouped(char* buffer, int64_t value) {
  // Digits from the right, then reversed into place with the group separators.
  char digits[24];
  int n = 0;
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  char* out = buffer;
  if (value < 0) *out++ = '-';
  for (int i = n - 1; i >= 0; --i) {
    *out++ = digits[i];
    if (i > 0 && i % 3 == 0) *out++ = ',';
  }
  *out = '\0';
  return buffer;
}

char* FormatKilobytes(char* buffer, int64_t kilobytes) {
  std::strcat(FormatGrouped(buffer, kilobytes), "K");
  return buffer;
}

void BarsToLineBreaks(char* text) {
  // 0x7C can be the second byte of a Shift-JIS character.
  for (char* p = text; *p; p = NextChar(p)) {
    if (*p == '|') *p = '\n';
  }
}

void FitTextToWidth(HWND control, const char* text, int width, char* destination, size_t size) {
  if (size == 0) return;
  ShortenMiddle(destination, size, text, size - 1);
  HDC dc = GetDC(control);
  if (!dc) return;
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0));
  HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
  auto fits = [dc, width](const char* t) {
    SIZE extent;
    return GetTextExtentPoint32A(dc, t, static_cast<int>(std::strlen(t)), &extent) && extent.cx <= width;
  };
  if (!fits(destination)) {
    // The longest limit whose shortened text fits: `low` fits (or is the bare "..."), `high`
    // does not.
    size_t low = 0, high = std::strlen(destination);
    while (low + 1 < high) {
      size_t middle = (low + high) / 2;
      ShortenMiddle(destination, size, text, middle);
      if (fits(destination)) low = middle;
      else high = middle;
    }
    ShortenMiddle(destination, size, text, low);
  }
  if (previous) SelectObject(dc, previous);
  ReleaseDC(control, dc);
}
