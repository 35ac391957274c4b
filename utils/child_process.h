// A child process with its standard input, output and error redirected to three anonymous
// pipes. The parent reads the output pipe until the child and every descendant that
// inherited it have closed it.
#pragma once

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

  // Starts the child, hidden, with the parent's environment and current directory. Throws
  // Utils::Exception for a command line of kCommandLineCapacity characters or more, a second
  // start, or a process that cannot be created.
  void Start(const std::wstring& commandLine);

  // Blocks for at most `size` bytes of the child's standard output; 0 at its end.
  std::size_t ReadOutput(char* buffer, std::size_t size);

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
