// When loaded, appends the name it was loaded under to the file named by
// TAVELO_PLANT_MARKER.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t marker[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"TAVELO_PLANT_MARKER", marker, MAX_PATH) == 0) return TRUE;
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(module, self, MAX_PATH);
  HANDLE file = CreateFileW(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, self, static_cast<DWORD>(lstrlenW(self) * sizeof(wchar_t)), &written, nullptr);
    WriteFile(file, L"\n", sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
  }
  return TRUE;
}
