// Runs the childprobe program (built beside the tests) through Utils::ChildProcess.
#pragma once

#include <cstdint>
#include <string>

namespace testsupport {

// Full path of a program built beside the running test ("childprobe" gets ".exe" on Windows).
std::wstring ProgramPath(const std::wstring& name);
// The probe's path in double quotes, ready to start a command line.
std::wstring ProbeCommand();

struct ProbeResult {
  std::uint32_t exitCode = 0;
  std::string output;
};

// Starts the command line, reads all output and waits for the exit.
ProbeResult RunCommandLine(const std::wstring& commandLine);

}  // namespace testsupport
