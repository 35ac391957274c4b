// The installer's one process-wide configuration record: built-in defaults, then the INI
// file "ZelkorInstallerConfig.ini" beside the executable (both during static
// initialisation), then the command line (applied by the entry sequence).
#pragma once

#include <cstdint>
#include <string>

class SwitchMap;

struct InstallerConfig {
  std::wstring AppName;
  std::wstring AppVersion;
  std::wstring ExeFileName;
  std::wstring DlAppNameSuffix;
  std::wstring DlAppVersion;
  std::wstring InstCmd;
  std::wstring DownloadUrl;
  std::int32_t DownloadType = 1;
  bool IsCheckNet = false;
  bool IsEnableAppAnalytics = true;
  double DownloadScale = 0.7;
  bool LibcurlReady = true;
  std::wstring AbValue;
  std::int32_t Language = -1;
  bool InsNew = false;
  std::wstring AnalyticsUrl;  // "" leaves the analytics collector to the tracker
  // The subject name that must have signed the package (Authenticode); "" checks nothing.
  std::wstring PackageSigner;
};

// The record of this process. Written at start-up only (and Language on a language change),
// read everywhere without a lock.
extern InstallerConfig g_InstallerConfig;

// "https://" + redirect service host + the package route path. The package runs with
// administrator rights, and over plain HTTP anyone on the path could replace both the
// package and the digest in the redirect answer; the INI file or the command line can
// still name any URL.
std::wstring DefaultDownloadUrl();

// Sets the built-in defaults, then reads the INI file beside executablePath when it exists.
void LoadInstallerIni(InstallerConfig& config, const std::wstring& executablePath);

// Replaces every "${ROUTE}" of raw with this system's route word and stores the result.
void ResolveDownloadUrl(InstallerConfig& config, const std::wstring& raw);
// "download_silent_xp" for version texts holding "XP", else "download_silent_64" on 64-bit
// Windows and "download_silent" otherwise.
std::wstring RouteWordFor(const std::wstring& versionText, bool is64Bit);
std::wstring RouteWord();

// Overrides fields from the switches that are present.
void ApplyCommandLine(InstallerConfig& config, const SwitchMap& switches);
// The same for this process's command line and g_InstallerConfig.
void ApplyCommandLine();

// A copy of the A/B value attached to analytics reports.
std::wstring GetAbValue();
