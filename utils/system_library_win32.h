// Loads a DLL from the system directory by its full path, never from beside the executable
// or the current directory. Used for the DLLs the executable does not import statically.
#pragma once

#include <windows.h>

namespace Utils {
// The module handle, or null. Loaded modules are kept for the life of the process.
HMODULE LoadSystemLibrary(const wchar_t* fileName);
}  // namespace Utils
