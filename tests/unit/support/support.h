// Shared helpers of the unit tests: paths of the peer-made fixture archives, scratch
// directories, a fatal-report catcher (the reporter's exit hook throws FatalExit), an
// assertion catcher, and a message display that records what would have been shown.
#pragma once

#include <string>
#include <vector>

#include "report/front_end.h"

// A fatal report or format error ended the "process" with this status.
struct FatalExit {
  int status;
};
// An assertion of the engine failed.
struct AssertionStop {
  std::string module;
  std::string text;
};

// Installs the exit and assertion hooks (throwing the structs above) and a recording
// message display for its lifetime; restores the defaults afterwards.
class ReportCatcher : public MessageDisplay {
 public:
  ReportCatcher();
  ~ReportCatcher() override;
  bool show(ProgressLink* owner, const char* caption, const char* text, MessageKind kind) override;

  struct Shown {
    std::string caption;
    std::string text;
    MessageKind kind;
  };
  std::vector<Shown> shown;
  bool answer = true;  // what show() returns
 private:
  MessageDisplay* previous_;
};

// A path inside the folder of peer-made archives, in the form the platform's file API takes.
std::string fixturePath(const std::string& name);
// A path inside the source tree (tests/…), same form.
std::string sourcePath(const std::string& name);

// A fresh empty directory for one test, removed with its contents at destruction. The
// current directory is left alone.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::string& path() const { return path_; }  // ends without a separator
  std::string file(const std::string& name) const { return path_ + "/" + name; }
 private:
  std::string path_;
};

// Whole-file helpers over the C runtime (bytes, no conversion of names).
std::string readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);
