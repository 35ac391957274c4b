// Facts about the machine and the user: Windows version text, bitness, administrator and
// console-user queries, and fresh identifiers. Stateless; failure is a result, never thrown.
#pragma once

#include <cstdint>
#include <string>

namespace Utils {

// True when the current thread's token is a member of the built-in Administrators group.
bool IsUserAdminGroupMember();
// True when the local account of that name has administrator privilege.
bool IsAdminAccount(const std::wstring& userName);
// The user logged on at the physical console; false when the query fails.
bool GetConsoleUserName(std::wstring& userName);

// OS name ("Windows") and version text from the kernel's version numbers; "XP-" when the
// numbers cannot be read.
void GetWindowsVersionText(std::wstring& osName, std::wstring& versionText);
// The text for given version numbers; isServerR2 matters only for 5.2.
std::wstring WindowsVersionTextFor(std::uint32_t major, std::uint32_t minor, std::uint32_t build, bool isServerR2);

// True when Windows is 64-bit.
bool IsWindows64Bit();

// A fresh GUID as 32 hexadecimal characters, upper case except the third group.
std::wstring NewGuidText();
struct GuidFields {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};
std::wstring FormatGuidText(const GuidFields& guid);

namespace facts_detail {
// Platform: the kernel's version numbers; false when they cannot be read.
bool KernelVersion(std::uint32_t& major, std::uint32_t& minor, std::uint32_t& build, bool& isServerR2);
bool NewGuid(GuidFields& guid);
}  // namespace facts_detail

}  // namespace Utils
