// Implementation of the shared test helpers.
#include "support/support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "report/error_reporter.h"
#include "system/system.h"

using ErrorReporter::SetMessageDisplay, ErrorReporter::GetMessageDisplay;

namespace {

void throwingExit(int status) { throw FatalExit{status}; }
void throwingAssert(const char* module, const char* text) { throw AssertionStop{module, text}; }

std::string platformPath(const std::string& posixPath) {
#ifdef _WIN32
  return "Z:" + posixPath;  // Wine maps the host's root to drive Z:
#else
  return posixPath;
#endif
}

}  // namespace

ReportCatcher::ReportCatcher() : previous_(GetMessageDisplay()) {
  SysSetExitHook(throwingExit);
  SysSetAssertHook(throwingAssert);
  SetMessageDisplay(this);
}

ReportCatcher::~ReportCatcher() {
  SysSetExitHook(nullptr);
  SysSetAssertHook(nullptr);
  SetMessageDisplay(previous_);
}

bool ReportCatcher::show(ProgressLink*, const char* caption, const char* text, MessageKind kind) {
  shown.push_back({caption ? caption : "", text ? text : "", kind});
  return answer;
}

std::string fixturePath(const std::string& name) { return platformPath(std::string(SFX_FIXTURE_DIR) + "/" + name); }
std::string sourcePath(const std::string& name) { return platformPath(std::string(SFX_SOURCE_DIR) + "/" + name); }

ScratchDir::ScratchDir() {
  std::random_device rd;
  auto base = std::filesystem::temp_directory_path();
  for (;;) {
    auto candidate = base / ("sfx-test-" + std::to_string(rd()));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      path_ = candidate.generic_string();
      break;
    }
  }
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  // Read-only files left by a test must not keep the directory alive.
  for (auto& e : std::filesystem::recursive_directory_iterator(path_, ec))
    std::filesystem::permissions(e.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string readFileBytes(const std::string& path) {
  std::string bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    std::fclose(f);
  }
  return bytes;
}

void writeFileBytes(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

bool fileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}
