// The orchestrator's start, its three event callbacks and the package clean-up.
#include "pipeline/download_installer.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "pipeline/install_record.h"
#include "pipeline/package_runner.h"
#include "pipeline/uninstaller_runner.h"
#include "startup/installer_config.h"
#include "utils/file_ops.h"
#include "utils/folders.h"
#include "utils/log.h"
#include "utils/thread.h"

namespace {

// The callbacks log under names that begin with the start routine's, where they are made.
constexpr const wchar_t kDownloadCallbackName[] = L"CDownloadInstaller::Start::DownloadCallback";
constexpr const wchar_t kUninstallCallbackName[] = L"CDownloadInstaller::Start::UninstallCallback";
constexpr const wchar_t kInstallCallbackName[] = L"CDownloadInstaller::Start::InstallCallback";

void Log(const wchar_t* function, const wchar_t* text) { WriteLogLine(function, __LINE__, false, L"%ls", text); }

// The log line of each event code a callback writes after its reaction.
struct LogLine {
  int code;
  const wchar_t* text;
};
constexpr LogLine kDownloadLog[] = {
    {DL_CODE_START, L"DL_CODE_START\r\n"}, {DL_CODE_PROGRESS, L"DL_CODE_PROGRESS\r\n"},
    {DL_CODE_SUCCESS, L"DL_CODE_SUCCESS\r\n"}, {DL_CODE_FAIL, L"DL_CODE_FAIL\r\n"},
    {DL_CODE_RETRY, L"DL_CODE_RETRY\r\n"},
};
constexpr LogLine kUninstallLog[] = {
    {UNIST_CODE_START, L"UNIST_CODE_START\r\n"}, {UNIST_CODE_PROGRESS, L"UNIST_CODE_PROGRESS\r\n"},
    {UNIST_CODE_SUCCESS, L"UNIST_CODE_SUCCESS\r\n"}, {UNIST_CODE_FAIL, L"UNIST_CODE_FAIL\r\n"},
    {UNIST_CODE_ERROR, L"UNIST_CODE_ERROR\r\n"},
};
// The install-progress event is logged with the download-success text.
constexpr LogLine kInstallLog[] = {
    {IST_CODE_START, L"IST_CODE_START\r\n"}, {IST_CODE_PROGRESS, L"DL_CODE_SUCCESS\r\n"},
    {IST_CODE_SUCCESS, L"INSTALL_SUCCESS\r\n"}, {IST_CODE_FAIL, L"IST_CODE_FAIL\r\n"},
};

template <std::size_t N>
const wchar_t* LogLineFor(const LogLine (&table)[N], int code) {
  for (const LogLine& entry : table) {
    if (entry.code == code) return entry.text;
  }
  return nullptr;
}

// The package of the attempt before, in whatever folder it went: deleted with the next
// clean-up. Shared by every orchestrator of the process.
std::mutex g_lastCleanedMutex;
std::wstring g_lastCleanedPackage;

constexpr std::chrono::milliseconds kProductPollInterval{100};

}  // namespace

CDownloadInstaller::CDownloadInstaller(EventCallback owner, std::wstring packageUrl, std::wstring oldUninstallerPath,
                                       std::wstring installDir, bool desktop, bool quickLaunch, bool admin)
    : owner_(std::move(owner)),
      packageUrl_(std::move(packageUrl)),
      oldUninstallerPath_(std::move(oldUninstallerPath)),
      installDir_(std::move(installDir)),
      desktop_(desktop),
      quickLaunch_(quickLaunch),
      admin_(admin) {}

CDownloadInstaller::~CDownloadInstaller() {
  stopping_ = true;
  productWait_.reset();
  uninstaller_.reset();
  downloader_.reset();
  installer_.reset();
}

void CDownloadInstaller::Configure(const std::wstring& packageUrl, const std::wstring& /*unused*/,
                                   const std::wstring& oldUninstallerPath, const std::wstring& installDir, bool desktop,
                                   bool quickLaunch, bool admin, bool authorisation,
                                   const std::wstring& packageLanguage) {
  packageUrl_ = packageUrl;
  oldUninstallerPath_ = oldUninstallerPath;
  installDir_ = installDir;
  desktop_ = desktop;
  quickLaunch_ = quickLaunch;
  admin_ = admin;
  authorisation_ = authorisation;
  packageLanguage_ = packageLanguage;
}

std::wstring CDownloadInstaller::PackagePathFor(const std::wstring& installDir) {
  return Utils::JoinPath(installDir, L"__Package_Tavelo.exe");
}

std::wstring CDownloadInstaller::UninstallerCopyPath() {
  const std::wstring folder = Utils::GetInstallerTempFolder();
  return folder.empty() ? std::wstring() : Utils::JoinPath(folder, L"Morvath_un_asa.exe");
}

void CDownloadInstaller::Start() {
  TLOG(L"DL_TYPE=%d\r\n", static_cast<int>(g_InstallerConfig.DownloadType));
  PrepareDownloadAndInstall();
  if (Utils::FileSizeAt(oldUninstallerPath_) >= 0) {
    StartUninstall();
  } else {
    downloader_->Start();
  }
}

