// Windows entry of the stand-in: arguments split by CommandLineToArgvW, the raw command line
// for the folder, and a crash that ends the process with an
// access-violation code and no debugger.
#include <windows.h>
#include <shellapi.h>

#include "tools/standin/platform.h"
#include "tools/standin/standin.h"

namespace standin {

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
