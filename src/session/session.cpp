// The extraction session: start-up (configuration block, prompts, archive reader, initial
// directory), the required space, directory preparation, one run (option words, selection
// lists, the reader's entry loop), the completion messages and post-extraction steps, Cancel,
// shutdown and the exit-time clean-up. Leans on the option parser for the option words, on
// the archive reader for the entry loop and on the error reporter for every message box.
#include "session/session.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "archive/archive_reader.h"
#include "archive/ziplib.h"
#include "extract/extract.h"
#include "options/option_parser.h"
#include "options/option_state.h"
#include "report/error_reporter.h"
#include "report/message_texts.h"
#include "system/dbcs.h"

using ErrorReporter::FatalError, ErrorReporter::SetProgressLink, ErrorReporter::SetReportedArchive,
      ErrorReporter::ShowMessage;

namespace {

// Room for the warning text, a question and the longest program group name (1040 bytes).
constexpr size_t QUESTION_SIZE = 1400;

Session* liveSession = nullptr;
bool cleanupRegistered = false;

// Copies `source` into a 260-byte path buffer, cut on a character boundary.
void copyPath(char* destination, const char* source) { CopyBounded(destination, source, SYS_PATH_MAX); }

bool isPathSeparator(char c) { return c == '\\' || c == '/'; }

// Positions of the separators the directory walks cut at: every '\' or '/' except one at
// position 0 and one that directly follows ':'. Trail bytes of double-byte characters are
// stepped over. Returns the next such position after `from`, or -1.
int nextCutPosition(const char* text, int from) {
  const char* p = text;
  while (*p) {
    int at = static_cast<int>(p - text);
    if (at > from && isPathSeparator(*p) && at > 0 && text[at - 1] != ':') return at;
    p = NextChar(p);
  }
  return -1;
}

// Routes the names of list files to the session's archive reader.
class ReaderTarget : public OptionTarget {
 public:
  explicit ReaderTarget(ArchiveReader& reader) : reader_(reader) {}
  bool HasArchiveName() override { return true; }
  void SetArchiveName(const char*) override {}
  bool AcceptExtractionDirectory(const char*) override { return false; }
  void AddIncludePattern(const char* pattern) override { reader_.AddInclude(pattern); }
  void AddExcludePattern(const char* pattern) override { reader_.AddExclude(pattern); }

 private:
  ArchiveReader& reader_;
};

}  // namespace

Session::Session(SessionFrontEnd& frontEnd) : frontEnd_(frontEnd) {
  std::memcpy(passwordWord_, PASSWORD_WORD_PREFIX, sizeof PASSWORD_WORD_PREFIX - 1);
  passwordValue()[0] = PASSWORD_PLACEHOLDER;
}

// The normal end of the program: the same clean-up as at exit (the exit-time handler then
// finds no live session).
Session::~Session() {
  if (liveSession == this) exitCleanup();
  releasePrompts();
  releaseArchive();
}

int Session::start(const char* modulePath) {
  if (startUp(modulePath)) {
    frontEnd_.showMainDialog(*this);
    shutdown();
  }
  return 0;
}

bool Session::startUp(const char* modulePath) {
  if (modulePath) {
    copyPath(modulePath_, modulePath);
  } else if (SysModulePath(modulePath_) != 0) {
    modulePath_[0] = 0;
  }
  SysSetNameType(SYS_NAMES_LONG);
  // The option record starts from its defaults (a process starts only one session, but the
  // builder's front end and the tests start several in turn).
  Options().ResetOptions();
  config_.load(modulePath_);

  prompts_ = frontEnd_.createPrompts();
  if (!prompts_) FatalError(FATAL_NO_MEMORY, nullptr);
  SetUserPrompts(prompts_);

  liveSession = this;
  if (!cleanupRegistered) {
    cleanupRegistered = true;
    std::atexit(exitCleanup);
  }
  if (!archive_) {
    archive_ = new (std::nothrow) ArchiveReader;
    if (!archive_) FatalError(FATAL_NO_MEMORY, nullptr);
  }
  archive_->SetArchiveSpec(modulePath_);
  if (!archive_->Open()) {
    releasePrompts();
    return false;
  }
  archive_->LoadDirectory();

  hasSubdirectories_ = false;
  for (int i = 0; i < archive_->loadedCount() && !hasSubdirectories_; ++i) {
    const EntryRecord* e = archive_->entry(i);
    // '/' (0x2F) is never the second byte of a double-byte character.
    if (e && std::memchr(entryName(e), '/', entryNameLength(e))) hasSubdirectories_ = true;
  }
  if (!hasSubdirectories_) config_.setFlags(static_cast<uint16_t>(config_.flags() & ~CFG_SUBDIRS));

  config_.prepareSections();
  computeInitialDirectory();
  return true;
}

