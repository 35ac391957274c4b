// Windows start-up protection: the DLL search path and the unhandled-exception filter.
#include <windows.h>
#include <delayimp.h>

#include <string>

#include "startup/entry_sequence.h"
#include "utils/system_library_win32.h"
#include "utils/text.h"

namespace {

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

// Looked up once at run time; systems before the 2011 loader update lack it.
SetDefaultDllDirectoriesFn SetDefaultDllDirectoriesPointer() {
  static const auto fn = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  return fn;
}

// Loaded from the system directory at start, so later loads by name find these copies.
constexpr const wchar_t* kPreloaded[] = {L"version.dll", L"ws2_32.dll",   L"sxs.dll",
                                         L"dwmapi.dll",  L"msimg32.dll",  L"d3d8.dll",
                                         L"ieframe.dll", L"ws2help.dll",  L"WindowsCodecs.dll"};

// Delay-imported DLLs (libcurl's crypt32, bcrypt, winmm) are loaded by full system path,
// also on systems without SetDefaultDllDirectories.
FARPROC WINAPI LoadDelayedFromSystem(unsigned notify, PDelayLoadInfo info) {
  if (notify != dliNotePreLoadLibrary || info == nullptr || info->szDll == nullptr) return nullptr;
  const std::wstring name = Utils::ToWide(info->szDll, Utils::kCodePageAnsi);
  return reinterpret_cast<FARPROC>(Utils::LoadSystemLibrary(name.c_str()));
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS*) {
  RunCrashFilter();
  return EXCEPTION_CONTINUE_SEARCH;  // the system's default handling ends the process
}

}  // namespace

void HardenLibrarySearchPath() {
  __pfnDliNotifyHook2 = &LoadDelayedFromSystem;
  if (const auto setDefault = SetDefaultDllDirectoriesPointer()) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
  wchar_t system[MAX_PATH + 1] = {};
  const UINT n = GetSystemDirectoryW(system, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return;
  for (const wchar_t* name : kPreloaded) {
    std::wstring path(system, n);
    path += L'\\';
    path += name;
    LoadLibraryW(path.c_str());  // a missing library is skipped; none is ever freed
  }
}

void InstallCrashFilter() { SetUnhandledExceptionFilter(&CrashFilter); }
