// A break (SIGINT on Linux) that arrives during a read does not interrupt the transfer: it
// is held back, the read completes with its data, and the break is raised again right after.
// The flag stays set, so a later transfer raises it again. The same holds inside a break
// scope, whose handler stays installed between transfers. Runs in a child process, because
// the break flag never clears.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "system/system.h"

namespace {

volatile char readBuffer[4];
volatile sig_atomic_t breaksSeen = 0;
volatile char bufferAtFirstBreak = 0;

extern "C" void countBreak(int) {
  if (breaksSeen++ == 0) bufferAtFirstBreak = readBuffer[0];
}

// Exit codes of the child: 42 when every expectation held, another number naming the first
// one that failed.
[[noreturn]] void childRun(bool scoped) {
  struct sigaction action {};
  action.sa_handler = countBreak;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  int fds[2];
  if (pipe(fds) != 0) _exit(2);
  int readFd = fcntl(fds[0], F_DUPFD, 3), writeFd = fcntl(fds[1], F_DUPFD, 3);
  std::thread sender([writeFd] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    kill(getpid(), SIGINT);  // while the main thread waits in the read
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    if (write(writeFd, "x", 1) != 1) _exit(3);
  });
  if (scoped) SysBeginBreakScope();
  uint32_t n = 0;
  int result = SysReadFile(readFd, const_cast<char*>(readBuffer), 1, &n);
  sender.join();
  if (result != 0 || n != 1 || readBuffer[0] != 'x') _exit(4);
  if (breaksSeen != 1) _exit(5);
  if (bufferAtFirstBreak != 'x') _exit(6);  // the break came through before the data
  if (!SysBreakPending()) _exit(7);
  uint32_t written = 0;
  if (SysWriteFile(writeFd, "y", 1, &written) != 0 || written != 1) _exit(8);
  if (breaksSeen != 2) _exit(9);  // raised again after the next transfer
  if (scoped) SysEndBreakScope();
  if (breaksSeen != 2) _exit(10);  // the scope's end raises nothing that was raised already
  _exit(42);
}

}  // namespace

TEST(ConsoleBreak, BreakDuringAReadIsRaisedAfterIt) {
  EXPECT_EXIT(childRun(false), ::testing::ExitedWithCode(42), "");
}

TEST(ConsoleBreak, BreakInsideARunScopeIsRaisedAfterTheTransfer) {
  EXPECT_EXIT(childRun(true), ::testing::ExitedWithCode(42), "");
}
#endif
