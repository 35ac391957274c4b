// Windows system facts: RtlGetNtVersionNumbers, IsWow64Process, token membership,
// NetUserGetInfo, the console session's user and CoCreateGuid. netapi32 and wtsapi32 are
// loaded by full path from the system directory when first needed, so the executable does
// not import them.
#include <windows.h>
#include <lm.h>
#include <objbase.h>
#include <wtsapi32.h>

#include "utils/system_facts.h"
#include "utils/system_library_win32.h"

namespace Utils {

bool IsUserAdminGroupMember() {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                0, &administrators)) {
    return false;
  }
  BOOL member = FALSE;
  const BOOL checked = CheckTokenMembership(nullptr, administrators, &member);
  FreeSid(administrators);
  return checked && member;
}

bool IsAdminAccount(const std::wstring& userName) {
  using GetInfo = NET_API_STATUS(WINAPI*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE*);
  using Free = NET_API_STATUS(WINAPI*)(LPVOID);
  HMODULE netapi = LoadSystemLibrary(L"netapi32.dll");
  if (netapi == nullptr) return false;
  auto getInfo = reinterpret_cast<GetInfo>(reinterpret_cast<void*>(GetProcAddress(netapi, "NetUserGetInfo")));
  auto free = reinterpret_cast<Free>(reinterpret_cast<void*>(GetProcAddress(netapi, "NetApiBufferFree")));
  if (getInfo == nullptr || free == nullptr) return false;
  LPBYTE buffer = nullptr;
  if (getInfo(nullptr, userName.c_str(), 1, &buffer) != NERR_Success || buffer == nullptr) return false;
  const bool admin = reinterpret_cast<USER_INFO_1*>(buffer)->usri1_priv == USER_PRIV_ADMIN;
  free(buffer);
  return admin;
}

bool GetConsoleUserName(std::wstring& userName) {
  using Query = BOOL(WINAPI*)(HANDLE, DWORD, WTS_INFO_CLASS, LPWSTR*, DWORD*);
  using Free = void(WINAPI*)(PVOID);
  HMODULE wts = LoadSystemLibrary(L"wtsapi32.dll");
  if (wts == nullptr) return false;
  auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(wts, "WTSQuerySessionInformationW")));
  auto free = reinterpret_cast<Free>(reinterpret_cast<void*>(GetProcAddress(wts, "WTSFreeMemory")));
  if (query == nullptr || free == nullptr) return false;
  const DWORD session = WTSGetActiveConsoleSessionId();
  if (session == 0xFFFFFFFF) return false;
  LPWSTR name = nullptr;
  DWORD bytes = 0;
  if (!query(WTS_CURRENT_SERVER_HANDLE, session, WTSUserName, &name, &bytes) || name == nullptr) return false;
  userName = name;
  free(name);
  return !userName.empty();
}

bool IsWindows64Bit() {
  // A 64-bit process runs only on 64-bit Windows; the emulation query below answers "not
  // emulated" for it, which would name the 64-bit system 32-bit.
  if constexpr (sizeof(void*) == 8) return true;
  // A 32-bit process: emulated on 64-bit Windows. Systems before the query existed are
  // 32-bit ones.
  using IsWow64 = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto query = reinterpret_cast<IsWow64>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
  if (query == nullptr) return false;
  BOOL wow64 = FALSE;
  if (query(GetCurrentProcess(), &wow64)) return wow64 != FALSE;
  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
         info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

namespace facts_detail {

bool KernelVersion(std::uint32_t& major, std::uint32_t& minor, std::uint32_t& build, bool& isServerR2) {
  using GetNumbers = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return false;
  auto get = reinterpret_cast<GetNumbers>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetNtVersionNumbers")));
  if (get == nullptr) return false;
  DWORD ma = 0, mi = 0, bu = 0;
  get(&ma, &mi, &bu);
  major = ma;
  minor = mi;
  build = bu & 0xFFFF;
  isServerR2 = GetSystemMetrics(SM_SERVERR2) != 0;
  return true;
}

bool NewGuid(GuidFields& guid) {
  GUID g{};
  if (FAILED(CoCreateGuid(&g))) return false;
  guid.data1 = g.Data1;
  guid.data2 = g.Data2;
  guid.data3 = g.Data3;
  for (int i = 0; i < 8; ++i) guid.data4[i] = g.Data4[i];
  return true;
}

}  // namespace facts_detail
}  // namespace Utils
