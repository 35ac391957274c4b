// The real work of the stand-in's roles: installing into a folder and removing one.
#pragma once

#include <string>

namespace standin {

// Creates the folder with its parents and copies the running program to Tavelo.exe and
// uninst.ep in it; with keepOnReinstall also sets "set.ini" [Uninstall] IsOverride=false.
// False when any step fails.
bool InstallInto(const std::wstring& folder, bool keepOnReinstall);

// Removes the folder with everything in it; true when it is gone (also when it never was).
bool RemoveFolder(const std::wstring& folder);

}  // namespace standin
