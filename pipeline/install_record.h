// The records of an installation: the registry values that name the installed folder and
// its uninstaller, the settings file "set.ini" in that folder, the analytics start file in
// the user's application data, the rule that keeps a previous installation in place, and
// the lookup of a running program by its image name.
#pragma once

#include <cstdint>
#include <string>

namespace pipeline {

// Registry values under the installer's key.
inline constexpr wchar_t kInstallPathValue[] = L"InstallPath";
inline constexpr wchar_t kUninstallRecordValue[] = L"UnInstallEp";

// The uninstaller record file an installation has when its package names no other.
inline constexpr wchar_t kUninstallRecordFileName[] = L"uninst.ep";
// The settings file in the install folder, and its sections.
inline constexpr wchar_t kInstallSettingsFileName[] = L"set.ini";
inline constexpr wchar_t kInstallSection[] = L"Install";
inline constexpr wchar_t kUninstallSection[] = L"Uninstall";
// The analytics start file in the analytics data folder.
inline constexpr wchar_t kAnalyticsStartFileName[] = L"QOUsageAnalytics.ini";

// The product's name as the settings file records it.
inline constexpr wchar_t kProductAppName[] = L"Tavelo";
// Image name of the running product.
inline constexpr wchar_t kProductImageName[] = L"Tavelo.exe";

struct InstallRecord {
  std::wstring installDir;       // "" when no installation is recorded
  std::wstring uninstallerPath;  // the recorded uninstaller, else derived from installDir
};

// The previous installation as the registry records it. A value that cannot be read gives
// ""; without a recorded uninstaller the path is "uninst.ep" in the install folder.
InstallRecord ReadInstallRecord();

// Records a finished installation: InstallPath always; UnInstallEp (the given path, else
// "uninst.ep" in the folder) only when that file exists. True when every value it meant to
// write was written; callers go on either way, a missing record only hides the
// installation from the next installer.
bool WriteInstallRecord(const std::wstring& installDir, const std::wstring& uninstallerPath);

// Writes "set.ini" in the install folder (section "Install": APPStore, AppName, a new
// DeviceID on every call, and QOUsageAnalyticsIni) and the analytics start file (section
// "Init", UpdateTime), the last two only when the analytics data folder exists or can be
// made. True when every write it tried succeeded; callers go on either way.
bool WriteInstallSettings(const std::wstring& installDir);

// True when the new installation goes into the previous installation's folder and that
// folder's "set.ini" says IsOverride=false (exactly, case-sensitive) in section "Uninstall":
// the previous installation then stays and its uninstaller is not run. False for empty
// folders.
bool KeepsPreviousInstall(const std::wstring& existingInstallDir, const std::wstring& targetDir);

// Id of the first running process whose executable's file name is exactly name (letter
// case counts), or 0 when none runs.
std::uint32_t FindProcessByName(const std::wstring& name);

// The analytics data folder: APPDATA (else the nearest shared or user data folder of the
// platform) followed by "ZelkorData" and "Morvath"; "" when no base folder is known.
std::wstring AnalyticsDataFolder();

// "uninst.ep" and "set.ini" in an install folder; "" for an empty folder.
std::wstring DefaultUninstallRecordPath(const std::wstring& installDir);
std::wstring InstallSettingsPath(const std::wstring& installDir);

namespace record_detail {
// Platform steps of the records.
// True when the relative path from one folder to the other is exactly ".": the same folder
// written the same way (Windows compares without letter case). Never true for an empty path.
bool IsSameDirectory(const std::wstring& fromDir, const std::wstring& toDir);
// The folder the analytics data folder sits in, or "" when none is known.
std::wstring ApplicationDataBase();
// Switches the C runtime's locale to the one the records are written under.
void UseRecordLocale();
}  // namespace record_detail

}  // namespace pipeline
