// The one place where failures become text: fatal errors (the process ends with the code),
// archive-format errors 150 to 155 (the process ends with code + 149) and warnings (shown or
// forwarded to the progress link as PROGRESS_WARNING, then processing goes on). Texts come
// from two fixed message tables in code page 932. Module EXTRACT.
#pragma once

#include "extract/front_end.h"

// What a fatal report releases before the process ends: the archive reader (its Release
// frees the local extra, ends the directory search and closes the archive).
class FatalReleasable {
 public:
  virtual void Release() = 0;

 protected:
  ~FatalReleasable() = default;
};

constexpr int FATAL_CANCELLED = 255;  // Cancel confirmed during a run: no message
constexpr int FORMAT_EXIT_OFFSET = 149;

[[noreturn]] void FatalError(int code, const char* argument);
[[noreturn]] void FormatError(int code, const char* argument);
void Warning(int code, const char* argument);

// Message table rows (null for a row number outside the table).
const char* FatalMessageText(int code);  // fatal codes 0..40 and 100..108, format codes 150..155
const char* WarningText(int code);       // 0..28

// The progress link of the session: while set, warnings go to it and it owns message boxes.
void SetProgressLink(ProgressLink* link);
ProgressLink* GetProgressLink();

// How messages are shown; without one, messages go to standard error.
void SetMessageDisplay(MessageDisplay* display);
MessageDisplay* GetMessageDisplay();

// The archive that a fatal report releases before the process ends.
void SetReportedArchive(FatalReleasable* archive);  // null when there is none

// Shows a message box owned by the progress link, with the shared caption rule: the linked
// window's title (at most 79 characters) when a window is linked, otherwise the title read
// last, or "ARKEX(R) for Windows" before any was read. Returns the display's answer.
bool ShowMessage(const char* text, MessageKind kind);
const char* CurrentCaption();
