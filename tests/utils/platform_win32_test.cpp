// Behaviour only Windows has, against the real APIs under Wine: the loader's own command
// line split, registry types, debugger thread names and the named mutex.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "tests/support/log_line.h"
#include "tests/support/probe_runner.h"
#include "utils/command_line.h"
#include "utils/registry.h"
#include "utils/single_instance.h"
#include "utils/system_facts.h"

TEST(Win32CommandLine, OurSplitMatchesCommandLineToArgvW) {
  const wchar_t* lines[] = {
      L"\"C:\\Program Files\\a.exe\" -x",  L"p a   b\tc",       L"p a\"b c\"d",          L"p \\\\\\\"a",
      L"p \\\\\"a b\"",                    L"p a\\\\b",         L"p \"\"",               L"p \"a\"\"\"b\"",
      L"p \"-instcmd=/S /x\" -instcmd=/S /x", L"p \"unterminated", L"C:\\a\\b.exe\\ x",  L"p x ",
      L"p \"\"\"\"\"\" y",                 L"p \"a\"\"b\" c",
  };
  for (const wchar_t* line : lines) {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(line, &count);
    ASSERT_NE(argv, nullptr);
    std::vector<std::wstring> expected(argv, argv + count);
    LocalFree(argv);
    EXPECT_EQ(Utils::SplitCommandLine(line), expected) << std::string(line, line + wcslen(line));
  }
}

TEST(Win32Registry, ValuesAreRealRegSzUnderTheInstallerKey) {
  ASSERT_TRUE(Utils::WriteRegistryString(L"Win32TestValue", L"C:\\Tavelo"));
  wchar_t buffer[64] = {};
  DWORD size = sizeof(buffer);
  DWORD type = 0;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\ZelkorSoft\\Tavelo", L"Win32TestValue", RRF_RT_ANY, &type,
                         buffer, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(buffer, L"C:\\Tavelo");

  // A value of another type reads with its type and no text.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\ZelkorSoft\\Tavelo", 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  const DWORD number = 5;
  RegSetValueExW(key, L"Win32TestNumber", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
  RegCloseKey(key);
  std::wstring text = L"x";
  unsigned long readType = 0;
  ASSERT_TRUE(Utils::ReadRegistryString(L"Win32TestNumber", text, readType));
  EXPECT_EQ(readType, static_cast<unsigned long>(REG_DWORD));
  EXPECT_EQ(text, L"");

  // A missing key reads false.
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZelkorSoft\\Tavelo");
  EXPECT_FALSE(Utils::ReadRegistryString(L"Win32TestValue", text, readType));
}

TEST(Win32Thread, NamesAreAnnouncedToTheDebugger) {
  const auto captured = testsupport::CaptureLog(testsupport::ProbeCommand() + L" threads");
  ASSERT_EQ(captured.exitCode, 0u);
  unsigned long ids[2] = {0, 0};
  for (const std::wstring& raw : captured.lines) {
    const auto l = testsupport::ParseLogLine(raw);
    if (l.ok && l.message.rfind(L"ids ", 0) == 0) swscanf(l.message.c_str(), L"ids %lu %lu", &ids[0], &ids[1]);
  }
  const std::vector<std::string> expected = {"ABDEF", "t" + std::to_string(ids[1])};
  EXPECT_EQ(captured.threadNames, expected);
}

TEST(Win32Guard, IsANamedMutexWhileHeld) {
  Utils::SingleInstanceGuard guard(L"Installer_Win32Test");
  ASSERT_TRUE(guard.Acquire());
  HANDLE seen = OpenMutexW(SYNCHRONIZE, FALSE, L"D1A547DB89C0BC61_Installer_Win32Test");
  EXPECT_NE(seen, nullptr);
  if (seen != nullptr) CloseHandle(seen);
  guard.Release();
  EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, L"D1A547DB89C0BC61_Installer_Win32Test"), nullptr);
}

TEST(Win32Facts, VersionTextFollowsTheKernelNumbers) {
  using GetNumbers = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
  auto get = reinterpret_cast<GetNumbers>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetNtVersionNumbers")));
  ASSERT_NE(get, nullptr);
  DWORD major = 0, minor = 0, build = 0;
  get(&major, &minor, &build);
  std::wstring os, version;
  Utils::GetWindowsVersionText(os, version);
  EXPECT_EQ(version, Utils::WindowsVersionTextFor(major, minor, build & 0xFFFF, GetSystemMetrics(SM_SERVERR2) != 0));
  EXPECT_TRUE(Utils::IsUserAdminGroupMember()) << "Wine's user runs with administrator rights";
}
