// Helpers of the option tests: mutable word lists (the parser keeps pointers into its words),
// a parse that turns a fatal report into its exit status and message, and a recording
// OptionTarget standing in for the archive reader.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <list>
#include <string>
#include <vector>

#include "options/option_parser.h"
#include "options/option_state.h"
#include "support/support.h"

// Words that live as long as the object, as the session keeps its words.
class WordList {
 public:
  WordList(std::initializer_list<const char*> words) : WordList(std::vector<const char*>(words)) {}
  explicit WordList(const std::vector<const char*>& words) {
    for (const char* w : words) {
      storage_.emplace_back(w, w + std::char_traits<char>::length(w) + 1);
      pointers_.push_back(storage_.back().data());
    }
    pointers_.push_back(nullptr);
  }
  char* const* words() const { return pointers_.data(); }
  char* word(size_t i) { return pointers_[i]; }

 private:
  std::list<std::vector<char>> storage_;
  std::vector<char*> pointers_;
};

// The outcome of a parse: 0 when it returned, else the exit status of the fatal report and
// the message it showed.
struct ParseOutcome {
  int status = 0;
  std::string message;
};

inline ParseOutcome parseCatching(const WordList& words, OptionState& state) {
  ReportCatcher catcher;
  ParseOutcome outcome;
  try {
    ParseWords(words.words(), state);
  } catch (const FatalExit& e) {
    outcome.status = e.status;
    if (!catcher.shown.empty()) outcome.message = catcher.shown.back().text;
  }
  return outcome;
}

// Records what the parser hands to the archive reader.
class RecordingTarget : public OptionTarget {
 public:
  RecordingTarget() { SetOptionTarget(this); }
  ~RecordingTarget() { SetOptionTarget(nullptr); }

  bool HasArchiveName() override { return !archive.empty(); }
  void SetArchiveName(const char* name) override { archive = name; }
  bool AcceptExtractionDirectory(const char* word) override {
    std::string w = word;
    if (!directory.empty() || w.empty() || (w.back() != '/' && w.find(':') == std::string::npos)) return false;
    directory = w;
    return true;
  }
  void AddIncludePattern(const char* pattern) override { includes.push_back(pattern); }
  void AddExcludePattern(const char* pattern) override { excludes.push_back(pattern); }

  std::string archive;
  std::string directory;
  std::vector<std::string> includes;
  std::vector<std::string> excludes;
};
