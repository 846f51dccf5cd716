// The builder's host layer on Linux: file descriptors, stat and readdir, mkstemp with a
// hard link for a publication that never replaces, termios for hidden input, SIGINT,
// SIGTERM and SIGHUP (and, while files are written, SIGPIPE) as requests to stop, /bin/sh for
// commands, localtime_r in the zone TZ names and iconv for code page 932. Handles are file
// descriptors.
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "host/host.h"

const char* const HOST_SEPARATORS = "/";

namespace {

int fdOf(intptr_t handle) { return static_cast<int>(handle); }

// One conversion of the whole text; false when iconv stops on a character it cannot map.
bool convert(const char* to, const char* from, const std::string& in, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string buffer(in.size() * 4 + 16, '\0');
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char* outPtr = &buffer[0];
  size_t outLeft = buffer.size();
  bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && inLeft == 0 &&
            iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (ok) out.assign(buffer.data(), buffer.size() - outLeft);
  return ok;
}

// The requests to stop, and what the handlers need: only async-signal-safe calls there.
const int STOP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t interrupted = 0;
volatile std::sig_atomic_t lastSignal = 0;
int endStatus = 0;
const char* endNote = "";

extern "C" void noteInterrupt(int signal) {
  lastSignal = signal;
  interrupted = 1;
}

extern "C" void endAtOnce(int signal) {
  lastSignal = signal;
  ssize_t ignored = ::write(STDERR_FILENO, endNote, std::strlen(endNote));
  (void)ignored;
  _exit(endStatus);
}

// A reader of the output that went away (`mksfx extract ... | head`) is a request to stop
// while a command writes files: by default SIGPIPE would end the process inside one, which
// would then stay cut short under its name. Before that, nothing is to be taken back, and
// the process ends as any program whose reader went away, without a word.
void handleStopSignals(void (*handler)(int), bool closedPipe) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  for (int s : STOP_SIGNALS) sigaction(s, &action, nullptr);
  if (!closedPipe) action.sa_handler = SIG_DFL;
  sigaction(SIGPIPE, &action, nullptr);
}

}  // namespace

bool HostFile::openRead(const std::string& path) {
  close();
  int fd = ::open(path.c_str(), O_RDONLY);
  handle_ = fd;
  return fd >= 0;
}

bool HostFile::createNew(const std::string& path) {
  close();
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
  handle_ = fd;
  return fd >= 0;
}

bool HostFile::makeExecutable() {
  mode_t mask = umask(0);
  umask(mask);
  return fchmod(fdOf(handle_), 0777 & ~mask) == 0;
}

bool hostStatus(const std::string& path, HostStatus& status) {
  status = HostStatus();
  struct stat link, s;
  if (lstat(path.c_str(), &link) != 0 || stat(path.c_str(), &s) != 0) return false;
  status.kind = S_ISREG(s.st_mode) ? HostKind::File : S_ISDIR(s.st_mode) ? HostKind::Directory : HostKind::Other;
  status.link = S_ISLNK(link.st_mode);
  status.readOnly = !(s.st_mode & S_IWUSR);
  status.size = static_cast<uint64_t>(s.st_size);
  status.modified = static_cast<int64_t>(s.st_mtime);
  return true;
}

bool hostSetModifiedTime(const std::string& path, int64_t seconds) {
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(seconds);
  times[0].tv_nsec = times[1].tv_nsec = 0;
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool HostFile::createTemporary(const std::string& path, std::string& temporary) {
  close();
  std::string pattern = path + ".mksfx-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  handle_ = fd;
  if (fd < 0) return false;
  temporary = name.data();
  return true;
}

namespace {

// Puts the file's data on the disk, so that a rename over an existing file cannot leave, after
// a power cut, the new name with data that never reached the disk in place of the old file.
bool flushToDisk(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  bool ok = fsync(fd) == 0;
  int error = errno;
  ::close(fd);
  errno = error;
  return ok;
}

}  // namespace

HostPublish hostPublish(const std::string& temporary, const std::string& target, bool replace) {
  // Without replacing, link() refuses an existing target, so a file that appeared meanwhile
  // is not replaced either; the temporary name is then removed.
  struct stat existing;
  bool replacing = replace && lstat(target.c_str(), &existing) == 0;
  int result = -1;
  if (!replacing || flushToDisk(temporary)) {
    result = replace ? rename(temporary.c_str(), target.c_str()) : link(temporary.c_str(), target.c_str());
  }
  int error = errno;
  if (!replace || result != 0) unlink(temporary.c_str());
  errno = error;
  if (result == 0) return HostPublish::Done;
  return error == EEXIST ? HostPublish::Exists : HostPublish::Failed;
}

std::string hostErrorText() { return std::strerror(errno); }

std::vector<std::string> hostArguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

std::string hostOwnFolder() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return std::string();
  std::string exe(self, static_cast<size_t>(n));
  return exe.substr(0, exe.rfind('/'));
}

bool hostEnvironment(const char* name, std::string& value) {
  const char* text = std::getenv(name);
  if (!text) return false;
  value = text;
  return true;
}

int hostRunCommand(const std::string& commandLine) {
  int status = std::system(commandLine.c_str());
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Inside single quotes everything is literal except the quote itself, which is closed,
// escaped and reopened.
std::string hostQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

void hostPrepareConsole() {}

bool hostIsTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

bool hostReadLine(bool hidden, std::string& line) {
  termios saved{};
  bool restore = false;
  if (hidden && tcgetattr(STDIN_FILENO, &saved) == 0) {
    termios quiet = saved;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    restore = tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
  }
  char buffer[256];
  line.clear();
  bool read = std::fgets(buffer, sizeof buffer, stdin) != nullptr;
  if (read) line = buffer;
  if (restore) {
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::fputc('\n', stderr);
  }
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return read && !std::feof(stdin);
}

void hostEndOnInterrupt(int status, const char* note) {
  endStatus = status;
  endNote = note;
  handleStopSignals(endAtOnce, false);
}

void hostCatchInterrupt() { handleStopSignals(noteInterrupt, true); }

bool hostInterrupted() { return interrupted != 0; }

const char* hostInterruptName() {
  switch (lastSignal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    case SIGPIPE: return "SIGPIPE";
    default: return "";
  }
}

int64_t hostMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool hostLocalTime(int64_t seconds, HostLocalTime& local) {
  time_t t = static_cast<time_t>(seconds);
  struct tm parts;
  if (!localtime_r(&t, &parts)) return false;
  local = {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
  return true;
}

bool hostUtf8ToCp932(const std::string& utf8, std::string& cp932) { return convert("CP932", "UTF-8", utf8, cp932); }
bool hostCp932ToUtf8(const std::string& cp932, std::string& utf8) { return convert("UTF-8", "CP932", cp932, utf8); }
