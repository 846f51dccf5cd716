// `mksfx test` and `mksfx extract`: the stub's own session and engine, run headlessly on a
// self-extracting file. The console front end stands where the main dialog stands in the
// stub: it takes the settings from the configuration block (changed by the command line as
// the dialog's controls would change them), names the extraction directory, runs one Test
// or Extract, prints the progress events and warnings, asks the engine's questions on the
// terminal (or refuses them when standard input is not a terminal, so nothing ever waits),
// and reports the post-extraction steps that only exist on Windows. A fatal report ends
// the process with the stub's status; the normal end is status 0, as in the stub.
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <vector>

#include "archive/archive_reader.h"
#include "archive/zip_format.h"
#include "base/cli.h"
#include "console.h"
#include "options/option_state.h"
#include "report/error_reporter.h"
#include "report/message_texts.h"
#include "base/code_page.h"
#include "commands.h"
#include "host/host.h"
#include "zip/zip_archive.h"
#include "session/session.h"
#include "system/system.h"

using ErrorReporter::SetProgressLink, ErrorReporter::SetMessageDisplay, ErrorReporter::ShowMessage;

namespace {

constexpr size_t PASSWORD_MAX = 31;  // what the stub's password field and engine keep


struct RunOptions {
  std::string file;
  std::string directory;
  std::string overwrite;  // empty: as configured
  std::string password;   // code page 932
  bool hasPassword = false;
  int subdirs = -1;  // -1 as configured, 0 off, 1 on
  bool json = false;  // the results as one JSON object on standard output
};

// What the prompts tell the front end: a progress line that is still open is ended, so
// that a question starts on a line of its own; "quit" was answered.
class LineCloser {
 public:
  virtual void closeLine() = 0;
  virtual void gaveUp() = 0;
  virtual void wrongPassword() = 0;

 protected:
  ~LineCloser() = default;
};

class ConsolePrompts : public UserPrompts {
 public:
  ConsolePrompts(const RunOptions& options, LineCloser& lines) : options_(options), lines_(lines) {}

  int confirmOverwrite(const char* outputName, const EntryRecord* entry) override {
    std::string question = "replace " + shownName(outputName) + "?";
    lines_.closeLine();
    if (!consoleInteractive()) {
      std::fprintf(stderr, "%s -> no (standard input is not a terminal)\n", question.c_str());
      return ANSWER_NO;
    }
    for (int tries = 0; tries < 10 && !answersEnded(); ++tries) {
      std::fprintf(stderr, "%s [y]es, [n]o, [A]ll, ne[v]er, [q]uit: ", question.c_str());
      std::fflush(stderr);
      std::string a = readAnswerLine(false);
      if (a == "y" || a == "Y") return ANSWER_YES;
      if (a == "n" || a == "N") return ANSWER_NO;
      if (a == "A" || a == "a") return ANSWER_YES_TO_ALL;
      if (a == "v" || a == "V") return ANSWER_NO_TO_ALL;
      if (a == "q" || a == "Q") {
        lines_.gaveUp();
        return ANSWER_GIVE_UP;
      }
    }
    return ANSWER_NO;
  }

  int confirmDirectory(const char*) override { return 0; }

  int askLastDisk() override { return askForDisk("the last disk of the split archive"); }
  int askDisk(int diskNumber) override { return askForDisk("disk " + std::to_string(diskNumber)); }

  void storedPassword(char* destination, size_t size) override {
    if (size == 0) return;
    std::snprintf(destination, size, "%s", options_.password.c_str());
  }

