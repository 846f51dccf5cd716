// A run of the real engine for the tests of this folder: the option words go through the
// option parser, a real ArchiveReader opens a peer-made archive and walks it with an
// extraction context, and the scripted prompts and the recording progress link stand in
// for the user and the dialog. Fatal reports become FatalExit exceptions.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "extract/extract.h"
#include "support/scripted.h"
#include "support/support.h"

class EngineRun {
 public:
  EngineRun();
  ~EngineRun();

  // Parses `words` (option words only), opens fixturePath(archive), walks it into the
  // extraction directory and returns the walk's result. The context is the engine's own
  // (RunExtraction) unless `ownContext`, in which case it stays inspectable in
  // lastContext() until the next run.
  int run(const std::string& archive, const std::vector<std::string>& words, bool ownContext = false);
  // Same, with an archive given by its full path.
  int runPath(const std::string& archivePath, const std::vector<std::string>& words, bool ownContext = false);

  // The extraction directory (ends in '/'); created before the run unless noTarget().
  const std::string& target() const { return target_; }
  std::string out(const std::string& relative) const { return target_ + relative; }
  void setTarget(const std::string& directory) { target_ = directory; }
  const ScratchDir& scratch() const { return scratch_; }

  ExtClass* lastContext() { return context_.get(); }
  // Files below the scratch directory, relative, '/'-separated, sorted (directories end in '/').
  std::vector<std::string> listScratch() const;
  std::vector<std::string> listTarget() const;

  ReportCatcher catcher;
  ScriptedPrompts prompts;
  RecordingProgress progress;

 private:
  ScratchDir scratch_;
  std::string target_;
  std::vector<std::vector<char>> words_;  // the parser keeps pointers into them
  std::unique_ptr<ExtClass> context_;
};

// Every file below `root`, relative, sorted; directories end in '/'.
std::vector<std::string> listTree(const std::string& root);

// A file as the platform reports it: bytes, last write time, attributes.
struct FileState {
  std::string bytes;
  SysFileTime written = 0;
  uint32_t attributes = 0;
  bool operator==(const FileState& o) const {
    return bytes == o.bytes && written == o.written && attributes == o.attributes;
  }
};
FileState fileState(const std::string& path);
// Writes a file of the user's: `bytes`, written 1999-09-09, hidden (where the platform keeps
// that). Returns its state.
FileState plantUserFile(const std::string& path, const std::string& bytes);
