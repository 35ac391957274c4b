// Configuration layers: defaults, INI file, command line.
#include "startup/installer_config.h"

#include <cmath>
#include <limits>

#include "startup/number_text.h"
#include "startup/redirect_service.h"
#include "startup/switch_map.h"
#include "utils/folders.h"
#include "utils/ini_file.h"
#include "utils/system_facts.h"
#include "utils/text.h"

namespace {

constexpr const wchar_t* kIniName = L"ZelkorInstallerConfig.ini";
constexpr const wchar_t* kSection = L"Install";
constexpr std::size_t kValueBuffer = 260;  // values are cut to 259 characters

void SetDefaults(InstallerConfig& config) {
  config = InstallerConfig{};
  config.AppName = L"Tavelo";
  config.AppVersion = L"1.7.9";
  config.ExeFileName = L"NULL";
  config.DlAppNameSuffix = L".downloader";
  config.AbValue = L"IN";
  ResolveDownloadUrl(config, DefaultDownloadUrl());
}

}  // namespace

std::wstring DefaultDownloadUrl() { return std::wstring(L"https://") + kRedirectServiceHost + kPackageRoutePath; }

std::wstring RouteWordFor(const std::wstring& versionText, bool is64Bit) {
  if (versionText.find(L"XP") != std::wstring::npos) return L"download_silent_xp";
  return is64Bit ? L"download_silent_64" : L"download_silent";
}

std::wstring RouteWord() {
  std::wstring os, version;
  Utils::GetWindowsVersionText(os, version);
  return RouteWordFor(version, Utils::IsWindows64Bit());
}

void ResolveDownloadUrl(InstallerConfig& config, const std::wstring& raw) {
  const std::wstring placeholder = L"${ROUTE}";
  config.DownloadUrl = raw.find(placeholder) == std::wstring::npos ? raw : Utils::ReplaceAll(raw, placeholder, RouteWord());
}

void LoadInstallerIni(InstallerConfig& config, const std::wstring& executablePath) {
  SetDefaults(config);
  if (!executablePath.empty()) config.ExeFileName = Utils::FileNameOf(executablePath);
  const std::wstring ini = Utils::JoinPath(Utils::DirectoryOf(executablePath), kIniName);
  if (!executablePath.empty() && Utils::PathExists(ini)) {
    auto read = [&](const wchar_t* key, const std::wstring& fallback) {
      return Utils::ReadIniString(ini, kSection, key, fallback, kValueBuffer);
    };
    ResolveDownloadUrl(config, read(L"DownloadUrl", DefaultDownloadUrl()));
    // The leading decimal number; an empty value counts as missing, as with the profile
    // integer reader.
    const std::wstring type = read(L"DownloadType", L"");
    if (!type.empty()) {
      config.DownloadType = 0;
      ParseLeadingInt32(type, config.DownloadType);
    }
    config.IsCheckNet = read(L"IsCheckNet", L"true") == L"true";
    config.IsEnableAppAnalytics = read(L"IsEnableAppAnalytics", L"true") == L"true";
    config.DlAppNameSuffix = read(L"DlAppNameSuffix", L".downloader");
    config.DlAppVersion = read(L"m_DlAppVersion", L"");
    // No leading number gives 0.0; a number too large to be finite keeps the default.
    const std::wstring scale = read(L"DownloadScale", L"0.7");
    double parsed = 0.0;
    switch (ParseLeadingDouble(scale, parsed)) {
      case DoubleParse::kParsed: config.DownloadScale = parsed; break;
      case DoubleParse::kNoNumber: config.DownloadScale = 0.0; break;
      case DoubleParse::kNotFinite: break;
    }
    config.InstCmd = read(L"InstCmd", L"");
    // Where analytics records go: empty or absent keeps the tracker's own collector.
    config.AnalyticsUrl = read(L"AnalyticsUrl", L"");
    config.PackageSigner = read(L"PackageSigner", L"");
  }
  config.AppName = L"Tavelo";
  config.AppVersion = L"1.7.9";
}

void ApplyCommandLine(InstallerConfig& config, const SwitchMap& switches) {
  if (switches.Contains(L"-downloadurl")) ResolveDownloadUrl(config, switches.GetString(L"-downloadurl"));
  if (switches.Contains(L"-downloadtype")) config.DownloadType = switches.GetInt(L"-downloadtype");
  if (switches.Contains(L"-downloadscale")) {
    // The progress display needs a fraction: a value without a number keeps what the INI
    // file or the default gave.
    const double scale = switches.GetDouble(L"-downloadscale", std::numeric_limits<double>::quiet_NaN());
    if (!std::isnan(scale)) config.DownloadScale = scale;
  }
  if (switches.Contains(L"-ischecknet")) config.IsCheckNet = switches.GetBool(L"-ischecknet");
  if (switches.Contains(L"-isenableappanalytics")) config.IsEnableAppAnalytics = switches.GetBool(L"-isenableappanalytics");
  if (switches.Contains(L"-dlappnamesuffix")) config.DlAppNameSuffix = switches.GetString(L"-dlappnamesuffix");
  if (switches.Contains(L"-dlappversion")) config.DlAppVersion = switches.GetString(L"-dlappversion");
  if (switches.Contains(L"-instcmd")) config.InstCmd = switches.GetString(L"-instcmd");
  if (switches.Contains(L"-language")) config.Language = switches.GetInt(L"-language");
  if (switches.Contains(L"-insnew")) config.InsNew = switches.GetBool(L"-insnew");
  if (switches.Contains(L"-packagesigner")) config.PackageSigner = switches.GetString(L"-packagesigner");
}

void ApplyCommandLine() { ApplyCommandLine(g_InstallerConfig, SwitchMap::FromArguments(ProcessArguments())); }

std::wstring GetAbValue() { return g_InstallerConfig.AbValue; }
