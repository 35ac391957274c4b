// Windows entry of the fetch tool: the wide command line split as the installer splits its
// own, so URLs and paths keep every character.
#include <windows.h>

#include "tools/fetch/fetch.h"
#include "utils/command_line.h"

void WriteOut(const std::string& text) {
  DWORD written = 0;
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  // Nowhere to write is no reason to stop the download.
  if (out != nullptr && out != INVALID_HANDLE_VALUE) WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

int wmain() { return FetchMain(Utils::SplitCommandLine(GetCommandLineW())); }
