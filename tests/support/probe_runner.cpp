// Probe program runner.
#include "tests/support/probe_runner.h"

#include "utils/child_process.h"
#include "utils/folders.h"

namespace testsupport {

std::wstring ProgramPath(const std::wstring& name) {
  std::wstring path = Utils::JoinPath(Utils::DirectoryOf(Utils::GetExecutablePath()), name);
  if (Utils::PathSeparator() == L'\\') path += L".exe";
  return path;
}

std::wstring ProbeCommand() { return L"\"" + ProgramPath(L"childprobe") + L"\""; }

ProbeResult RunCommandLine(const std::wstring& commandLine) {
  Utils::ChildProcess child;
  child.Start(commandLine);
  ProbeResult result;
  char block[1024];
  while (std::size_t n = child.ReadOutput(block, sizeof(block))) result.output.append(block, n);
  result.exitCode = child.WaitForExit();
  return result;
}

}  // namespace testsupport
