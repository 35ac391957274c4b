// Windows registry values under HKCU\Software\ZelkorSoft\Tavelo.
#include <windows.h>

#include <vector>

#include "utils/registry.h"

namespace Utils {
namespace {
constexpr const wchar_t* kKey = L"Software\\ZelkorSoft\\Tavelo";
}

bool WriteRegistryString(const std::wstring& name, const std::wstring& text) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));  // with its terminating zero
  const LONG rc = RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

bool ReadRegistryString(const std::wstring& name, std::wstring& text, unsigned long& type) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD valueType = 0;
  DWORD size = 0;
  bool ok = false;
  if (RegQueryValueExW(key, name.c_str(), nullptr, &valueType, nullptr, &size) == ERROR_SUCCESS) {
    // Room for a terminating zero that the stored value may lack.
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
    DWORD got = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, name.c_str(), nullptr, &valueType, reinterpret_cast<BYTE*>(buffer.data()), &got) ==
        ERROR_SUCCESS) {
      type = valueType;
      const bool isText = valueType == REG_SZ || valueType == REG_EXPAND_SZ || valueType == REG_MULTI_SZ;
      text = isText ? std::wstring(buffer.data()) : std::wstring();
      ok = true;
    }
  }
  RegCloseKey(key);
  return ok;
}

}  // namespace Utils
