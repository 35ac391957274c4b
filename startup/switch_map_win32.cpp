// Windows process arguments: GetCommandLineW split by CommandLineToArgvW.
#include <windows.h>
#include <shellapi.h>

#include "startup/switch_map.h"

std::vector<std::wstring> SplitCommandLineText(const std::wstring& commandLine) {
  std::vector<std::wstring> arguments;
  // CommandLineToArgvW answers an empty text with the program's path; keep "" instead.
  if (commandLine.empty()) return {L""};
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(commandLine.c_str(), &count);
  if (argv == nullptr) return arguments;  // no arguments: no switches
  for (int i = 0; i < count; ++i) arguments.emplace_back(argv[i]);
  LocalFree(argv);
  return arguments;
}

std::vector<std::wstring> ProcessArguments() { return SplitCommandLineText(GetCommandLineW()); }
