// POSIX child process: three close-on-exec pipes, posix_spawn with the child's ends moved
// onto its standard streams, and the parent's copies of the child's ends closed after the
// start, the same discipline as the Windows build. The command line is split with the
// Windows loader's rules; a program name without a slash is looked up in PATH.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "utils/child_process.h"
#include "utils/command_line.h"
#include "utils/exception.h"
#include "utils/text.h"

extern char** environ;

namespace Utils {
namespace {

struct PipeEnds {
  int write = -1;
  int read = -1;
};

void CloseEnd(int& fd) {
  if (fd >= 0) {
    close(fd);
    fd = -1;
  }
}

// The exception of a failed system call: its name and the error number, so that a child
// that could not be started says why.
[[noreturn]] void ThrowFailed(const wchar_t* call, int error) {
  throw Exception(std::wstring(call) + L" failed: error " + std::to_wstring(error));
}

void MakePipe(PipeEnds& pipe) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) ThrowFailed(L"pipe2", errno);
  pipe.read = fds[0];
  pipe.write = fds[1];
}

// A descriptor closed with its owner.
struct UniqueFd {
  int fd = -1;
  explicit UniqueFd(int f) : fd(f) {}
  ~UniqueFd() { CloseEnd(fd); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
};

// A regular file named by a path that its owner may not execute gets the owner's execute
// permission, as a downloaded package on Windows runs without one. A failure is left to
// the start, which then reports it.
void GrantOwnerExecute(const std::string& program) {
  if (program.find('/') == std::string::npos) return;  // looked up in PATH, not a file of ours
  struct stat st {};
  if (stat(program.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & S_IXUSR) != 0) return;
  (void)chmod(program.c_str(), (st.st_mode & 07777) | S_IXUSR);
}

}  // namespace

struct ChildProcess::Native {
  PipeEnds errorPipe;
  PipeEnds outputPipe;
  PipeEnds inputPipe;
  pid_t pid = -1;
  bool started = false;
  bool reaped = false;
  std::uint32_t exitCode = 0;

  void CloseAll() {
    for (PipeEnds* p : {&errorPipe, &outputPipe, &inputPipe}) {
      CloseEnd(p->write);
      CloseEnd(p->read);
    }
  }

  // A child ended by a signal reports 128 plus the signal number, as shells do.
  void Record(int status) {
    reaped = true;
    exitCode = WIFEXITED(status) ? static_cast<std::uint32_t>(WEXITSTATUS(status))
                                 : 128u + static_cast<std::uint32_t>(WTERMSIG(status));
  }
};

ChildProcess::ChildProcess() : native_(std::make_unique<Native>()) {
  try {
    MakePipe(native_->errorPipe);
    MakePipe(native_->outputPipe);
    MakePipe(native_->inputPipe);
  } catch (...) {
    native_->CloseAll();
    throw;
  }
}

ChildProcess::~ChildProcess() { Close(); }

void ChildProcess::Start(const std::wstring& commandLine, ErrorOutput errorOutput) {
  Native& n = *native_;
  if (n.started) throw Exception(L"the child was started already");
  if (commandLine.size() >= kCommandLineCapacity) throw Exception(L"the command line is too long");
  commandLine_ = commandLine;

  std::vector<std::string> args;
  for (const std::wstring& arg : SplitCommandLine(commandLine)) {
    std::string narrow = ToNarrow(arg, kCodePageAnsi);
    if (narrow.empty() && !arg.empty()) throw Exception(L"an argument has no narrow form");
    args.push_back(std::move(narrow));
  }
  if (args.empty() || args[0].empty()) throw Exception(L"the command line names no program");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  GrantOwnerExecute(args[0]);

  UniqueFd nullDevice(errorOutput == ErrorOutput::kDiscard ? open("/dev/null", O_WRONLY | O_CLOEXEC) : -1);
  if (errorOutput == ErrorOutput::kDiscard && nullDevice.fd < 0) ThrowFailed(L"open(/dev/null)", errno);
  posix_spawn_file_actions_t actions;
  if (const int error = posix_spawn_file_actions_init(&actions); error != 0) {
    ThrowFailed(L"posix_spawn_file_actions_init", error);
  }
  posix_spawn_file_actions_adddup2(&actions, n.inputPipe.read, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, n.outputPipe.write, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, nullDevice.fd >= 0 ? nullDevice.fd : n.errorPipe.write, STDERR_FILENO);
  const bool search = args[0].find('/') == std::string::npos;
  pid_t pid = -1;
  const int rc = search ? posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ)
                        : posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) ThrowFailed(L"posix_spawn", rc);
  n.pid = pid;
  n.started = true;
  CloseEnd(n.outputPipe.write);
  CloseEnd(n.errorPipe.write);
  CloseEnd(n.inputPipe.read);
}

std::size_t ChildProcess::ReadOutput(char* buffer, std::size_t size) {
  if (!native_->started || native_->outputPipe.read < 0 || size == 0) return 0;
  for (;;) {
    const ssize_t got = read(native_->outputPipe.read, buffer, size);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) return 0;  // a broken pipe reads as the end of the output
  }
}

ChildProcess::ReadStatus ChildProcess::ReadOutputWithin(char* buffer, std::size_t size,
                                                       std::chrono::milliseconds timeout, std::size_t& got) {
  got = 0;
  const int fd = native_->outputPipe.read;
  if (!native_->started || fd < 0 || size == 0) return ReadStatus::kEnd;
  pollfd p{fd, POLLIN, 0};
  const long long ms = timeout.count() < 0 ? 0 : timeout.count();
  int ready;
  do {
    ready = poll(&p, 1, static_cast<int>(ms > 0x7FFFFFFF ? 0x7FFFFFFF : ms));
  } while (ready < 0 && errno == EINTR);
  if (ready == 0) return ReadStatus::kTimeout;
  // Readable, hung up or in error: the read tells which.
  got = ReadOutput(buffer, size);
  return got > 0 ? ReadStatus::kData : ReadStatus::kEnd;
}

bool ChildProcess::TryGetExitCode(std::uint32_t& exitCode) {
  Native& n = *native_;
  if (!n.started) return false;
  if (!n.reaped) {
    int status = 0;
    const pid_t r = waitpid(n.pid, &status, WNOHANG);
    if (r != n.pid) return false;
    n.Record(status);
  }
  exitCode = n.exitCode;
  return true;
}

std::uint32_t ChildProcess::WaitForExit() {
  Native& n = *native_;
  if (!n.started) return 0xFFFFFFFFu;
  while (!n.reaped) {
    int status = 0;
    const pid_t r = waitpid(n.pid, &status, 0);
    if (r == n.pid) n.Record(status);
    else if (r < 0 && errno != EINTR) return 0xFFFFFFFFu;
  }
  return n.exitCode;
}

std::uint32_t ChildProcess::ProcessId() const { return native_->pid > 0 ? static_cast<std::uint32_t>(native_->pid) : 0; }

void ChildProcess::Close() {
  if (!native_) return;
  native_->CloseAll();
  // Reap a child that has already ended, so it does not linger as a zombie; a running child
  // is left alone, as on Windows, where closing the handles does not stop it.
  std::uint32_t ignored = 0;
  TryGetExitCode(ignored);
}

}  // namespace Utils
