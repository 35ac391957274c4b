// Full-path loading of system DLLs.
#include "utils/system_library_win32.h"

#include <string>

namespace Utils {

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
  wchar_t directory[MAX_PATH + 1] = {};
  const UINT n = GetSystemDirectoryW(directory, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return nullptr;
  std::wstring path(directory, n);
  path += L'\\';
  path += fileName;
  return LoadLibraryW(path.c_str());
}

}  // namespace Utils