  // The engine asks when no password it holds (the one of --password, or one typed for an
  // earlier entry) fits the entry: with --password given, that one was wrong for it.
  int askPassword(const char* entryName, char* destination, size_t size) override {
    std::string name = shownName(entryName);
    lines_.closeLine();
    if (options_.hasPassword) {
      lines_.wrongPassword();
      Reporter::notice("wrong password for " + name + ": the --password given does not fit it");
    }
    if (!consoleInteractive()) {
      std::fprintf(stderr, "password for %s? -> skipped (standard input is not a terminal; %s)\n", name.c_str(),
                   options_.hasPassword ? "give the right one with --password" : "give it with --password");
      return PASSWORD_SKIP;
    }
    std::fprintf(stderr, "password for %s (empty: skip, \"!\": skip all encrypted entries): ", name.c_str());
    std::fflush(stderr);
    std::string typed = readAnswerLine(true);
    if (answersEnded() || typed.empty()) return PASSWORD_SKIP;
    if (typed == "!") return PASSWORD_SKIP_ALL;
    std::string converted;
    if (!utf8ToCp932(typed, converted)) converted = typed;
    if (size > 0) std::snprintf(destination, size, "%s", converted.c_str());
    return PASSWORD_OK;
  }

 private:
  int askForDisk(const std::string& which) {
    lines_.closeLine();
    if (!consoleInteractive()) {
      std::fprintf(stderr, "insert %s -> given up (standard input is not a terminal)\n", which.c_str());
      return ANSWER_GIVE_UP;
    }
    std::fprintf(stderr, "insert %s and press Enter (q to give up): ", which.c_str());
    std::fflush(stderr);
    std::string a = readAnswerLine(false);
    return answersEnded() || a == "q" || a == "Q" ? ANSWER_GIVE_UP : ANSWER_CONTINUE;
  }

  const RunOptions& options_;
  LineCloser& lines_;
};

// Program groups and file extensions belong to the Windows desktop; here they are named.
class ConsoleDesktopSteps : public DesktopSteps {
 public:
  void createProgramGroup(const char* group, const char* shortDirectory) override {
    if (verbosity == Verbosity::Quiet) return;
    std::fprintf(stderr, "program group %s: created only by the stub on Windows (directory %s)\n",
                ("\"" + cp932ToUtf8(group) + "\"").c_str(), cp932ToUtf8(shortDirectory).c_str());
  }
  void registerExtensions(const ConfigBlock& config, const char* shortDirectory) override {
    if (verbosity == Verbosity::Quiet) return;
    std::fprintf(stderr, "extensions: registered only by the stub on Windows (directory %s)\n",
                cp932ToUtf8(shortDirectory).c_str());
  }
};

class ConsoleFrontEnd : public SessionFrontEnd, public ProgressLink, public LineCloser {
 public:
  ConsoleFrontEnd(const RunOptions& options, bool test, const std::string& caption)
      : options_(options), test_(test), caption_(caption) {}

  UserPrompts* createPrompts() override { return new (std::nothrow) ConsolePrompts(options_, *this); }

  int showMainDialog(Session& session) override {
    session_ = &session;
    SetProgressLink(this);
    applySettings(session);
    if (options_.hasPassword) {
      // The password word's value area; the parser hands it to the engine as the password
      // to try first, as a password typed earlier in the session would be.
      std::snprintf(session.passwordValue(), PASSWORD_WORD_SIZE - (sizeof PASSWORD_WORD_PREFIX - 1), "%s",
                    options_.password.c_str());
    }
    if (test_) {
      session.setSizeTallyOff(true);
      session.run(true);
      session.setSizeTallyOff(false);
      return result_;
    }
    char full[SYS_PATH_MAX];
    if (!SysFullPath(full, options_.directory.c_str())) std::snprintf(full, sizeof full, "%s", options_.directory.c_str());
    if (!session.prepareDirectory(full)) {
      // The engine's text is a literal here, so UTF-8 like the builder's own; the display
      // takes code page 932.
      std::string text;
      if (!utf8ToCp932(CANNOT_CREATE_DIRECTORY_TEXT, text)) text = "cannot create the directory:\n";
      ShowMessage((text + full).c_str(), MessageKind::Notice);
      // The run ends here with status 2: -q keeps the reason, and the JSON carries it.
      error_ = lastEngineNotice();
      showHeldNotice();
      directoryFailed_ = true;
      return DIALOG_CANCELLED;
    }
    session.setExtractionDirectory(full);
    session.run(false);
    return result_;
  }

