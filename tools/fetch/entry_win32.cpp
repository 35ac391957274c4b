// Windows entry of the fetch tool: the wide command line split as the installer splits its
// own, so URLs and paths keep every character.
#include <windows.h>

#include "tools/fetch/fetch.h"
#include "utils/command_line.h"

int wmain() { return FetchMain(Utils::SplitCommandLine(GetCommandLineW())); }