// The default directory is cut to its deepest existing prefix: every separator but the last
// component's is tried in turn, and the first failure cuts the text at the last prefix that
// could be made current. A relative text is taken from the temporary directory, and each of
// its prefixes is tried from there (so that "A\B" is looked for as temp\A\B, not inside
// temp\A), and the result is stored as a full path so the dialog opens in the right place.
void Session::computeInitialDirectory() {
  initialDirectory_[0] = 0;
  char temp[SYS_PATH_MAX] = {};
  const bool haveTemp = SysTempDirectory(temp) == 0;
  const char* configured = config_.defaultDirectory();
  if (configured) {
    char text[SYS_PATH_MAX];
    copyPath(text, configured);
    const bool relative = text[0] && text[1] != ':';
    if (relative && haveTemp) SysSetCurrentDirectory(temp);
    int remembered = -1;
    bool failed = false;
    for (int at = nextCutPosition(text, -1); at >= 0; at = nextCutPosition(text, at)) {
      const char kept = text[at];
      text[at] = 0;
      if (relative && haveTemp) SysSetCurrentDirectory(temp);
      const bool ok = SysSetCurrentDirectory(text) == 0;
      text[at] = kept;
      if (!ok) {
        failed = true;
        break;
      }
      remembered = at;
    }
    if (failed) text[remembered < 0 ? 0 : remembered] = 0;
    if (relative && text[0]) {
      if (haveTemp) SysSetCurrentDirectory(temp);
      char full[SYS_PATH_MAX];
      if (SysFullPath(full, text)) copyPath(text, full);
    }
    copyPath(initialDirectory_, text);
  }
  if (!initialDirectory_[0] && haveTemp) copyPath(initialDirectory_, temp);
}

uint64_t Session::requiredKilobytes() const {
  if (!archive_) return 0;
  uint64_t total = 0;
  for (int i = 0; i < archive_->loadedCount(); ++i) {
    const EntryRecord* e = archive_->entry(i);
    if (e) total += le32(e + CDH_UNCOMPRESSED);
  }
  return total / 1024 + (total % 1024 ? 1 : 0);
}

bool Session::prepareDirectory(const char* path) {
  char text[SYS_PATH_MAX];
  // A relative path is made full first: each prefix is made current in turn, so relative
  // prefixes would otherwise be looked for one inside the other.
  if (!SysFullPath(text, path)) copyPath(text, path);
  size_t length = std::strlen(text);
  if (length > 0 && isPathSeparator(LastSingleChar(text))) text[--length] = 0;

  SysCreateDirectory(text, nullptr);
  for (int at = nextCutPosition(text, -1); at >= 0; at = nextCutPosition(text, at)) {
    const char kept = text[at];
    text[at] = 0;
    SysCreateDirectory(text, nullptr);
    if (SysSetCurrentDirectory(text) != 0 && SysCreateDirectory(text, nullptr) != 0) return false;
    text[at] = kept;
  }
  SysCreateDirectory(text, nullptr);
  return SysSetCurrentDirectory(text) == 0;
}

void Session::setExtractionDirectory(const char* path) { copyPath(extractionDirectory_, path); }

void Session::buildOptionWords(bool test) {
  const uint16_t f = config_.flags();
  size_t n = 0;
  auto add = [&](const char* word) {
    std::snprintf(wordText_[n], sizeof wordText_[n], "%s", word);
    optionWords_[n] = wordText_[n];
    ++n;
  };
  if (f & CFG_SUBDIRS) add("-DIRECTORIES");
  if (test) {
    add("-TEST");
  } else {
    add("-EXTRACT");
    if (f & CFG_OVERWRITE_ALL) {
      add("-OVERWRITE");
    } else if (f & CFG_NEVER_OVERWRITE) {
      add("-OVERWRITE=NEVER");
    }
  }
  optionWords_[n++] = passwordWord_;
  optionWords_[n] = nullptr;
}

void Session::run(bool test) {
  running_ = true;
  buildOptionWords(test);
  frontEnd_.enterRunning(*this, test);
  warningsBefore_ = frontEnd_.warningCount();
  OptionState& options = Options();
  // Every run starts from the defaults, so a setting of an earlier run (subdirectories,
  // overwrite policy, patterns) never carries over into the next one.
  options.ResetOptions();
  ParseWords(optionWords_, options);
  runInProgress_ = true;
  {
    // The console break guard stays installed for the whole run instead of being put up
    // and taken down around every read and write.
    SysBreakScope breakScope;
    dispatch();
  }
  runInProgress_ = false;
  frontEnd_.walkEnded(*this);
  complete(test);
  warningsBefore_ = 0;
  SetProgressLink(nullptr);
  running_ = false;
  if (!test) frontEnd_.endDialog(DIALOG_EXTRACTED);
}