  void enterRunning(Session& session, bool test) override {
    std::string words;
    for (const char* const* w = session.optionWords(); *w; ++w) {
      if (std::strncmp(*w, PASSWORD_WORD_PREFIX, sizeof PASSWORD_WORD_PREFIX - 1) == 0) {
        words += std::string(words.empty() ? "" : " ") + PASSWORD_WORD_PREFIX + "...";
      } else {
        words += std::string(words.empty() ? "" : " ") + *w;
      }
    }
    if (verbosity == Verbosity::Quiet || options_.json) return;
    std::printf("%s %s (%s)\n", test ? "testing" : "extracting into", test ? options_.file.c_str()
                : cp932ToUtf8(session.extractionDirectory()).c_str(), words.c_str());
  }

  int warningCount() override { return warnings_; }
  void endDialog(int result) override { result_ = result; }
  DesktopSteps* desktopSteps() override { return &steps_; }

  void progress(ProgressEvent event, int code, const char* text) override {
    // Ctrl-C stands for the dialog's confirmed Cancel. It is only noted (the file services
    // hold a break back until their transfer is done); the next progress event acts on it,
    // as the dialog's Cancel button is served from inside the entry loop.
    if (hostInterrupted() && session_ && session_->runInProgress()) {
      endLine();
      std::fflush(stdout);
      std::fprintf(stderr, "cancelled\n");
      session_->cancelConfirmed();  // ends the process with status 255
    }
    bool listed = listing();
    switch (event) {
      case PROGRESS_ACTION: action_ = trimmed(text); break;
      case PROGRESS_TESTING: action_ = "Testing"; break;
      case PROGRESS_DECODING:
        // Inside a large entry: the bytes decoded so far, within the entry's listed size.
        if (bytes_ && code > 0) {
          uint64_t decoded = static_cast<uint32_t>(code) < currentSize_ ? static_cast<uint32_t>(code) : currentSize_;
          if (decoded > currentDone_) {
            bytes_->advance(decoded - currentDone_);
            currentDone_ = decoded;
          }
        }
        break;
      case PROGRESS_FILE:
        endLine();
        if (bytes_) {
          // The entry before is done: what its decoding events did not count yet.
          bytes_->advance(currentSize_ - currentDone_);
          currentDone_ = 0;
          auto size = sizes_.find(text ? text : "");
          currentSize_ = size == sizes_.end() ? 0 : size->second;
          bytes_->setItem(shownName(text ? text : ""));
        }
        ++entries_;
        results_.push_back({shownName(text ? text : ""), "ok", 0, std::string()});
        entryOpen_ = true;
        if (listed) {
          std::printf("  %s: %s", action_.c_str(), shownName(text ? text : "").c_str());
          lineOpen_ = true;
        }
        break;
      case PROGRESS_TESTED:
      case PROGRESS_EXTRACTED:
        if (listed) std::printf("  OK\n");
        lineOpen_ = false;
        entryOpen_ = false;
        break;
      case PROGRESS_WARNING:
        endLine();
        ++warnings_;
        // One line per warning: a line feed inside an entry name is shown as \x0A.
        std::fflush(stdout);
        std::fprintf(stderr, "  warning %d: %s\n", code, shownName(text ? text : "").c_str());
        if (!entryOpen_) results_.push_back({std::string(), "warning", code, std::string()});
        results_.back().result = "warning";
        results_.back().code = code;
        results_.back().message = shownName(text ? text : "");
        entryOpen_ = false;
        break;
      case PROGRESS_SKIPPED:
        endLine();
        ++skipped_;
        std::fflush(stdout);
        std::fprintf(stderr, "  skipped: %s\n", shownName(text ? text : "").c_str());
        results_.push_back({shownName(text ? text : ""), "skipped", 0, std::string()});
        entryOpen_ = false;
        break;
    }
    std::fflush(stdout);
  }

