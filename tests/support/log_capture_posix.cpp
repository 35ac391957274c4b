// POSIX log capture: the child's standard error, read to its end.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "tests/support/log_line.h"
#include "utils/command_line.h"
#include "utils/text.h"

extern char** environ;

namespace testsupport {

CapturedLog CaptureLog(const std::wstring& commandLine) {
  CapturedLog captured;
  std::vector<std::string> args;
  for (const std::wstring& a : Utils::SplitCommandLine(commandLine)) args.push_back(Utils::ToNarrow(a, Utils::kCodePageUtf8));
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return captured;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    return captured;
  }
  std::string bytes;
  char block[4096];
  ssize_t n;
  while ((n = read(fds[0], block, sizeof(block))) > 0) bytes.append(block, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  captured.processId = static_cast<unsigned long>(pid);
  captured.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  captured.lines = SplitLines(Utils::ToWide(bytes, Utils::kCodePageUtf8));
  return captured;
}

}  // namespace testsupport