void Session::dispatch() {
  if (!archive_) return;
  OptionState& options = Options();
  ReaderTarget target(*archive_);
  OptionTarget* previous = GetOptionTarget();
  SetOptionTarget(&target);
  archive_->selection().Clear();
  // Each item naming a list file (its first character is the marker) adds that file's lines;
  // every other item is a name pattern.
  auto resolve = [&](const TextList& items, bool exclude) {
    for (uint32_t i = 0; i < items.Count(); ++i) {
      const char* item = items.At(i);
      if (item[0] == options.listFilePrefix) {
        ReadListFile(item + 1, exclude, options);
      } else if (exclude) {
        archive_->AddExclude(item);
      } else {
        archive_->AddInclude(item);
      }
    }
  };
  resolve(options.includeSpecs, false);
  resolve(options.excludeSpecs, true);
  if (archive_->selection().includeCount() == 0) archive_->AddInclude("*.*");
  archive_->FinishSelection();
  SetOptionTarget(previous);
  if (options.command == CMD_EXTRACT || options.command == CMD_TEST) RunExtraction(*archive_);
}

char* Session::shortExtractionDirectory(char* buffer) {
  char full[SYS_PATH_MAX];
  if (SysFullPath(full, extractionDirectory_)) copyPath(extractionDirectory_, full);
  if (!SysShortPath(buffer, extractionDirectory_, SYS_PATH_MAX)) copyPath(buffer, extractionDirectory_);
  size_t n = std::strlen(buffer);
  if (!isPathSeparator(LastSingleChar(buffer)) && n + 1 < SYS_PATH_MAX) {
    buffer[n] = '\\';
    buffer[n + 1] = 0;
  }
  return buffer;
}

void Session::complete(bool test) {
  const int warnings = frontEnd_.warningCount() - warningsBefore_;
  const uint16_t f = config_.flags();
  if (warnings == 0 && (test || (f & CFG_MESSAGES)))
    ShowMessage(test ? TEST_DONE_TEXT : EXTRACTION_DONE_TEXT, MessageKind::Notice);

  char warningText[256] = "";
  if (warnings != 0)
    std::snprintf(warningText, sizeof warningText,
                  test ? TEST_WARNINGS_TEXT : EXTRACTION_WARNINGS_TEXT, warnings);
  if (test) {
    if (warnings != 0) ShowMessage(warningText, MessageKind::Notice);
    return;
  }

  // A step is eligible when its flag is set and the configuration has its section (a front
  // end that sets the flag without a section gets nothing to create). With warnings, the
  // step's question carries the warning text, and the step runs only on Yes and only if
  // Cancel was not confirmed while the question was open.
  DesktopSteps* steps = frontEnd_.desktopSteps();
  bool warningsAsked = false;
  auto agreed = [&](uint16_t flag, const char* section, const char* questionText, const char* subject) {
    if (!postStepsAllowed_ || !(f & flag) || !section) return false;
    if (warnings == 0) return true;
    char question[QUESTION_SIZE];
    std::snprintf(question, sizeof question, "%s%s%s", warningText, questionText, subject);
    warningsAsked = true;
    return ShowMessage(question, MessageKind::Question) && postStepsAllowed_;
  };
  char shortDirectory[SYS_PATH_MAX];
  if (agreed(CFG_PROGRAM_GROUP, config_.programGroup(), GROUP_QUESTION_TEXT, config_.programGroup()) && steps)
    steps->createProgramGroup(config_.programGroup(), shortExtractionDirectory(shortDirectory));
  if (agreed(CFG_EXTENSIONS, config_.extensions(), EXTENSIONS_QUESTION_TEXT, config_.extensionListText()) &&
      steps)
    steps->registerExtensions(config_, shortExtractionDirectory(shortDirectory));

  // Otherwise the warnings get their own notice.
  if (warnings != 0 && (f & CFG_MESSAGES) && !warningsAsked) ShowMessage(warningText, MessageKind::Notice);
}

void Session::cancelConfirmed() {
  if (!running_) return;
  postStepsAllowed_ = false;
  if (runInProgress_) {
    SetProgressLink(nullptr);
    FatalError(FATAL_CANCELLED, nullptr);
  }
}

void Session::shutdown() {
  Options().ZeroOptions();
  releasePrompts();
  releaseArchive();
}

void Session::releasePrompts() {
  if (!prompts_) return;
  if (GetUserPrompts() == prompts_) SetUserPrompts(nullptr);
  delete prompts_;
  prompts_ = nullptr;
}

void Session::releaseArchive() {
  if (!archive_) return;
  archive_->Close();
  delete archive_;
  archive_ = nullptr;
  SetReportedArchive(nullptr);
}

void Session::exitCleanup() {
  Session* s = liveSession;
  if (!s) return;
  liveSession = nullptr;
  if (DesktopSteps* steps = s->frontEnd_.desktopSteps()) steps->endConversation();
  s->releasePrompts();
  s->releaseArchive();
}