  void title(char* buffer, size_t size) override {
    if (size > 0) std::snprintf(buffer, size, "%s", caption_.c_str());
  }

  void closeLine() override {
    endLine();
    std::fflush(stdout);
  }
  void gaveUp() override { gaveUp_ = true; }
  void wrongPassword() override { ++wrongPasswords_; }
  // Every entry a line of standard output, except on a terminal, where a progress line of
  // the bytes stands for them unless -v asks for the list (-q and --json list nothing).
  bool listing() const {
    if (verbosity == Verbosity::Quiet || options_.json) return false;
    return verbosity == Verbosity::Verbose || !hostIsTerminal(stdout) || !ProgressLine::shown();
  }
  // The entries' sizes by name, for the progress line.
  void countBytes(std::map<std::string, uint64_t> sizes, uint64_t total) {
    sizes_ = std::move(sizes);
    bytes_.reset(new ByteProgress(test_ ? "testing" : "extracting", total));
  }
  // Why the run failed, in plain words, and the stub's status when the engine ended it.
  void setError(const std::string& message, int stubStatus) {
    // The entry the run ended inside did not come out (a cancelled one is taken back).
    if (entryOpen_) results_.back().result = stubStatus == FATAL_CANCELLED ? "cancelled" : "stopped";
    entryOpen_ = false;
    if (!message.empty()) error_ = message;
    stubStatus_ = stubStatus;
    if (error_.empty()) error_ = lastEngineNotice();
  }
  void setProblem(const std::string& message) { error_ = message; }
  void finish() { endLine(); }
  // The counts of the run, on standard error: "test finished: 12 entries, 1 warning, 0 skipped".
  // With --json, the results go to standard output as one object as well.
  void printSummary(const char* outcome, int status) {
    endLine();
    if (bytes_) bytes_->done();
    std::fflush(stdout);
    // With -q a clean run says nothing; one with warnings keeps the line that counts them.
    if (verbosity != Verbosity::Quiet || status != STATUS_OK) std::fprintf(stderr, "%s %s: %s, %s, %d skipped\n", test_ ? "test" : "extraction", outcome,
                 counted(static_cast<size_t>(entries_), "entry", "entries").c_str(),
                 counted(static_cast<size_t>(warnings_), "warning", "warnings").c_str(), skipped_);
    std::fflush(stderr);
    if (options_.json) printJson(outcome, status);
  }
  int warnings() const { return warnings_; }
  // The run's status when the session came back: warnings, skipped entries and a rejected
  // configuration block are warnings; "quit" is a cancel.
  int status(bool blockRejected) const {
    if (gaveUp_) return STATUS_CANCELLED;
    if (directoryFailed_) return STATUS_FAILED;
    return warnings_ > 0 || skipped_ > 0 || blockRejected ? STATUS_WARNINGS : STATUS_OK;
  }
  bool directoryFailed() const { return directoryFailed_; }

 private:
  void applySettings(Session& session) {
    uint16_t flags = session.config().flags();
    if (options_.subdirs == 1 && session.hasSubdirectories()) flags |= CFG_SUBDIRS;
    if (options_.subdirs == 0) flags = static_cast<uint16_t>(flags & ~CFG_SUBDIRS);
    if (!options_.overwrite.empty()) {
      flags = static_cast<uint16_t>(flags & ~(CFG_OVERWRITE_ALL | CFG_NEVER_OVERWRITE));
      if (options_.overwrite == "always") flags |= CFG_OVERWRITE_ALL;
      if (options_.overwrite == "never") flags |= CFG_NEVER_OVERWRITE;
    }
    session.config().setFlags(flags);
  }

  void endLine() {
    if (lineOpen_) std::printf("\n");
    lineOpen_ = false;
  }

  static std::string trimmed(const char* text) {
    std::string s = text ? text : "";
    size_t b = s.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b);
  }