// The downloader and the runner are made for one package path and kept while it stays; a
// start into another folder gets new ones, so nothing lands in or runs from the old folder.
void CDownloadInstaller::PrepareDownloadAndInstall() {
  const std::wstring packagePath = GetPackagePath();
  if (packagePath != packagePath_) {
    downloader_.reset();
    installer_.reset();
    packagePath_ = packagePath;
  }
  if (!downloader_) {
    downloader_ = CreateDownloader(
        g_InstallerConfig.DownloadType,
        [this](int code, double value, const wchar_t* text) { OnDownloadEvent(code, value, text); }, packageUrl_,
        packagePath_);
  }
  if (!installer_) {
    installer_ = std::make_unique<CInstaller>(
        [this](int code, double value, const wchar_t* text) { OnInstallEvent(code, value, text); },
        L"\"" + packagePath_ + L"\"", installDir_, quickLaunch_, desktop_, admin_);
    installer_->SetRunEndedHook([this] { OnInstallRunEnded(); });
  }
  installer_->SetInstallDirectory(installDir_);
  installer_->SetShortcuts(desktop_, quickLaunch_);
  installer_->SetPrivileges(admin_, authorisation_);
  installer_->SetPackageLanguage(packageLanguage_);
  installer_->SetRequiredSigner(packagePath_, g_InstallerConfig.PackageSigner);
}

// Runs a copy of the old uninstaller, so it can remove its own folder, the original
// included. With InsNew set it waits, on a worker of its own, until the product has ended.
void CDownloadInstaller::StartUninstall() {
  const std::wstring copy = UninstallerCopyPath();
  const std::wstring oldInstallDir = Utils::DirectoryOf(oldUninstallerPath_.substr(0, Utils::kMaxPathLength));
  // A failed copy shows as a missing uninstaller in the runner's own report.
  (void)Utils::CopyFileTo(oldUninstallerPath_, copy);
  productWait_.reset();
  uninstaller_ = std::make_unique<UnInstaller>(
      [this](int code, double value, const wchar_t* text) { OnUninstallEvent(code, value, text); }, copy,
      oldInstallDir);
  if (!g_InstallerConfig.InsNew) {
    uninstaller_->Start();
    return;
  }
  productWait_ = std::make_unique<Utils::Thread>(this, L"InsNewWait", [](void* self) {
    auto* me = static_cast<CDownloadInstaller*>(self);
    while (!me->stopping_ && pipeline::FindProcessByName(L"Tavelo.exe") != 0) {
      std::this_thread::sleep_for(kProductPollInterval);
    }
    if (!me->stopping_) me->uninstaller_->Start();
    return 0;
  });
  // Without the worker the wait cannot happen elsewhere: go on at once rather than never.
  if (!productWait_->Resume()) uninstaller_->Start();
}

void CDownloadInstaller::OnDownloadEvent(int code, double value, const wchar_t* text) {
  owner_(code, value, text);
  const wchar_t* line = LogLineFor(kDownloadLog, code);
  switch (code) {
    case DL_CODE_START:
      // The folder may not exist yet; a failure shows as a failed download.
      (void)Utils::CreateDirectoryTree(Utils::DirectoryOf(packagePath_));
      break;
    case DL_CODE_SUCCESS:
      Log(kDownloadCallbackName, L"DOWNLOAD_SUCCESS\r\n");
      installer_->Start();
      break;
    case DL_CODE_FAIL:
      CleanUpPackage();
      break;
    case DL_CODE_RETRY:
      Log(kDownloadCallbackName, line);  // before the new attempt's own lines
      line = nullptr;
      downloader_->Start();
      break;
    default:
      break;
  }
  if (line != nullptr) Log(kDownloadCallbackName, line);
}

void CDownloadInstaller::OnUninstallEvent(int code, double value, const wchar_t* text) {
  owner_(code, value, text);
  // 5004 and 5005 stop the pipeline here: nothing is downloaded.
  if (code == UNIST_CODE_SUCCESS && installer_) downloader_->Start();
  if (const wchar_t* line = LogLineFor(kUninstallLog, code)) Log(kUninstallCallbackName, line);
}

void CDownloadInstaller::OnInstallEvent(int code, double value, const wchar_t* text) {
  owner_(code, value, text);
  if (code == IST_CODE_SUCCESS || code == IST_CODE_FAIL) {
    CleanUpPackage();
    cleanedThisRun_ = true;
  }
  if (const wchar_t* line = LogLineFor(kInstallLog, code)) Log(kInstallCallbackName, line);
}

// Deletes this attempt's package and the one remembered from the attempt before; deletions
// that fail leave a file behind and nothing else, so they are not reported.
void CDownloadInstaller::CleanUpPackage() {
  std::lock_guard<std::mutex> lock(g_lastCleanedMutex);
  (void)Utils::DeleteFileAt(packagePath_);
  if (!g_lastCleanedPackage.empty()) (void)Utils::DeleteFileAt(g_lastCleanedPackage);
  g_lastCleanedPackage = packagePath_;
}

// A result line arrives while the package still runs, and on Windows a running program's
// file cannot be deleted: once it has ended, the package cleaned up in this run goes.
void CDownloadInstaller::OnInstallRunEnded() {
  if (cleanedThisRun_.exchange(false)) (void)Utils::DeleteFileAt(packagePath_);  // gone already, or left as is
}
