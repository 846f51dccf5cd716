// The Win32 prompt object: the overwrite and password dialogs, the disk requests as message
// boxes, and the stored password. Its owner window is the main dialog while a run is under
// way (the session sets it at the start of every run); without one, the window of the
// progress link is used.
#pragma once

#include <windows.h>

#include "report/user_prompts.h"

class DialogPrompts : public UserPrompts {
 public:
  int confirmOverwrite(const char* outputName, const EntryRecord* entry) override;
  int confirmDirectory(const char* outputPath) override;
  int askLastDisk() override;
  int askDisk(int diskNumber) override;
  void storedPassword(char* destination, size_t size) override;
  int askPassword(const char* entryName, char* destination, size_t size) override;

  void setOwner(HWND owner) { owner_ = owner; }

  static constexpr size_t PASSWORD_SIZE = 32;  // 31 characters and a zero

 private:
  HWND owner() const;

  HWND owner_ = nullptr;
  char password_[PASSWORD_SIZE] = "";
};

// The text viewer (template 104): `title` as caption, `text` in its read-only field. Takes
// ownership of `text` (allocated with new[]) and releases it once the field holds it.
void ShowTextViewer(HWND owner, const char* title, char* text);
// The about box (template 100).
void ShowAboutBox(HWND owner);