  const RunOptions& options_;
  bool test_;
  std::string caption_;
  Session* session_ = nullptr;
  ConsoleDesktopSteps steps_;
  std::string action_ = "Extracting";
  bool lineOpen_ = false;
  // One line of the results: an entry (name empty for a warning outside an entry) and
  // what became of it: "ok", "warning" (with the stub's code and text), "skipped", or
  // "cancelled" or "stopped" for the one the run ended inside.
  struct EntryResult {
    std::string name;
    std::string result;
    int code;
    std::string message;
  };

  void printJson(const char* outcome, int status) {
    Json document = Json::object();
    document.set("format_version", Json::number(JSON_FORMAT_VERSION));
    document.set("command", Json::string(test_ ? "test" : "extract")).set("file", Json::string(options_.file));
    Json entries = Json::array();
    for (const EntryResult& r : results_) {
      Json entry = Json::object();
      entry.set("name", r.name.empty() && r.result == "warning" ? Json() : Json::string(r.name));
      entry.set("result", Json::string(r.result));
      if (r.result == "warning") entry.set("code", Json::number(r.code)).set("message", Json::string(r.message));
      entries.push(entry);
    }
    document.set("entries", entries);
    Json summary = Json::object();
    summary.set("outcome", Json::string(outcome)).set("entries", Json::number(entries_));
    summary.set("warnings", Json::number(warnings_)).set("skipped", Json::number(skipped_));
    summary.set("status", Json::number(status));
    document.set("summary", summary).set("wrong_passwords", Json::number(wrongPasswords_));
    document.set("status", Json::number(status));
    document.set("error", error_.empty() && stubStatus_ == 0 ? Json() : jsonError(error_, status, stubStatus_));
    std::printf("%s", document.text().c_str());
    std::fflush(stdout);
  }

  std::vector<EntryResult> results_;
  std::map<std::string, uint64_t> sizes_;
  std::unique_ptr<ByteProgress> bytes_;
  uint64_t currentSize_ = 0;
  uint64_t currentDone_ = 0;  // of currentSize_, already counted by decoding events
  std::string error_;    // plain words for a file the run could not use
  int stubStatus_ = 0;   // the stub's status when the engine ended the run
  int wrongPasswords_ = 0;
  bool entryOpen_ = false;
  int warnings_ = 0;
  int entries_ = 0;
  int skipped_ = 0;
  bool gaveUp_ = false;
  int result_ = 0;
  bool directoryFailed_ = false;
};

// The uncompressed size of every entry by name, read with the engine's reader as the
// session will read it (a damaged archive ends here with the same report).
std::map<std::string, uint64_t> entrySizes(const std::string& cp932Path, uint64_t& total) {
  std::map<std::string, uint64_t> sizes;
  int command = Options().command;
  Options().command = CMD_TEST;  // the reader's open needs an archive that exists
  ArchiveReader reader;
  reader.SetArchiveSpec(cp932Path.c_str());
  if (reader.Open()) {
    reader.LoadDirectory();
    for (int i = 0; i < reader.loadedCount(); ++i) {
      const EntryRecord* e = reader.entry(i);
      if (!e) continue;
      uint64_t size = le32(e + CDH_UNCOMPRESSED);
      sizes[std::string(entryName(e), entryNameLength(e))] = size;
      total += size;
    }
    reader.Close();
  }
  Options().command = command;
  return sizes;
}

bool runOptionsFrom(const CommandSpec& spec, const Arguments& a, RunOptions& o) {
  for (const auto& g : a.given) {
    if (g.first == "directory") o.directory = g.second;
    else if (g.first == "overwrite") o.overwrite = g.second;
    else if (g.first == "password") o.password = g.second, o.hasPassword = true;
    else if (g.first == "subdirs") o.subdirs = 1;
    else if (g.first == "no-subdirs") o.subdirs = 0;
    else if (g.first == "json") o.json = true;
  }
  o.file = a.operands[0];
  if (!o.overwrite.empty() && o.overwrite != "ask" && o.overwrite != "always" && o.overwrite != "never") {
    usageError(spec, "--overwrite takes ask, always or never, not \"" + o.overwrite + "\"");
    return false;
  }
  if (&spec == &EXTRACT_COMMAND && o.directory.empty()) {
    usageError(spec, "no extraction directory (-d DIR)");
    return false;
  }
  return true;
}

