// The builder's one way out for what goes wrong: every error, warning, notice and refusal of
// every command is printed here on standard error ("mksfx: error: ...", "mksfx: warning:
// ..."), counted, and turned into the exit status the commands share. Errors always stop a
// build; warnings stop it only with --strict. What the stub could not deliver in full (an
// entry it cannot extract, or would extract elsewhere or damaged) is an error unless
// --allow-unextractable makes it a warning. Nothing is written once a build is refused.
#pragma once

#include <string>

// Exit statuses, the same for every command; scripts rely on them.
constexpr int STATUS_OK = 0;         // all good
constexpr int STATUS_WARNINGS = 1;   // finished, with warnings (printed on standard error)
constexpr int STATUS_FAILED = 2;     // damaged or unusable input, or output not written
constexpr int STATUS_USAGE = 3;      // the command line is wrong
constexpr int STATUS_CANCELLED = 4;  // cancelled (Ctrl-C, or "quit" answered to a question)

class Reporter {
 public:
  explicit Reporter(bool strict = false, bool allowUnextractable = false)
      : strict_(strict), allowUnextractable_(allowUnextractable) {}
  void error(const std::string& text);
  void warning(const std::string& text);
  void unextractable(const std::string& text);
  // A line that is neither: "mksfx: TEXT", counted nowhere.
  static void notice(const std::string& text);
  // The option that would let the build through, named by the refusal instead of
  // --allow-unextractable ("--utf8-names takes names ... as UTF-8").
  void suggest(const std::string& text) { suggestion_ = text; }
  // The end of a refused build: the one option that fits (the suggestion, or
  // --allow-unextractable when the stub could not deliver the input), and that nothing
  // took the output's name.
  void refuse(const std::string& output);
  // A request to stop was served: "mksfx: cancelled (SIGINT): TEXT"; the status is
  // STATUS_CANCELLED from now on.
  void cancel(const std::string& text);
  bool cancelled() const { return cancelled_; }
  bool refused() const { return errors_ > 0 || (strict_ && warnings_ > 0); }
  int errors() const { return errors_; }
  int warnings() const { return warnings_; }
  int unextractables() const { return unextractables_; }
  // STATUS_CANCELLED after a cancel, STATUS_FAILED after an error, STATUS_WARNINGS after a
  // warning, else STATUS_OK.
  int status() const;

 private:
  bool strict_;
  bool allowUnextractable_;
  int errors_ = 0;
  int warnings_ = 0;
  int unextractables_ = 0;
  std::string suggestion_;
  bool cancelled_ = false;
};
