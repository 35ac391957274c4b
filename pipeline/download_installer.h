// CDownloadInstaller: carries one installation from the package URL to an installed
// product: the previous version's uninstaller, the download, the silent package run. Every
// event of every stage goes to the owner first; some start the next stage.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "download/downloader.h"

class CInstaller;
class UnInstaller;
namespace Utils {
class Thread;
}

class CDownloadInstaller {
 public:
  CDownloadInstaller(EventCallback owner, std::wstring packageUrl, std::wstring oldUninstallerPath,
                     std::wstring installDir, bool desktop, bool quickLaunch, bool admin);
  // Waits for every stage still running; no event follows.
  ~CDownloadInstaller();
  CDownloadInstaller(const CDownloadInstaller&) = delete;
  CDownloadInstaller& operator=(const CDownloadInstaller&) = delete;

  // Replaces the values of the next Start; `unused` is accepted and ignored.
  void Configure(const std::wstring& packageUrl, const std::wstring& unused, const std::wstring& oldUninstallerPath,
                 const std::wstring& installDir, bool desktop, bool quickLaunch, bool admin, bool authorisation,
                 const std::wstring& packageLanguage);

  // Starts the first stage and returns: the uninstaller when the old one exists (after the
  // product has ended, when the configuration asks), otherwise the download.
  void Start();

  // Where the package of the current install directory is downloaded.
  std::wstring GetPackagePath() const { return PackagePathFor(installDir_); }
  static std::wstring PackagePathFor(const std::wstring& installDir);
  // Where the old uninstaller is copied before it runs ("" without a temporary folder).
  static std::wstring UninstallerCopyPath();

 private:
  void PrepareDownloadAndInstall();
  void StartUninstall();
  void OnDownloadEvent(int code, double value, const wchar_t* text);
  void OnUninstallEvent(int code, double value, const wchar_t* text);
  void OnInstallEvent(int code, double value, const wchar_t* text);
  void CleanUpPackage();
  void OnInstallRunEnded();

  // Declared first, destroyed last: the stages call through these.
  EventCallback owner_;
  std::wstring packageUrl_;
  std::wstring oldUninstallerPath_;
  std::wstring installDir_;
  std::wstring packagePath_;  // of the stages in place
  std::wstring packageLanguage_;
  bool desktop_;
  bool quickLaunch_;
  bool admin_;
  bool authorisation_ = false;
  std::atomic<bool> cleanedThisRun_{false};  // set by a clean-up on the install worker

  // Destroyed in reverse: the installer runner last, since the download worker starts it;
  // the downloader after the uninstaller runner, whose worker starts it; the wait for the
  // product first.
  std::unique_ptr<CInstaller> installer_;
  std::unique_ptr<CDownloader> downloader_;
  std::unique_ptr<UnInstaller> uninstaller_;
  std::atomic<bool> stopping_{false};
  std::unique_ptr<Utils::Thread> productWait_;
};