// Brings a path or text of the command line into code page 932; false, reported.
bool toEngineText(const std::string& what, const std::string& utf8, std::string& cp932, size_t limit,
                  Reporter& reporter) {
  if (!utf8ToCp932(utf8, cp932) || cp932.size() > limit) {
    reporter.error(what + ": no code page 932 form of at most " + std::to_string(limit) + " bytes");
    return false;
  }
  return true;
}

class SilentDisplay : public MessageDisplay {
 public:
  bool show(ProgressLink*, const char*, const char*, MessageKind) override { return false; }
};

bool configurationRejected(const std::string& cp932Path) {
  SilentDisplay silent;
  SetMessageDisplay(&silent);
  ConfigBlock block;
  bool rejected = block.load(cp932Path.c_str()) == ConfigLoadResult::Rejected;
  SetMessageDisplay(nullptr);
  return rejected;
}

const OptionSpec PASSWORD_OPTION = {
    "password", 0, "TEXT",
    "The password to try first for encrypted entries (at most 31 bytes in code page 932).\n"
    "Without it, or when it does not fit, the password is asked on the terminal; without a\n"
    "terminal the entry is skipped (status 1). Example: --password=secret"};
const OptionSpec SUBDIRS_OPTION = {"subdirs", 0, nullptr,
                                   "Use the entries' directories, whatever the SFX is configured to do."};
const OptionSpec JSON_OPTION = {"json", 0, nullptr,
                                "Print the results as one JSON object on standard output: the format version,\n"
                                "every entry with its result (ok, warning with the stub's code and text,\n"
                                "skipped), the summary with the exit status and, when the run could not\n"
                                "finish, an error. Valid JSON on every path; the entry list is then not\n"
                                "printed."};
const OptionSpec NO_SUBDIRS_OPTION = {"no-subdirs", 0, nullptr,
                                      "Put every file into one directory, whatever the SFX says."};

}  // namespace

const CommandSpec TEST_COMMAND = {
    "test",
    "test [options] FILE.exe",
    "Tests every entry of FILE.exe with the stub's own session and engine (decompression\n"
    "and CRC check, nothing written). Entries are listed on standard output; warnings, the\n"
    "stub's notices and the final summary go to standard error.",
    {PASSWORD_OPTION, SUBDIRS_OPTION, NO_SUBDIRS_OPTION, JSON_OPTION},
    1,
    1,
    "FILE.exe",
    "Example:\n  mksfx test setup.exe && echo ok\n",
};

const CommandSpec EXTRACT_COMMAND = {
    "extract",
    "extract [options] -d DIR FILE.exe",
    "Extracts FILE.exe into DIR with the stub's own session and engine, as the stub would\n"
    "on Windows with the configured settings (the program group and the extensions are\n"
    "only named). Questions are asked on the terminal, and answered \"no\" when standard\n"
    "input is not one.",
    {
        {"directory", 'd', "DIR", "The extraction directory (created when missing). Example: -d out"},
        {"overwrite", 0, "ask|always|never",
         "What to do with files that exist, instead of the configured answer.\n"
         "Example: --overwrite=never"},
        PASSWORD_OPTION,
        SUBDIRS_OPTION,
        NO_SUBDIRS_OPTION,
        JSON_OPTION,
    },
    1,
    1,
    "FILE.exe",
    "Example:\n  mksfx extract setup.exe -d /tmp/check --overwrite=always\n",
};

