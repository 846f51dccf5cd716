// Helpers shared by the stub's dialogs: texts from the string table (a fresh 256-byte buffer
// per use, released by the holder), message boxes with the program's caption and icon
// rules, centring on the desktop, and the number formats of the dialogs.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "report/front_end.h"

// One string-table text in its own 256-byte buffer (255 bytes of text at most), released
// when the holder goes. Running out of memory is the out-of-memory report (code 100).
class UiText {
 public:
  explicit UiText(UINT id);
  ~UiText();
  UiText(const UiText&) = delete;
  UiText& operator=(const UiText&) = delete;
  const char* get() const { return text_; }
  char* data() { return text_; }
  static constexpr size_t SIZE = 256;

 private:
  char* text_;
};

// A box owned by `owner` (may be null): captioned with the owner's title (at most 79
// characters) or, without an owner, with the shared caption of the error reporter. Notices
// carry the exclamation icon and OK, questions the question icon and Yes/No, disk requests
// the exclamation icon with OK and Cancel. True for OK or Yes.
bool UiMessage(HWND owner, const char* text, MessageKind kind);

// The message display of the error reporter: message boxes owned by the linked window.
class Win32MessageDisplay : public MessageDisplay {
 public:
  bool show(ProgressLink* owner, const char* caption, const char* text, MessageKind kind) override;
};

// Moves `dialog` to the middle of the desktop without repainting.
void CentreDialog(HWND dialog);

// Decimal with ',' before every group of three digits from the right ("1,234,567").
// `buffer` holds at least 32 bytes.
char* FormatGrouped(char* buffer, int64_t value);
// A number of kilobytes as a K figure: grouped decimal and "K" ("5,496K").
char* FormatKilobytes(char* buffer, int64_t kilobytes);

// `text` shortened in the middle (ShortenMiddle: "..." in place of its middle, cut between
// characters) until it is at most `width` pixels wide in the font of `control`, so that a
// long path leaves the rest of its label visible. `destination` holds `size` bytes.
void FitTextToWidth(HWND control, const char* text, int width, char* destination, size_t size);

// Replaces every '|' of a stored text by a line break.
void BarsToLineBreaks(char* text);
