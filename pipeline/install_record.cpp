// The installation records over the registry, profile-file and folder helpers; the platform
// parts (folder comparison, data folder, locale, process list) are in the *_win32 and
// *_posix files.
#include "pipeline/install_record.h"

#include <cwchar>

#include "utils/clock.h"
#include "utils/folders.h"
#include "utils/ini_file.h"
#include "utils/registry.h"
#include "utils/system_facts.h"

namespace pipeline {
namespace {

// IsOverride is read into a buffer of 20 characters, so at most 19 count.
constexpr std::size_t kOverrideCapacity = 20;

std::wstring ReadValue(const wchar_t* name) {
  std::wstring text;
  unsigned long type = 0;
  if (!Utils::ReadRegistryString(name, text, type)) return {};
  return text;
}

// "%d-%02d-%02d %02d:%02d:%02d" of the local time.
std::wstring UpdateTimeText(const Utils::LocalTime& now) {
  wchar_t text[64] = {};
  std::swprintf(text, sizeof(text) / sizeof(text[0]), L"%d-%02d-%02d %02d:%02d:%02d", now.year, now.month, now.day,
                now.hour, now.minute, now.second);
  return text;
}

// Section "Install" of "set.ini": the running installer's file name, the product name and a
// fresh device identifier. Every write is tried even when one before it failed.
bool WriteInstallKeys(const std::wstring& settingsPath) {
  const std::wstring store = Utils::FileNameOf(Utils::GetExecutablePath());
  const std::wstring deviceId = Utils::NewGuidText();
  bool ok = Utils::WriteIniString(settingsPath, kInstallSection, L"APPStore", store);
  ok = Utils::WriteIniString(settingsPath, kInstallSection, L"AppName", kProductAppName) && ok;
  // Without a new identifier the old one stays rather than an empty one.
  ok = !deviceId.empty() && Utils::WriteIniString(settingsPath, kInstallSection, L"DeviceID", deviceId) && ok;
  return ok;
}

// The analytics start file's path in "set.ini" and its update time. Skipped (true) when
// the analytics data folder neither exists nor can be made, as the analytics then has no
// start file to find.
bool WriteAnalyticsStart(const std::wstring& settingsPath) {
  const std::wstring folder = AnalyticsDataFolder();
  if (folder.empty() || !Utils::CreateDirectoryTree(folder)) return true;
  const std::wstring startFile = Utils::JoinPath(folder, kAnalyticsStartFileName);
  bool ok = Utils::WriteIniString(settingsPath, kInstallSection, L"QOUsageAnalyticsIni", startFile);
  ok = Utils::WriteIniString(startFile, L"Init", L"UpdateTime", UpdateTimeText(Utils::LocalTimeNow())) && ok;
  return ok;
}

}  // namespace

// Without a folder there is no file: a bare file name would be looked up in the current
// folder instead.
std::wstring DefaultUninstallRecordPath(const std::wstring& installDir) {
  return installDir.empty() ? std::wstring() : Utils::JoinPath(installDir, kUninstallRecordFileName);
}

std::wstring InstallSettingsPath(const std::wstring& installDir) {
  return installDir.empty() ? std::wstring() : Utils::JoinPath(installDir, kInstallSettingsFileName);
}

InstallRecord ReadInstallRecord() {
  InstallRecord record{ReadValue(kInstallPathValue), ReadValue(kUninstallRecordValue)};
  if (record.uninstallerPath.empty() && !record.installDir.empty()) {
    record.uninstallerPath = DefaultUninstallRecordPath(record.installDir);
  }
  return record;
}

bool WriteInstallRecord(const std::wstring& installDir, const std::wstring& uninstallerPath) {
  const bool pathWritten = Utils::WriteRegistryString(kInstallPathValue, installDir);
  const std::wstring uninstaller = uninstallerPath.empty() ? DefaultUninstallRecordPath(installDir) : uninstallerPath;
  // A record of an uninstaller that is not there would make the next installer fail to
  // remove this installation, so none is written.
  if (!Utils::PathExists(uninstaller)) return pathWritten;
  return Utils::WriteRegistryString(kUninstallRecordValue, uninstaller) && pathWritten;
}

bool WriteInstallSettings(const std::wstring& installDir) {
  record_detail::UseRecordLocale();
  const std::wstring settingsPath = InstallSettingsPath(installDir);
  if (settingsPath.empty()) return false;
  const bool keysWritten = WriteInstallKeys(settingsPath);
  return WriteAnalyticsStart(settingsPath) && keysWritten;
}

bool KeepsPreviousInstall(const std::wstring& existingInstallDir, const std::wstring& targetDir) {
  if (!record_detail::IsSameDirectory(existingInstallDir, targetDir)) return false;
  const std::wstring isOverride = Utils::ReadIniString(InstallSettingsPath(targetDir), kUninstallSection,
                                                       L"IsOverride", L"true", kOverrideCapacity);
  return isOverride == L"false";
}

std::wstring AnalyticsDataFolder() {
  const std::wstring base = record_detail::ApplicationDataBase();
  if (base.empty()) return {};
  return Utils::JoinPath(Utils::JoinPath(base, L"ZelkorData"), L"Morvath");
}

}  // namespace pipeline
