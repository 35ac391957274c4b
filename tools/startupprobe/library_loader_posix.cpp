// dlopen with the default search order.
#include <dlfcn.h>

#include "tools/startupprobe/library_loader.h"

bool LoadLibraryByName(const char* name) { return dlopen(name, RTLD_NOW) != nullptr; }
