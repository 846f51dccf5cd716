// Test doubles for the engine's front-end interfaces: a UserPrompts that answers from
// queues and records every call, and a ProgressLink that records every notification.
// Both install themselves for their lifetime (SetUserPrompts / SetProgressLink) and put
// back whatever was installed before.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "report/front_end.h"
#include "report/user_prompts.h"

class ScriptedPrompts : public UserPrompts {
 public:
  struct PasswordAnswer {
    int code;              // PASSWORD_OK, PASSWORD_SKIP or PASSWORD_SKIP_ALL
    std::string password;  // typed text for PASSWORD_OK
  };
  struct Call {
    std::string operation;  // "confirmOverwrite", "confirmDirectory", "askLastDisk", ...
    std::string text;       // the name or path the question carried
    int number;             // disk number for askDisk, buffer size for password calls
  };

  ScriptedPrompts();
  ~ScriptedPrompts() override;
  ScriptedPrompts(const ScriptedPrompts&) = delete;
  ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

  int confirmOverwrite(const char* outputName, const EntryRecord* entry) override;
  int confirmDirectory(const char* outputPath) override;
  int askLastDisk() override;
  int askDisk(int diskNumber) override;
  void storedPassword(char* destination, size_t size) override;
  int askPassword(const char* entryName, char* destination, size_t size) override;

  // Answers, taken from the front. An empty queue gives the answer of an untouched dialog:
  // 'N' for an overwrite, 0 for a directory, ANSWER_GIVE_UP for a disk, skip for a password.
  std::deque<int> overwriteAnswers;
  std::deque<int> directoryAnswers;
  std::deque<int> diskAnswers;
  std::deque<PasswordAnswer> passwordAnswers;
  std::string stored;  // the stored password (at most 31 characters kept, like the dialog)

  std::vector<Call> calls;
  int count(const std::string& operation) const;

 private:
  UserPrompts* previous_;
};

class RecordingProgress : public ProgressLink {
 public:
  struct Event {
    ProgressEvent event;
    int code;
    std::string text;
  };

  RecordingProgress();
  ~RecordingProgress() override;
  RecordingProgress(const RecordingProgress&) = delete;
  RecordingProgress& operator=(const RecordingProgress&) = delete;

  void progress(ProgressEvent event, int code, const char* text) override;
  void title(char* buffer, size_t size) override;

  std::vector<Event> events;
  std::string windowTitle = "test window";
  // Called after each event is recorded (the dialog's moment to serve a click on Cancel).
  std::function<void(const Event&)> onEvent;

  int count(ProgressEvent event) const;
  std::vector<std::string> texts(ProgressEvent event) const;
  std::vector<int> warningCodes() const;  // codes of PROGRESS_WARNING, in order
  void clear() { events.clear(); }

 private:
  ProgressLink* previous_;
};
