// Windows entry of the command-line tools: the wide command line split as the installer
// splits its own, so URLs and paths keep every character.
#include <windows.h>

#include "tools/entry/tool_main.h"
#include "utils/command_line.h"

int wmain() { return ToolMain(Utils::SplitCommandLine(GetCommandLineW())); }
