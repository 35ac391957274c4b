// The real executable on POSIX: the single-instance guard across two processes. The first
// installer is held at its first log line (written once it owns the guard) by giving it a
// standard error pipe that is full; meanwhile a second start must exit with -1.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "tests/support/log_line.h"
#include "tests/support/probe_runner.h"
#include "utils/text.h"

extern char** environ;

namespace {

std::string InstallerPath() { return Utils::ToNarrow(testsupport::ProgramPath(L"TaveloInstaller"), 65001); }

int RunToEnd(const std::string& path) {
  char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0) return 1000;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? static_cast<signed char>(WEXITSTATUS(status)) : 1000 + WTERMSIG(status);
}

// An installer blocked writing its first log line to a full pipe.
struct HeldInstaller {
  pid_t pid = -1;
  int readEnd = -1;

  bool Start(const std::string& path) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    readEnd = fds[0];
    fcntl(fds[1], F_SETFL, O_NONBLOCK);
    const std::string filler(4096, 'f');
    while (write(fds[1], filler.data(), filler.size()) > 0) {
    }
    while (write(fds[1], "f", 1) > 0) {
    }
    fcntl(fds[1], F_SETFL, 0);  // the child must block, not fail, on the full pipe
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    const int rc = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    return rc == 0;
  }

  // True once the child sits in write(2, ...), that is, after it took the guard.
  bool WaitBlockedInLog() {
    for (int i = 0; i < 500; ++i) {
      std::ifstream in("/proc/" + std::to_string(pid) + "/syscall");
      long number = -1;
      std::string fd;
      if (in >> number >> fd && number == SYS_write && fd == "0x2") return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  // Lets it go on: drains the pipe to its end; returns the exit code.
  int Release() {
    char block[4096];
    while (read(readEnd, block, sizeof(block)) > 0) {
    }
    close(readEnd);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? static_cast<signed char>(WEXITSTATUS(status)) : 1000 + WTERMSIG(status);
  }

  int Kill() {
    kill(pid, SIGKILL);
    close(readEnd);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? WTERMSIG(status) : -1000;
  }
};

}  // namespace

TEST(InstallerExecutable, SecondInstanceExitsWithMinusOneWhileTheFirstRuns) {
  const std::string path = InstallerPath();
  HeldInstaller first;
  ASSERT_TRUE(first.Start(path));
  ASSERT_TRUE(first.WaitBlockedInLog());
  EXPECT_EQ(RunToEnd(path), -1);
  EXPECT_EQ(first.Release(), 0);
  EXPECT_EQ(RunToEnd(path), 0) << "a new start runs once the first has ended";
}

TEST(InstallerExecutable, AKilledFirstInstanceDoesNotBlockTheNext) {
  const std::string path = InstallerPath();
  HeldInstaller first;
  ASSERT_TRUE(first.Start(path));
  ASSERT_TRUE(first.WaitBlockedInLog());
  EXPECT_EQ(first.Kill(), SIGKILL);
  EXPECT_EQ(RunToEnd(path), 0);
}

TEST(CrashFilter, RunsOnceBeforeTheDefaultAction) {
  const auto captured = testsupport::CaptureLog(L"\"" + testsupport::ProgramPath(L"startupprobe") + L"\" crash");
  EXPECT_EQ(captured.exitCode, 128u + SIGSEGV);
  int filterLines = 0;
  for (const std::wstring& line : captured.lines) {
    const auto l = testsupport::ParseLogLine(line);
    if (l.ok && l.function == L"RunCrashFilter") ++filterLines;
  }
  EXPECT_EQ(filterLines, 1);
}
