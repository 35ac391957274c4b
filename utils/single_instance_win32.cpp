// Windows guard: a named mutex created owned; one that already existed counts as taken.
#include <windows.h>

#include "utils/single_instance.h"

namespace Utils::guard_detail {

std::intptr_t Take(const std::wstring& name) {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, name.c_str());
  if (mutex == nullptr) return 0;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return 0;
  }
  return reinterpret_cast<std::intptr_t>(mutex);
}

void Give(std::intptr_t handle) {
  HANDLE mutex = reinterpret_cast<HANDLE>(handle);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
}

}  // namespace Utils::guard_detail
