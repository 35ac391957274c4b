// LoadLibraryA with the default search order (the executable's folder first).
#include <windows.h>

#include "tools/startupprobe/library_loader.h"

bool LoadLibraryByName(const char* name) { return LoadLibraryA(name) != nullptr; }
