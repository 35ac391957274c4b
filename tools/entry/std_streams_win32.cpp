// Windows standard streams written with WriteFile on the standard handles (binary, one call
// a write), and CreateProcessW for a detached program that inherits them.
#include <windows.h>

#include "tools/entry/std_streams.h"

namespace tools {
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

bool SpawnDetached(const std::vector<std::wstring>& argv) {
  std::wstring commandLine;
  for (const std::wstring& a : argv) commandLine += (commandLine.empty() ? L"" : L" ") + Quote(a);
  if (commandLine.empty()) return false;
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

}  // namespace tools
