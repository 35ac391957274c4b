// Windows entry of the probe: arguments split by CommandLineToArgvW, as the installer splits
// its own, and binary standard streams.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <shellapi.h>

#include "tools/childprobe/probe.h"

namespace {
void WriteHandle(DWORD which, const std::string& bytes) {
  HANDLE h = GetStdHandle(which);
  DWORD written = 0;
  if (h != nullptr && h != INVALID_HANDLE_VALUE && !bytes.empty()) {
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
}

std::wstring Quote(const std::wstring& arg) { return L"\"" + arg + L"\""; }
}  // namespace

void WriteOut(const std::string& bytes) { WriteHandle(STD_OUTPUT_HANDLE, bytes); }
void WriteErr(const std::string& bytes) { WriteHandle(STD_ERROR_HANDLE, bytes); }

bool SpawnDetached(const std::vector<std::wstring>& args) {
  std::wstring commandLine;
  for (const std::wstring& a : args) commandLine += (commandLine.empty() ? L"" : L" ") + Quote(a);
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

int wmain() {
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> args;
  for (int i = 0; argv != nullptr && i < count; ++i) args.emplace_back(argv[i]);
  LocalFree(argv);
  return ProbeMain(args);
}
