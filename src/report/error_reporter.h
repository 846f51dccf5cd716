// The one place where failures become text: fatal errors (the process ends with the code),
// archive-format errors 150 to 155 (the process ends with code + 149) and warnings (shown or
// forwarded to the progress link as PROGRESS_WARNING, then processing goes on). Texts come
// from two fixed message tables in code page 932. Module EXTRACT.
#pragma once

#include "report/front_end.h"

// What a fatal report releases before the process ends: the output being written (its
// Release removes an unfinished file, so an existing file keeps its old contents) and the
// archive reader (its Release frees the local extra, ends the directory search and closes
// the archive).
class FatalReleasable {
 public:
  virtual void Release() = 0;

 protected:
  ~FatalReleasable() = default;
};

// Fatal errors: the process ends with the code as its status.
constexpr int FATAL_DISK_FULL = 11;            // an output write came short
constexpr int FATAL_ARCHIVE_NOT_FOUND = 12;    // no file matches the archive name
constexpr int FATAL_ARCHIVE_UNREADABLE = 13;   // the archive cannot be opened
constexpr int FATAL_WRITE_ACCESS = 16;         // opening failed with access denied
constexpr int FATAL_ABORTED = 19;              // a disk prompt was cancelled
constexpr int FATAL_SPLIT_MODIFY = 21;         // a writing action on a split archive
constexpr int FATAL_NOT_READY = 24;            // the archive's drive is not ready
constexpr int FATAL_NO_MEMORY = 100;           // the out-of-memory report (prompts, texts, start-up)
constexpr int FATAL_NO_MEMORY_DIRECTORY = 103; // entry table or directory block
constexpr int FATAL_NO_MEMORY_EXTRACT = 105;   // extraction buffers
constexpr int FATAL_CANCELLED = 255;           // Cancel confirmed during a run: no message

// Archive-format errors: the process ends with code + FORMAT_EXIT_OFFSET (299 to 304).
constexpr int FORMAT_READ = 150;               // a read failed, or no central header where announced
constexpr int FORMAT_TOO_SMALL = 151;          // shorter than an end record
constexpr int FORMAT_NO_END_RECORD = 152;      // no end record, or fewer central records than announced
constexpr int FORMAT_TRUNCATED = 153;          // an exact read came short
constexpr int FORMAT_LOCAL_HEADER = 154;       // bad local header signature or CRC
constexpr int FORMAT_TOO_MANY = 155;           // too many entries
constexpr int FORMAT_EXIT_OFFSET = 149;

// Warnings: shown or forwarded, then the run goes on.
constexpr int WARN_CANNOT_CREATE = 1;
constexpr int WARN_BAD_PATH = 2;
constexpr int WARN_VERSION = 3;
constexpr int WARN_CRC = 4;
constexpr int WARN_STORED_SIZE = 5;
constexpr int WARN_UNEXPECTED_END = 12;
constexpr int WARN_ENCRYPTED_SKIPPED = 13;
constexpr int WARN_UNKNOWN_METHOD = 18;
constexpr int WARN_BAD_PASSWORD = 20;
constexpr int WARN_NTFS_MEMORY = 27;

// The reporter's operations, one service for every layer above it.
namespace ErrorReporter {

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
// The output that a fatal or format report releases first (the extraction context).
void SetReportedOutput(FatalReleasable* output);  // null when there is none
FatalReleasable* GetReportedOutput();

// Shows a message box owned by the progress link, with the shared caption rule: the linked
// window's title (at most 79 characters) when a window is linked, otherwise the title read
// last, or "ARKEX(R) for Windows" before any was read. Returns the display's answer.
bool ShowMessage(const char* text, MessageKind kind);
const char* CurrentCaption();

}  // namespace ErrorReporter
