// libFuzzer target for the builder's readers of the other files an author gives it. The
// first input byte picks one (modulo 3):
//   0  an icon: two bytes give the icon's length n (little-endian, cut to what is there),
//      the next n bytes are written as an .ico file and the rest is the stub image whose
//      icon it replaces (--icon);
//   1  a settings file (--config): the rest is read into settings, which then fill a
//      build's options and meet its checks of surprising settings;
//   2  a stub image: the rest is checked for a signature, its file version read, and its
//      version texts and manifest level rewritten.
// A rewritten stub must read back: its file version is the one set (2) or the one it had
// (0); anything else aborts. The builder's reports are silenced; a crash, a hang, a leak or
// an access out of bounds is a fault.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "build_options.h"
#include "fuzz_support.h"
#include "pe/pe_resources.h"
#include "pe/signing.h"

namespace {

[[noreturn]] void readBackFailed(const char* what) {
  // Written to descriptor 2: the stderr stream is silenced.
  static const char prefix[] = "fuzz_builder_files: the rewritten stub does not read back: ";
  ssize_t ignored = write(2, prefix, sizeof prefix - 1) + write(2, what, std::strlen(what)) + write(2, "\n", 1);
  static_cast<void>(ignored);
  std::abort();
}

void iconInto(const uint8_t* data, size_t size) {
  static const std::string icon = inputFile("fuzz_builder_files", ".ico");
  if (size < 2) return;
  size_t length = std::min<size_t>(data[0] | data[1] << 8, size - 2);
  if (!writeInput(icon, data + 2, length)) return;
  std::string stub(reinterpret_cast<const char*>(data) + 2 + length, size - 2 - length);
  std::string before = programFileVersion(stub);
  ResourceEdits edits;
  edits.icon = icon;
  Reporter reporter;
  applyResourceEdits(stub, edits, "setup.exe", reporter);
  if (reporter.errors() == 0 && programFileVersion(stub) != before) readBackFailed("its file version changed");
}

void settingsFile(const uint8_t* data, size_t size) {
  static const std::string path = inputFile("fuzz_builder_files", ".cfg");
  if (!writeInput(path, data, size)) return;
  Arguments arguments;
  std::string reason;
  if (!readSettingsFile(path, arguments.given, reason)) return;
  arguments.given.emplace_back("output", "setup.exe");
  arguments.operands.push_back("payload.zip");
  BuildOptions options;
  Reporter reporter;
  if (buildOptionsFrom(arguments, options)) warnAboutDefaults(options, reporter);
}

void stubImage(const uint8_t* data, size_t size) {
  std::string stub(reinterpret_cast<const char*>(data), size);
  Reporter reporter;
  checkStubUnsigned(stub, reporter);
  std::string before = programFileVersion(stub);
  ResourceEdits edits;
  edits.versionStrings = {{"FileVersion", "2.1.0.7"}, {"ProductName", "ファズ 製品"}};
  edits.manifestLevel = "requireAdministrator";
  Reporter editing;
  applyResourceEdits(stub, edits, "setup.exe", editing);
  if (editing.errors() == 0 && programFileVersion(stub) != (before.empty() ? "" : "2.1.0.7")) {
    readBackFailed("its file version is not the one set");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silenceBuilderReports();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  switch (data[0] % 3) {
    case 0: iconInto(data + 1, size - 1); break;
    case 1: settingsFile(data + 1, size - 1); break;
    default: stubImage(data + 1, size - 1); break;
  }
  return 0;
}
