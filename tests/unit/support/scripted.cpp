// Scripted prompts and the recording progress link.
#include "support/scripted.h"

#include <cstring>

#include "report/error_reporter.h"

using ErrorReporter::SetProgressLink, ErrorReporter::GetProgressLink;

namespace {
constexpr size_t STORED_PASSWORD_SIZE = 32;  // the dialog keeps 31 characters and a zero

void copyCut(char* destination, size_t size, const std::string& text) {
  if (size == 0) return;
  size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(destination, text.data(), n);
  destination[n] = '\0';
}
}  // namespace

ScriptedPrompts::ScriptedPrompts() : previous_(GetUserPrompts()) { SetUserPrompts(this); }
ScriptedPrompts::~ScriptedPrompts() { SetUserPrompts(previous_); }

int ScriptedPrompts::count(const std::string& operation) const {
  int n = 0;
  for (const Call& c : calls) n += c.operation == operation;
  return n;
}

int ScriptedPrompts::confirmOverwrite(const char* outputName, const EntryRecord*) {
  calls.push_back({"confirmOverwrite", outputName ? outputName : "", 0});
  if (overwriteAnswers.empty()) return 'N';
  int answer = overwriteAnswers.front();
  overwriteAnswers.pop_front();
  return answer;
}

int ScriptedPrompts::confirmDirectory(const char* outputPath) {
  calls.push_back({"confirmDirectory", outputPath ? outputPath : "", 0});
  if (directoryAnswers.empty()) return 0;
  int answer = directoryAnswers.front();
  directoryAnswers.pop_front();
  return answer;
}

int ScriptedPrompts::askLastDisk() {
  calls.push_back({"askLastDisk", "", 0});
  if (diskAnswers.empty()) return ANSWER_GIVE_UP;
  int answer = diskAnswers.front();
  diskAnswers.pop_front();
  return answer;
}

int ScriptedPrompts::askDisk(int diskNumber) {
  calls.push_back({"askDisk", "", diskNumber});
  if (diskAnswers.empty()) return ANSWER_GIVE_UP;
  int answer = diskAnswers.front();
  diskAnswers.pop_front();
  return answer;
}

void ScriptedPrompts::storedPassword(char* destination, size_t size) {
  calls.push_back({"storedPassword", "", static_cast<int>(size)});
  copyCut(destination, size, stored);
}

int ScriptedPrompts::askPassword(const char* entryName, char* destination, size_t size) {
  calls.push_back({"askPassword", entryName ? entryName : "", static_cast<int>(size)});
  if (passwordAnswers.empty()) return PASSWORD_SKIP;
  PasswordAnswer answer = passwordAnswers.front();
  passwordAnswers.pop_front();
  if (answer.code != PASSWORD_OK) return answer.code;
  size_t keep = size < STORED_PASSWORD_SIZE ? size : STORED_PASSWORD_SIZE;
  stored = answer.password.substr(0, keep ? keep - 1 : 0);
  copyCut(destination, size, stored);
  return PASSWORD_OK;
}

RecordingProgress::RecordingProgress() : previous_(GetProgressLink()) { SetProgressLink(this); }
RecordingProgress::~RecordingProgress() { SetProgressLink(previous_); }

void RecordingProgress::progress(ProgressEvent event, int code, const char* text) {
  events.push_back({event, code, text ? text : ""});
  if (onEvent) onEvent(events.back());
}

void RecordingProgress::title(char* buffer, size_t size) { copyCut(buffer, size, windowTitle); }

int RecordingProgress::count(ProgressEvent event) const {
  int n = 0;
  for (const Event& e : events) n += e.event == event;
  return n;
}

std::vector<std::string> RecordingProgress::texts(ProgressEvent event) const {
  std::vector<std::string> out;
  for (const Event& e : events)
    if (e.event == event) out.push_back(e.text);
  return out;
}

std::vector<int> RecordingProgress::warningCodes() const {
  std::vector<int> out;
  for (const Event& e : events)
    if (e.event == PROGRESS_WARNING) out.push_back(e.code);
  return out;
}
