// Portable system facts: the version table and the identifier format.
#include "utils/system_facts.h"

#include <cwchar>

namespace Utils {

std::wstring WindowsVersionTextFor(std::uint32_t major, std::uint32_t minor, std::uint32_t build, bool isServerR2) {
  if (major <= 4) return L"XP-";
  if (major == 5) {
    switch (minor) {
      case 0: return L"2K";
      case 1: return L"XP";
      case 2: return isServerR2 ? L"Server 2003 R2" : L"Server 2003";
      default: return L"XP+";
    }
  }
  if (major == 6) {
    switch (minor) {
      case 0: return L"Vista";
      case 1: return L"7";
      case 2: return L"8";
      case 3: return L"8.1";
      default: return L"8.1+";
    }
  }
  if (major == 10) return minor == 0 ? L"10" : L"10+";
  return std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." + std::to_wstring(build);
}

void GetWindowsVersionText(std::wstring& osName, std::wstring& versionText) {
  osName = L"Windows";
  std::uint32_t major = 0, minor = 0, build = 0;
  bool r2 = false;
  versionText = facts_detail::KernelVersion(major, minor, build, r2) ? WindowsVersionTextFor(major, minor, build, r2)
                                                                      : L"XP-";
}

std::wstring FormatGuidText(const GuidFields& g) {
  wchar_t text[40];
  swprintf(text, 40, L"%08X%04X%04x%02X%02X%02X%02X%02X%02X%02X%02X", static_cast<unsigned>(g.data1),
           static_cast<unsigned>(g.data2), static_cast<unsigned>(g.data3), g.data4[0], g.data4[1], g.data4[2],
           g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

std::wstring NewGuidText() {
  GuidFields guid{};
  if (!facts_detail::NewGuid(guid)) return {};
  return FormatGuidText(guid);
}

}  // namespace Utils
