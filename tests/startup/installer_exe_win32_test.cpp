// The real executable under Wine: the named mutex across two processes (the first one held
// by this test acting as its debugger at its first log line, written once it owns the
// guard), route words under two claimed Windows versions, DLL planting and the crash filter.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "startup/entry_sequence.h"
#include "tests/support/crash_exit.h"
#include "tests/support/debugger_win32.h"
#include "tests/support/probe_runner.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::wstring InstallerPath() { return testsupport::ProgramPath(L"TaveloInstaller"); }

// Closes the windows an installer process waits in, as a user would: its main window and the
// question about an existing installation that may come first. Only an enabled window is
// asked, so a window is never closed under the message window it owns.
class InstallerWindowCloser {
 public:
  InstallerWindowCloser() : thread_([this] { Run(); }) {}
  ~InstallerWindowCloser() {
    stop_ = true;
    thread_.join();
  }
  InstallerWindowCloser(const InstallerWindowCloser&) = delete;
  InstallerWindowCloser& operator=(const InstallerWindowCloser&) = delete;

  void Watch(DWORD processId) { processId_ = processId; }

 private:
  void Run() {
    while (!stop_) {
      if (const DWORD id = processId_) EnumWindows(&CloseIfWaiting, static_cast<LPARAM>(id));
      Sleep(100);
    }
  }

  static BOOL CALLBACK CloseIfWaiting(HWND window, LPARAM processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    if (owner != static_cast<DWORD>(processId) || !IsWindowVisible(window) || !IsWindowEnabled(window) ||
        GetClassNameW(window, name, 64) == 0) {
      return TRUE;
    }
    // The close request carries 1, the value of the windows' own close buttons.
    if (std::wstring(name) == L"MainWnd" || std::wstring(name) == L"InstalledPathTipWnd") {
      PostMessageW(window, WM_CLOSE, 1, 0);
    }
    return TRUE;
  }

  std::atomic<DWORD> processId_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

DWORD RunToEnd(std::wstring commandLine, const wchar_t* environment = nullptr) {
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                      environment ? CREATE_UNICODE_ENVIRONMENT : 0, const_cast<wchar_t*>(environment), nullptr, &si, &pi)) {
    return 0xDEADu;
  }
  InstallerWindowCloser closer;
  closer.Watch(pi.dwProcessId);
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 0xDEADu;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

// Runs the installer as its debugger; at its first debug string (it owns the guard by
// then) calls whileHeld with the installer frozen, then lets it finish or kills it.
DWORD RunHeld(const std::wstring& path, const std::function<void()>& whileHeld, bool kill) {
  bool held = false;
  InstallerWindowCloser closer;
  const DWORD exitCode = testsupport::RunUnderDebugger(L"\"" + path + L"\"", [&](const DEBUG_EVENT& event, HANDLE process, DWORD&) {
    if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT) closer.Watch(event.dwProcessId);
    if (event.dwDebugEventCode != OUTPUT_DEBUG_STRING_EVENT || held) return;
    held = true;
    whileHeld();
    if (kill) TerminateProcess(process, 77);
  });
  EXPECT_TRUE(held) << "the installer wrote no log line";
  return exitCode;
}

// A per-executable Wine setting, as winecfg writes it: AppDefaults\<exe>[\<subkey>] name=value.
void SetAppDefault(const wchar_t* exeName, const wchar_t* subkey, const wchar_t* name, const wchar_t* value) {
  std::wstring key = std::wstring(L"Software\\Wine\\AppDefaults\\") + exeName;
  if (*subkey != L'\0') key += std::wstring(L"\\") + subkey;
  HKEY h = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                 static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
  RegCloseKey(h);
}

std::wstring Environment(std::initializer_list<std::wstring> extra) {
  std::wstring block;
  wchar_t* current = GetEnvironmentStringsW();
  for (const wchar_t* p = current; *p; p += wcslen(p) + 1) block += std::wstring(p) + L'\0';
  FreeEnvironmentStringsW(current);
  for (const std::wstring& e : extra) block += e + L'\0';
  block += L'\0';
  return block;
}

// The marker file holds the UTF-16 paths of the DLLs that were loaded.
std::string MarkerText(const fs::path& marker) {
  std::ifstream in(marker, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); i += 2) text.push_back(bytes[i]);
  return text;
}

}  // namespace

