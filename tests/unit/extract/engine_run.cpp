// The engine run used by the tests of this folder.
#include "engine_run.h"

#include <algorithm>
#include <filesystem>

#include "archive/archive_reader.h"
#include "options/option_parser.h"
#include "options/option_state.h"

namespace fs = std::filesystem;

EngineRun::EngineRun() {
  Options().ResetOptions();
  ForgetTypedPassword();
  target_ = scratch_.path() + "/out/";
  fs::create_directories(fs::u8path(target_));
}

EngineRun::~EngineRun() {
  context_.reset();
  Options().ResetOptions();
  ForgetTypedPassword();
}

int EngineRun::run(const std::string& archive, const std::vector<std::string>& words, bool ownContext) {
  return runPath(fixturePath(archive), words, ownContext);
}

int EngineRun::runPath(const std::string& archivePath, const std::vector<std::string>& words, bool ownContext) {
  context_.reset();
  Options().ResetOptions();
  words_.clear();
  for (const std::string& w : words) words_.emplace_back(w.c_str(), w.c_str() + w.size() + 1);
  std::vector<char*> list;
  for (auto& w : words_) list.push_back(w.data());
  list.push_back(nullptr);
  ParseWords(list.data());

  ArchiveReader reader;
  reader.SetArchiveSpec(archivePath.c_str());
  if (!reader.Open()) return -1;
  reader.LoadDirectory();
  reader.setExtractionDirectory(target_.c_str());
  reader.FinishSelection();
  if (!ownContext) return RunExtraction(reader);
  context_ = std::make_unique<ExtClass>(&reader, reader.extractionDirectory());
  // The reader ends here; the context stays for inspection of its counts and reads nothing
  // more.
  return reader.ExtractSelected(*context_);
}

std::vector<std::string> listTree(const std::string& root) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::path base = fs::u8path(root);
  for (auto it = fs::recursive_directory_iterator(base, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    std::string relative = fs::relative(it->path(), base, ec).generic_u8string();
    if (it->is_directory(ec)) relative += "/";
    names.push_back(relative);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> EngineRun::listScratch() const { return listTree(scratch_.path()); }
std::vector<std::string> EngineRun::listTarget() const { return listTree(target_); }

FileState fileState(const std::string& path) {
  FileState state;
  state.bytes = readFileBytes(path);
  FindRecord found{};
  SysHandle search = SysFindFirst(path.c_str(), &found);
  if (search != SYS_INVALID_HANDLE) SysFindClose(search);
  state.written = found.rawWritten;
  SysGetAttributes(path.c_str(), &state.attributes);
  return state;
}

FileState plantUserFile(const std::string& path, const std::string& bytes) {
  writeFileBytes(path, bytes);
  {
    FileStream stream(path.c_str(), SYS_GENERIC_WRITE, 0, SYS_OPEN_EXISTING, 0);
    const uint32_t written = (uint32_t((1999 - 1980) << 9 | 9 << 5 | 9) << 16) | (9 << 11 | 9 << 5 | 4);
    SysSetFileTimes(stream.handle(), nullptr, nullptr, &written, nullptr, 0);
  }
  SysSetAttributes(path.c_str(), SYS_ATTR_HIDDEN | SYS_ATTR_ARCHIVE);
  return fileState(path);
}
