// The questions the engine and the reader ask the user. The session owns the one instance;
// the Win32 dialogs (src/ui), the builder's console front end and the scripted test double
// implement it. Answers are small codes that the caller interprets.
#pragma once

#include <cstddef>

#include <cstdint>

#include "report/entry_record.h"

constexpr int ANSWER_CONTINUE = 13;  // Enter: the disk is in the drive
constexpr int ANSWER_GIVE_UP = 27;   // Escape: cancel
// The answers to the overwrite question (confirmOverwrite, confirmDirectory); a console
// front end may give them in lower case.
constexpr int ANSWER_YES = 'Y';
constexpr int ANSWER_YES_TO_ALL = 'A';
constexpr int ANSWER_NO_TO_ALL = 'V';
constexpr int ANSWER_NO = 'N';
constexpr int PASSWORD_OK = 0;
constexpr int PASSWORD_SKIP = 1;
constexpr int PASSWORD_SKIP_ALL = 2;

class UserPrompts {
 public:
  // ANSWER_YES, ANSWER_YES_TO_ALL, ANSWER_NO_TO_ALL, ANSWER_NO or ANSWER_GIVE_UP.
  virtual int confirmOverwrite(const char* outputName, const EntryRecord* entry) = 0;
  // A directory entry whose directory already exists; the dialog version asks nothing: 0.
  virtual int confirmDirectory(const char* outputPath) = 0;
  virtual int askLastDisk() = 0;           // ANSWER_CONTINUE or ANSWER_GIVE_UP
  virtual int askDisk(int diskNumber) = 0; // counted from 1
  // Copies the stored password: at most size - 1 characters and a zero (nothing for 0).
  virtual void storedPassword(char* destination, size_t size) = 0;
  // PASSWORD_OK with the password in `destination`, PASSWORD_SKIP or PASSWORD_SKIP_ALL.
  virtual int askPassword(const char* entryName, char* destination, size_t size) = 0;
  virtual ~UserPrompts() = default;
};

// The session's prompt object (null before start-up).
void SetUserPrompts(UserPrompts* prompts);
UserPrompts* GetUserPrompts();
