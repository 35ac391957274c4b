// Windows profile files: GetPrivateProfileStringW with a buffer of the caller's capacity,
// WritePrivateProfileStringW for writes.
#include <windows.h>

#include <vector>

#include "utils/ini_file.h"

namespace Utils {

std::wstring ReadIniString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                           const std::wstring& fallback, std::size_t capacity) {
  if (capacity == 0) return {};
  std::vector<wchar_t> buffer(capacity, L'\0');
  const DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                           static_cast<DWORD>(capacity), path.c_str());
  return std::wstring(buffer.data(), n);
}

bool WriteIniString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                    const std::wstring& value) {
  // Both names are required, as the POSIX writer requires them.
  if (section.empty() || key.empty()) return false;
  return WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), path.c_str()) != FALSE;
}

}  // namespace Utils