TEST(InstallerExecutable, SecondInstanceExitsWithMinusOneWhileTheFirstRuns) {
  const std::wstring path = InstallerPath();
  DWORD second = 0;
  EXPECT_EQ(RunHeld(path, [&] { second = RunToEnd(L"\"" + path + L"\""); }, false), 0u);
  EXPECT_EQ(second, 0xFFFFFFFFu);
  EXPECT_EQ(RunToEnd(L"\"" + path + L"\""), 0u) << "a new start runs once the first has ended";
}

TEST(InstallerExecutable, AKilledFirstInstanceDoesNotBlockTheNext) {
  const std::wstring path = InstallerPath();
  EXPECT_EQ(RunHeld(path, [] {}, true), 77u);
  EXPECT_EQ(RunToEnd(L"\"" + path + L"\""), 0u);
}

TEST(InstallerExecutable, RouteWordFollowsTheClaimedWindowsVersion) {
  testsupport::TempDir dir;
  const struct {
    const wchar_t* exe;
    const wchar_t* version;
    const char* printed;
  } cases[] = {
      {L"route-win7.exe", L"win7", "7\ndownload_silent_64\n"},
      {L"route-winxp.exe", L"winxp", "XP\ndownload_silent_xp\n"},
      {L"route-win81.exe", L"win81", "8.1\ndownload_silent_64\n"},
  };
  for (const auto& c : cases) {
    const fs::path copy = dir.Path() / c.exe;
    fs::copy_file(fs::path(testsupport::ProgramPath(L"startupprobe")), copy);
    SetAppDefault(c.exe, L"", L"Version", c.version);
    const auto result = testsupport::RunCommandLine(L"\"" + copy.wstring() + L"\" route");
    std::string output = result.output;
    output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
    EXPECT_EQ(output, c.printed) << c.version;
  }
}

TEST(InstallerExecutable, DllsPlantedBesideItAreNeverLoaded) {
  testsupport::TempDir dir;
  // Names of their own, so that the DLL overrides below apply to these copies only.
  const fs::path installer = dir.Path() / L"PlantedInstaller.exe";
  const fs::path probe = dir.Path() / L"plantprobe.exe";
  fs::copy_file(fs::path(InstallerPath()), installer);
  fs::copy_file(fs::path(testsupport::ProgramPath(L"startupprobe")), probe);
  // Not version.dll: Wine's own user32 imports it while the executable's imports are bound,
  // where Windows resolves a KnownDLL's dependencies among the KnownDLLs.
  const wchar_t* planted[] = {L"dwmapi",  L"msimg32", L"WindowsCodecs", L"crypt32",  L"bcrypt",   L"winmm",
                              L"secur32", L"sxs",     L"d3d8",          L"uxtheme", L"netapi32", L"wtsapi32",
                              L"gdiplus"};
  for (const wchar_t* name : planted) {
    fs::copy_file(fs::path(testsupport::ProgramPath(L"plantdll")).replace_extension(L".dll"),
                  dir.Path() / (std::wstring(name) + L".dll"));
    // Wine is told to prefer a native DLL, as Windows would take any DLL it finds first.
    for (const wchar_t* exe : {L"PlantedInstaller.exe", L"plantprobe.exe"}) {
      SetAppDefault(exe, L"DllOverrides", name, L"native,builtin");
    }
  }
  const fs::path marker = dir.Path() / L"loaded.txt";
  const std::wstring environment = Environment({L"TAVELO_PLANT_MARKER=" + marker.wstring()});

  // Control: without hardening, a plain load by name takes the planted copy.
  EXPECT_EQ(RunToEnd(L"\"" + probe.wstring() + L"\" load dwmapi.dll", environment.c_str()), 0u);
  ASSERT_TRUE(fs::exists(marker)) << "the planted DLL should load without hardening";
  fs::remove(marker);

  EXPECT_EQ(RunToEnd(L"\"" + installer.wstring() + L"\"", environment.c_str()), 0u);
  EXPECT_FALSE(fs::exists(marker)) << "the installer loaded a planted DLL: " << MarkerText(marker);
}

TEST(CrashFilter, IsInstalledAndTheProcessStillDies) {
  InstallCrashFilter();
  const LPTOP_LEVEL_EXCEPTION_FILTER ours = SetUnhandledExceptionFilter(nullptr);
  EXPECT_NE(ours, nullptr);
  SetUnhandledExceptionFilter(ours);
  const std::wstring probe = L"\"" + testsupport::ProgramPath(L"startupprobe") + L"\"";
  for (const wchar_t* mode : {L" crash", L" crash harden"}) {
    EXPECT_PRED1(testsupport::IsAccessViolationExit, testsupport::RunCommandLine(probe + mode).exitCode) << mode;
  }
}
