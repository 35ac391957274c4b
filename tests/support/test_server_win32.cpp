// Under Wine the servers run on the Linux host, whose root is drive Z:.
#include <windows.h>

#include <string>

#include "utils/text.h"

namespace testsupport {
std::wstring HostPathToLocal(const std::string& hostPath) {
  std::wstring path = L"Z:" + Utils::ToWide(hostPath, Utils::kCodePageUtf8);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

// Wine's ntdll exports its version query; Windows' does not.
bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
}  // namespace testsupport
