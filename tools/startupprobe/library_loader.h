// Loads a library by bare name through the platform's normal search.
#pragma once
bool LoadLibraryByName(const char* name);
