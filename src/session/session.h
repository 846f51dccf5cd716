// The extraction session: the spine of the program from its entry to its exit. It loads the
// configuration block from the program's own file, opens the archive appended to that file,
// computes the initial directory and the required space, hands control to a front end (the
// Win32 main dialog, or the builder's console front end), and for every Extract or Test
// turns the flags word into option words, runs the entry loop, reports the outcome and
// performs the post-extraction steps. It knows no controls and no windows: the front end
// supplies the flags word (in the ConfigBlock) and the extraction directory, receives
// ProgressEvents (it is the ProgressLink, linked with SetProgressLink), shows message boxes
// (the MessageDisplay of the error reporter) and answers questions (its UserPrompts).
#pragma once

#include <cstddef>
#include <cstdint>

#include "report/front_end.h"
#include "report/user_prompts.h"
#include "session/config_block.h"
#include "system/system.h"

class ArchiveReader;
class Session;

// Dialog results, as the main dialog ends.
constexpr int DIALOG_EXTRACTED = 1;  // ended after an extraction
constexpr int DIALOG_CANCELLED = 2;  // Cancel confirmed outside the entry loop

// The password word: "-PASSWORD=" and room for 34 bytes of value (44 bytes in all). Its value
// starts as the placeholder of the option record (PASSWORD_PLACEHOLDER), which no password
// typed in a dialog can equal.
constexpr size_t PASSWORD_WORD_SIZE = 44;
constexpr char PASSWORD_WORD_PREFIX[] = "-PASSWORD=";
constexpr size_t OPTION_WORD_LIMIT = 4;  // at most four words and the end marker

// The post-extraction steps of the desktop. Each gets the extraction directory in short
// form with a trailing separator (the text that replaces "%0" in commands). The Win32
// implementations (program manager conversation, registry) live in src/desktop.
class DesktopSteps {
 public:
  // `group`: the prepared program group section (zero-separated strings: the group name,
  // then commands; an empty string ends the list).
  virtual void createProgramGroup(const char* group, const char* shortDirectory) = 0;
  // `config`: the prepared extension section is config.extensions().
  virtual void registerExtensions(const ConfigBlock& config, const char* shortDirectory) = 0;
  // Exit-time clean-up: ends a conversation with the program manager if one is open.
  virtual void endConversation() {}
  virtual ~DesktopSteps() = default;
};

// What the session needs of the program's front end.
class SessionFrontEnd {
 public:
  // The prompt object of the session; the session owns it (released with delete) and
  // installs it with SetUserPrompts. Null means no memory: out-of-memory report.
  virtual UserPrompts* createPrompts() = 0;

  // The main dialog: runs until the user ends it and returns the dialog result. It reads
  // session.config() and session.initialDirectory(), links itself with SetProgressLink,
  // writes its settings into session.config().setFlags(...), sets the extraction directory
  // (setExtractionDirectory, full path), makes it current (prepareDirectory when it must be
  // created) and calls session.run(test). A console front end runs one extract or test.
  virtual int showMainDialog(Session& session) = 0;

  // The dialog switches to its running state (controls disabled, progress shown) and
  // becomes the owner window of the prompts; called by run before the option words are
  // applied.
  virtual void enterRunning(Session& session, bool test) {}

  // The entry loop of the run has ended, before the completion messages: a front end that
  // holds back repaints of its progress display shows the final state now.
  virtual void walkEnded(Session& session) {}

  // The warning count the dialog shows (its warning field), read as a signed number. The
  // dialog counts PROGRESS_WARNING events and starts each run at 0 (in enterRunning); the
  // session takes the growth of the figure from enterRunning to the completion, so a front
  // end that keeps counting across runs still gets each run's own figure.
  virtual int warningCount() = 0;

  // Ends the dialog with `result`; after an extraction run returns, DIALOG_EXTRACTED.
  // The dialog ends when control returns to it.
  virtual void endDialog(int result) {}

  // The post-extraction steps; null: none are performed.
  virtual DesktopSteps* desktopSteps() { return nullptr; }

  virtual ~SessionFrontEnd() = default;
};

