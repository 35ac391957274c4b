// Windows entry of the stand-in: arguments split by CommandLineToArgvW, the raw command line
// for the folder, binary standard handles, and a crash that ends the process with an
// access-violation code and no debugger.
#include <windows.h>
#include <shellapi.h>

#include "tools/standin/platform.h"
#include "tools/standin/standin.h"

namespace standin {
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

bool SpawnDetached(const std::wstring& path, const std::vector<std::wstring>& arguments) {
  std::wstring commandLine = Quote(path);
  for (const std::wstring& a : arguments) commandLine += L" " + Quote(a);
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

void CrashNow() {
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(EXCEPTION_ACCESS_VIOLATION));
  ExitProcess(static_cast<UINT>(EXCEPTION_ACCESS_VIOLATION));
}

}  // namespace standin

int wmain() {
  const wchar_t* commandLine = GetCommandLineW();
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(commandLine, &count);
  std::vector<std::wstring> args;
  for (int i = 0; argv != nullptr && i < count; ++i) args.emplace_back(argv[i]);
  LocalFree(argv);
  return standin::StandinMain(args, commandLine);
}