int commandRun(int argc, char** argv, bool test) {
  const CommandSpec& spec = test ? TEST_COMMAND : EXTRACT_COMMAND;
  Arguments arguments;
  int parsed = parseArguments(spec, argc, argv, arguments);
  RunOptions o;
  if (parsed < 0 && !runOptionsFrom(spec, arguments, o)) parsed = STATUS_USAGE;
  if (parsed == STATUS_USAGE && optionGiven(argc, argv, "--json")) {
    printJsonFailure(spec.name, std::string(), lastUsageError(), STATUS_USAGE);
  }
  if (parsed >= 0) return parsed;
  Reporter reporter;
  auto failed = [&](const std::string& message, int status) {
    if (o.json) printJsonFailure(spec.name, o.file, message, status);
    return status;
  };
  if (!hostIsFile(o.file)) {
    reporter.error(o.file + " is not a file");
    return failed(o.file + " is not a file", reporter.status());
  }
  std::string file, directory, password;
  std::string where = o.file, unusable = toEnginePath(o.file, file);
  if (unusable.empty() && !test) where = o.directory, unusable = toEnginePath(o.directory, directory, EnginePath::Folder);
  if (!unusable.empty()) {
    reporter.error(where + ": " + unusable);
    return failed(where + ": " + unusable, reporter.status());
  }
  // A relative -d names a folder below the current one. The session changes the current
  // folder as it starts (to the SFX's default directory, or the temporary one), so the
  // path is made full before.
  char full[SYS_PATH_MAX];
  if (!test && SysFullPath(full, directory.c_str())) directory = full;
  if (o.hasPassword && !toEngineText("--password", o.password, password, PASSWORD_MAX, reporter)) {
    return failed("--password: no code page 932 form of at most 31 bytes", STATUS_USAGE);
  }
  RunOptions engine = o;
  engine.directory = directory;
  engine.password = password;

  // The session shows the stub's notice for a rejected block itself; this silent look only
  // learns whether there is one, for the status.
  bool blockRejected = configurationRejected(file);
  // A file that is no SFX, or one cut short, is named in plain words before the engine's
  // own report of it.
  std::string problem = plainFileProblem(o.file, file);
  if (!problem.empty()) reporter.error(problem);
  installConsoleReporting();
  hostCatchInterrupt();
  size_t slash = o.file.find_last_of(HOST_SEPARATORS);
  std::string caption = o.file.substr(slash == std::string::npos ? 0 : slash + 1);
  std::string captionCp932;
  if (!utf8ToCp932(caption, captionCp932)) captionCp932 = "mksfx";
  ConsoleFrontEnd frontEnd(engine, test, captionCp932);
  if (!problem.empty()) frontEnd.setProblem(problem);
  setFatalEndNote([&frontEnd, &o, test](int stubStatus) {
    bool cancelled = stubStatus == FATAL_CANCELLED;
    frontEnd.setError(cancelled ? std::string("cancelled") : std::string(), stubStatus);
    frontEnd.printSummary(cancelled ? "cancelled" : "stopped", cancelled ? STATUS_CANCELLED : STATUS_FAILED);
    // The engine's Cancel takes back the entry it was writing (the file it made, or its
    // temporary file beside the file it was to replace).
    if (cancelled && !test) {
      Reporter::notice("the entry being written was taken back; the entries extracted before it stay in " + o.directory);
    }
  });
  if (!frontEnd.listing() && ProgressLine::shown() && problem.empty()) {
    uint64_t total = 0;
    std::map<std::string, uint64_t> sizes = entrySizes(file, total);
    frontEnd.countBytes(std::move(sizes), total);
  }
  {
    Session session(frontEnd);
    session.start(file.c_str());
  }
  setFatalEndNote(nullptr);
  int status = frontEnd.status(blockRejected);
  if (!problem.empty()) status = STATUS_FAILED;
  const char* outcome = status == STATUS_CANCELLED ? "cancelled" : frontEnd.directoryFailed() ? "stopped" : "finished";
  frontEnd.printSummary(outcome, status);
  return status;
}
