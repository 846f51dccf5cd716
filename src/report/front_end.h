// What the engine needs from whoever shows it to a person: the progress link (the main
// dialog, or a console front end) that receives ProgressEvent notifications and owns
// message boxes, and the message display that shows a text in a box (a message box on
// Win32, standard error in console front ends, a recorder in tests). The engine owns these
// interfaces; src/ui, tools/mksfx and the tests implement them.
#pragma once

#include <cstddef>

enum ProgressEvent : unsigned {
  PROGRESS_FILE = 0x701,       // text: display name of the entry
  PROGRESS_TESTED = 0x702,     // test action: CRC-32 matched
  PROGRESS_WARNING = 0x703,    // code: warning code; text: the warning's message
  PROGRESS_EXTRACTED = 0x705,  // other actions: CRC-32 matched; code: bytes written (u32)
  PROGRESS_ACTION = 0x706,     // text: the action word
  PROGRESS_SKIPPED = 0x707,    // text: the skipped output path
  PROGRESS_TESTING = 0x746,    // test action: an entry's processing begins
  // Inside an entry whose output spans several windows, before each window from the second
  // on: code: the entry's bytes decoded so far (u32). Lets a window stay live (its figure,
  // its queue, Cancel) while one large entry decodes; an entry of one window sends none.
  PROGRESS_DECODING = 0x708,
};

class ProgressLink {
 public:
  // Handled synchronously before the engine goes on.
  virtual void progress(ProgressEvent event, int code, const char* text) = 0;
  // The window's current title, cut to size - 1 characters.
  virtual void title(char* buffer, size_t size) = 0;
  // The platform window (HWND on Win32) that owns message boxes; null elsewhere.
  virtual void* nativeWindow() { return nullptr; }
  virtual ~ProgressLink() = default;
};

enum class MessageKind {
  Notice,       // exclamation icon, OK
  Question,     // question icon, Yes and No
  DiskRequest,  // exclamation icon, OK and Cancel
};

class MessageDisplay {
 public:
  // Shows `text` with `caption`, owned by `owner` (may be null). Returns true for OK or Yes.
  virtual bool show(ProgressLink* owner, const char* caption, const char* text, MessageKind kind) = 0;
  virtual ~MessageDisplay() = default;
};