class Session {
 public:
  explicit Session(SessionFrontEnd& frontEnd);
  ~Session();  // releases what is still held (as the exit-time clean-up does)
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The program's entry: start-up, the main dialog, shutdown. `modulePath` names the file
  // that carries the configuration block and the archive; null means the running module
  // (SysModulePath). Returns 0 (a fatal report ends the process from inside instead).
  int start(const char* modulePath = nullptr);

  // The first half of start: module path, configuration block, prompts, reader, the
  // subdirectory rule, the '|' preparation and the initial directory. False when the
  // archive could not be opened (prompts already released); then start returns 0.
  bool startUp(const char* modulePath = nullptr);

  // Kilobytes the archive needs: the 64-bit sum of the uncompressed sizes / 1024, rounded up.
  uint64_t requiredKilobytes() const;

  // Creates the directory chain of `path` and makes the path current. True on success.
  bool prepareDirectory(const char* path);

  // One Extract or Test run, after the front end stored its settings into the flags word and
  // made the extraction directory current. Ends with complete(test); then the progress
  // link is cleared and, after an extraction, the dialog is ended with DIALOG_EXTRACTED.
  void run(bool test);

  // Completion messages and post-extraction steps of a run, for the warnings counted since
  // the run began.
  void complete(bool test);

  // The user confirmed Cancel. During a run the post-extraction steps are withdrawn; inside
  // the entry loop the progress link is cleared and the process ends with status 255
  // (fatal report without a message: this call does not return). Otherwise the caller ends
  // the dialog with DIALOG_CANCELLED.
  void cancelConfirmed();

  // After the dialog has ended: the option record is zeroed, the prompts released, the
  // archive closed and destroyed.
  void shutdown();

  // The exit-time clean-up (registered with atexit on the first start-up): the program
  // manager conversation, the prompts and the reader of the live session.
  static void exitCleanup();

  // ---- state read and written by the front ends -------------------------------------------
  ConfigBlock& config() { return config_; }
  const ConfigBlock& config() const { return config_; }
  ArchiveReader* archive() { return archive_; }
  UserPrompts* prompts() { return prompts_; }
  const char* modulePath() const { return modulePath_; }
  const char* initialDirectory() const { return initialDirectory_; }
  const char* extractionDirectory() const { return extractionDirectory_; }
  void setExtractionDirectory(const char* path);  // cut to 259 characters
  // True when some entry name contains '/' (the subdirectory check box is enabled).
  bool hasSubdirectories() const { return hasSubdirectories_; }
  // The option words of the last run, ending with a null pointer.
  const char* const* optionWords() const { return optionWords_; }
  // The value area of the password word (the engine writes a typed password there).
  char* passwordValue() { return passwordWord_ + sizeof PASSWORD_WORD_PREFIX - 1; }
  const char* passwordWord() const { return passwordWord_; }
  bool runInProgress() const { return runInProgress_; }
  bool running() const { return running_; }  // from run's start to its return
  bool postStepsAllowed() const { return postStepsAllowed_; }
  bool sizeTallyOff() const { return sizeTallyOff_; }
  void setSizeTallyOff(bool on) { sizeTallyOff_ = on; }

  // The extraction directory in short form with a trailing separator, computed afresh (the
  // full-path form is stored back into the extraction directory first). `buffer`: 260 bytes.
  char* shortExtractionDirectory(char* buffer);

  // Builds the option words of a run from the flags word (exposed for the front ends'
  // display and for tests).
  void buildOptionWords(bool test);

 private:
  void computeInitialDirectory();
  void dispatch();
  void releasePrompts();
  void releaseArchive();

  SessionFrontEnd& frontEnd_;
  ConfigBlock config_;
  ArchiveReader* archive_ = nullptr;
  UserPrompts* prompts_ = nullptr;
  char modulePath_[SYS_PATH_MAX] = {};
  char initialDirectory_[SYS_PATH_MAX] = {};
  char extractionDirectory_[SYS_PATH_MAX] = {};
  char* optionWords_[OPTION_WORD_LIMIT + 1] = {};
  char wordText_[OPTION_WORD_LIMIT - 1][20] = {};  // the words other than the password word
  char passwordWord_[PASSWORD_WORD_SIZE] = {};
  bool hasSubdirectories_ = false;
  bool runInProgress_ = false;
  bool running_ = false;
  bool sizeTallyOff_ = false;
  bool postStepsAllowed_ = true;
  int warningsBefore_ = 0;  // the front end's figure when the current run began
};
