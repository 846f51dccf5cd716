// Doubles of the reporter tests: a progress link that records events and offers a title, an
// archive that counts Release calls, a display that records the owner of each box, and a
// helper that runs a report and returns its exit status.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "report/error_reporter.h"
#include "support/support.h"

class RecordingLink : public ProgressLink {
 public:
  struct Event {
    ProgressEvent event;
    int code;
    std::string text;
  };
  void progress(ProgressEvent event, int code, const char* text) override {
    events.push_back({event, code, text ? text : ""});
  }
  void title(char* buffer, size_t size) override {
    size_t n = windowTitle.size() < size - 1 ? windowTitle.size() : size - 1;
    windowTitle.copy(buffer, n);
    buffer[n] = '\0';
  }
  std::vector<Event> events;
  std::string windowTitle = "Setup";
};

class CountingArchive : public FatalReleasable {
 public:
  void Release() override { ++releases; }
  int releases = 0;
};

class OwnerDisplay : public MessageDisplay {
 public:
  bool show(ProgressLink* owner, const char* caption, const char* text, MessageKind kind) override {
    owners.push_back(owner);
    captions.push_back(caption);
    texts.push_back(text);
    return true;
  }
  std::vector<ProgressLink*> owners;
  std::vector<std::string> captions;
  std::vector<std::string> texts;
};

// Runs a report that ends the "process"; the exit status, or -1 when it returned.
inline int exitStatusOf(const std::function<void()>& report) {
  try {
    report();
  } catch (const FatalExit& e) {
    return e.status;
  }
  return -1;
}

// Links the given window (or none) to the reporter for the lifetime of the object.
class LinkScope {
 public:
  explicit LinkScope(ProgressLink* link) : previous_(ErrorReporter::GetProgressLink()) { ErrorReporter::SetProgressLink(link); }
  ~LinkScope() { ErrorReporter::SetProgressLink(previous_); }

 private:
  ProgressLink* previous_;
};

class ArchiveScope {
 public:
  explicit ArchiveScope(FatalReleasable* archive) { ErrorReporter::SetReportedArchive(archive); }
  ~ArchiveScope() { ErrorReporter::SetReportedArchive(nullptr); }
};
