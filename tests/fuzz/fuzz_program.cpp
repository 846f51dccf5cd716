// libFuzzer target for the whole program as the stub runs it: each input is written to a
// file that stands for the stub's own file, and a Session starts on it (the configuration
// block search and its descrambling, the archive's end record and central directory, the
// overlap checks), then runs a test: every selected entry is positioned on, decrypted when
// encrypted, decoded by the stored copy or the Inflater into no output (the memory sink of a
// test) and its CRC-32 compared, with the completion messages at the end. A console-like
// front end answers every question from a script: the password question types "secret"
// (the password of the seed archives), then a wrong one, then skips, then skips all; the
// last input byte decides whether the password word carries "secret" from the start. Fatal
// and format reports end the input through a throwing exit hook, as they would end the
// process; a crash, an assertion, a hang, a leak or an access out of bounds is a fault.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "extract/extract.h"
#include "fuzz_support.h"
#include "options/option_state.h"
#include "report/error_reporter.h"
#include "report/front_end.h"
#include "report/user_prompts.h"
#include "session/session.h"
#include "system/system.h"

using ErrorReporter::SetProgressLink;

namespace {

// The scripted user: the same answers in the same order for every input.
class ScriptedUser : public UserPrompts {
 public:
  int confirmOverwrite(const char*, const EntryRecord*) override { return 'N'; }
  int confirmDirectory(const char*) override { return 0; }
  int askLastDisk() override { return ANSWER_GIVE_UP; }
  int askDisk(int) override { return ANSWER_GIVE_UP; }
  void storedPassword(char* destination, size_t size) override {
    if (size) std::snprintf(destination, size, "%s", stored_);
  }
  int askPassword(const char*, char* destination, size_t size) override {
    static const char* const typed[] = {"secret", "wrong"};
    int n = asked_++;
    if (n >= 2) return n == 2 ? PASSWORD_SKIP : PASSWORD_SKIP_ALL;
    stored_ = typed[n];
    storedPassword(destination, size);
    return PASSWORD_OK;
  }

 private:
  int asked_ = 0;
  const char* stored_ = "";
};

// A front end without a window: counts warnings, runs one test.
class TestingFrontEnd : public SessionFrontEnd, public ProgressLink {
 public:
  explicit TestingFrontEnd(bool password) : password_(password) {}
  UserPrompts* createPrompts() override { return new ScriptedUser; }
  int showMainDialog(Session& session) override {
    SetProgressLink(this);
    if (password_) std::snprintf(session.passwordValue(), 32, "secret");
    session.setSizeTallyOff(true);
    session.run(true);
    return DIALOG_EXTRACTED;
  }
  int warningCount() override { return warnings_; }
  void progress(ProgressEvent event, int, const char* text) override {
    if (event == PROGRESS_WARNING) ++warnings_;
    if (text) sum_ += static_cast<uint32_t>(std::strlen(text));  // every text is a string
  }
  void title(char* buffer, size_t size) override {
    if (size) buffer[0] = '\0';
  }

 private:
  bool password_;
  int warnings_ = 0;
  uint32_t sum_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = inputFile("fuzz_program", ".exe");
  if (!writeInput(path, data, size)) return 0;

  QuietReports quiet;
  TestingFrontEnd frontEnd(size > 0 && (data[size - 1] & 1) != 0);
  {
    Session session(frontEnd);
    try {
      session.start(path.c_str());
    } catch (const ReportEnded&) {
    }
  }
  SetProgressLink(nullptr);
  SetUserPrompts(nullptr);
  ForgetTypedPassword();
  return 0;
}
