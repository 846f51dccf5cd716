// Helpers of the session tests: an independent writer of configuration blocks (header, content
// layout and the position-keyed XOR written out from the format's own numbers), self-extracting
// files made from the peer-made fixtures by putting a fake program image and a block in front,
// and a scripted front end that records what the session asked of it.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "report/error_reporter.h"
#include "session/config_block.h"
#include "session/session.h"
#include "support/support.h"
#include "support/zip_writer.h"

namespace session_test {

// ---- configuration content, laid out by hand ----------------------------------------------

// Text fields of the 2128-byte content: offset and size.
struct Field {
  size_t at;
  size_t size;
};
constexpr Field DIR_FIELD{10, 261};
constexpr Field GROUP_FIELD{278, 1041};
constexpr Field EXT_FIELD{1326, 261};
constexpr Field SPARE5_FIELD{1594, 261};
constexpr Field SPARE2_FIELD{1862, 261};

// A valid content with the given flags and texts (texts are copied without their zero).
inline std::string validContent(uint16_t flags, const std::string& dir = "",
                                const std::string& group = "", const std::string& ext = "") {
  std::string c(2128, '\0');
  set16(c, 0, 2);
  set16(c, 2, flags);
  const struct { size_t at; uint32_t length; uint16_t type; } sections[] = {
      {4, 263, 1}, {272, 1043, 3}, {1320, 263, 4}, {1588, 263, 5}, {1856, 263, 2}};
  for (const auto& s : sections) {
    set32(c, s.at, s.length);
    set16(c, s.at + 4, s.type);
  }
  c.replace(DIR_FIELD.at, dir.size(), dir);
  c.replace(GROUP_FIELD.at, group.size(), group);
  c.replace(EXT_FIELD.at, ext.size(), ext);
  return c;
}

// XOR of every byte with the low 8 bits of its file offset less 7.
inline std::string scrambled(std::string bytes, uint32_t fileOffset) {
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(static_cast<uint8_t>(bytes[i]) ^ static_cast<uint8_t>(fileOffset + i - 7));
  return bytes;
}

// The 12-byte header and the first `length` bytes of `content` (all of it when the content is
// shorter), scrambled for a block at `offset`.
inline std::string blockAt(uint32_t offset, const std::string& content, uint32_t length,
                           uint16_t versionNeeded = 20) {
  std::string h("QX\x09\x0A", 4);
  h.resize(12, '\0');
  set16(h, 4, 20);
  set16(h, 6, versionNeeded);
  std::string len(4, '\0');
  set32(len, 0, length);
  h.replace(8, 4, scrambled(len, offset + 8));
  return h + scrambled(content.substr(0, length), offset + 12);
}

// A file: `image` bytes of a fake program image (never containing the signature), then the
// block at that offset, then `tail`.
inline std::string fileWithBlockAt(uint32_t offset, const std::string& block, const std::string& tail = "") {
  std::string image(offset, '\0');
  for (uint32_t i = 0; i < offset; ++i) image[i] = static_cast<char>("MZ-image "[i % 9]);
  return image + block + tail;
}

// ---- self-extracting files from the fixtures -----------------------------------------------

constexpr uint32_t FIXTURE_IMAGE = 1200;   // the block lies here
constexpr uint32_t FIXTURE_PREFIX = 3340;  // the archive starts here (1,200 + 2,140)

// Writes `fixture` (session_*.sfx) with its placeholder replaced by an image and the block of
// `config` into `path`.
inline void writeSfx(const std::string& fixture, const ConfigBlock& config, const std::string& path) {
  std::string bytes = readFileBytes(fixturePath(fixture));
  uint8_t block[CONFIG_RECORD_SIZE];
  SerializeConfigBlock(config, FIXTURE_IMAGE, block);
  std::string prefix = fileWithBlockAt(FIXTURE_IMAGE, std::string(reinterpret_cast<char*>(block), sizeof block));
  if (bytes.size() >= FIXTURE_PREFIX) bytes.replace(0, FIXTURE_PREFIX, prefix);
  writeFileBytes(path, bytes);
}

// Restores the current directory at the end of a test (start-up and runs change it; a
// scratch directory cannot be removed while it is current on Windows).
class CurrentDirectoryGuard {
 public:
  CurrentDirectoryGuard() { SysGetCurrentDirectory(saved_); }
  ~CurrentDirectoryGuard() { SysSetCurrentDirectory(saved_); }

 private:
  char saved_[SYS_PATH_MAX] = {};
};

// A path with '\' turned into '/', for comparisons.
inline std::string forwardSlashes(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

// ---- scripted front end ----------------------------------------------------------------------

class ScriptedPrompts : public UserPrompts {
 public:
  int confirmOverwrite(const char*, const EntryRecord*) override {
    ++overwriteQuestions;
    return overwriteAnswer;
  }
  int confirmDirectory(const char*) override { return 0; }
  int askLastDisk() override { return ANSWER_GIVE_UP; }
  int askDisk(int) override { return ANSWER_GIVE_UP; }
  void storedPassword(char* destination, size_t size) override {
    if (size) destination[0] = 0;
  }
  int askPassword(const char*, char*, size_t) override { return PASSWORD_SKIP; }
  int overwriteAnswer = 'N';
  int overwriteQuestions = 0;
};

class ScriptedFrontEnd : public SessionFrontEnd, public ProgressLink, public DesktopSteps {
 public:
  UserPrompts* createPrompts() override { return new ScriptedPrompts; }
  int showMainDialog(Session& session) override {
    ++dialogsShown;
    ErrorReporter::SetProgressLink(this);
    return dialog ? dialog(session) : DIALOG_CANCELLED;
  }
  void enterRunning(Session&, bool test) override { runsEntered.push_back(test); }
  int warningCount() override { return warnings; }
  void endDialog(int result) override { dialogResults.push_back(result); }
  DesktopSteps* desktopSteps() override { return withSteps ? this : nullptr; }

  void progress(ProgressEvent event, int code, const char* text) override {
    events.push_back({event, text ? text : ""});
    if (event == PROGRESS_WARNING) ++warnings;
    if (onProgress) onProgress(event);
  }
  void title(char* buffer, size_t size) override {
    std::strncpy(buffer, "ARKEX(R) - test", size - 1);
    buffer[size - 1] = 0;
  }

  void createProgramGroup(const char* group, const char* shortDirectory) override {
    groups.push_back(std::string(group) + "@" + shortDirectory);
  }
  void registerExtensions(const ConfigBlock& config, const char* shortDirectory) override {
    extensionRegistrations.push_back(std::string(config.extensions()) + "@" + shortDirectory);
  }
  void endConversation() override { ++conversationsEnded; }

  struct Event {
    ProgressEvent event;
    std::string text;
  };
  std::function<int(Session&)> dialog;
  std::function<void(ProgressEvent)> onProgress;
  int warnings = 0;
  bool withSteps = true;
  int dialogsShown = 0;
  int conversationsEnded = 0;
  std::vector<bool> runsEntered;
  std::vector<int> dialogResults;
  std::vector<Event> events;
  std::vector<std::string> groups;
  std::vector<std::string> extensionRegistrations;
};

}  // namespace session_test
