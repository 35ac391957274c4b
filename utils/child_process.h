// A child process with its standard input, output and error redirected to three anonymous
// pipes. The parent reads the output pipe until the child and every descendant that
// inherited it have closed it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace Utils {

class ChildProcess {
 public:
  // Command lines hold at most this many characters, the terminating zero included.
  static constexpr std::size_t kCommandLineCapacity = 1024;

  // Makes the three pipes; throws Utils::Exception when one cannot be made.
  ChildProcess();
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Where the child's standard error goes: the error pipe, or the null device for a parent
  // that never reads it (a child writing much there must not block on a full pipe).
  enum class ErrorOutput { kPipe, kDiscard };

  // Starts the child, hidden, with the parent's environment and current directory. Throws
  // Utils::Exception for a command line of kCommandLineCapacity characters or more, a second
  // start, or a process that cannot be created. On POSIX a program file without execute
  // permission (a downloaded package) gets it for its owner first, as Windows runs any
  // downloaded program.
  void Start(const std::wstring& commandLine, ErrorOutput errorOutput = ErrorOutput::kPipe);

  // Blocks for at most `size` bytes of the child's standard output; 0 at its end.
  std::size_t ReadOutput(char* buffer, std::size_t size);

  enum class ReadStatus {
    kData,     // `got` bytes were read
    kEnd,      // every holder of the output's write end has closed it
    kTimeout,  // nothing arrived within the time given
  };
  // Like ReadOutput, but waits at most `timeout` for the first byte, so a reader is never
  // held by a descendant that keeps the output open without writing.
  ReadStatus ReadOutputWithin(char* buffer, std::size_t size, std::chrono::milliseconds timeout,
                              std::size_t& got);

  // True with the exit code once the child has ended, false while it runs (or never ran).
  bool TryGetExitCode(std::uint32_t& exitCode);
  // Waits for the child without time limit; its exit code, or 0xFFFFFFFF when none ran.
  std::uint32_t WaitForExit();

  std::uint32_t ProcessId() const;
  const std::wstring& CommandLine() const { return commandLine_; }

  // Closes the process handles and every pipe end still open. Does not stop the child.
  void Close();

  struct Native;

 private:
  std::wstring commandLine_;
  std::unique_ptr<Native> native_;
};

}  // namespace Utils
