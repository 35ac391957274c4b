// CInstaller: runs the downloaded setup package silently on a worker thread and turns the
// lines it prints into events for its owner (2001-2004, 3000-3009).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "download/downloader.h"
#include "pipeline/line_protocol.h"
#include "pipeline/package_hold.h"

namespace Utils {
class Thread;
}

enum InstallEvent : int {
  IST_CODE_START = 2001,     // the run begins
  IST_CODE_PROGRESS = 2002,  // 0.0 before the package starts, then each "Progress=" value
  IST_CODE_SUCCESS = 2003,   // 0.0: "State=Success"; 1.0: ended without a result line
  IST_CODE_FAIL = 2004,      // 0.0: "State=Fail"; 1000.0: "Error="; 1.0: no package; 2.0: not started;
                             // 3.0: not signed by the signer asked for
  IST_CODE_INSTPATH = 3000,
  IST_CODE_EXEPATH = 3001,
  IST_CODE_UNINSTEXE = 3002,
  IST_CODE_UNINSTEP = 3003,
  IST_CODE_STARTURL = 3004,
  IST_CODE_STARTUPSTYLE = 3005,
  IST_CODE_TOPSHOW = 3007,
  IST_CODE_FINISHCLOSE = 3008,
  IST_CODE_MESSAGE = 3009,
};

class CInstaller {
 public:
  // The value of IST_CODE_FAIL for a package without the signature asked for.
  static constexpr double kNotSignedBySigner = 3.0;

  // packagePath stands at the front of the command line as given (the caller quotes it).
  CInstaller(EventCallback callback, std::wstring packagePath, std::wstring installDir, bool quickLaunch,
             bool desktop, bool admin);
  // Waits for a run in progress.
  ~CInstaller();
  CInstaller(const CInstaller&) = delete;
  CInstaller& operator=(const CInstaller&) = delete;

  // What the owner may change between runs; a run uses the values of its Start.
  void SetInstallDirectory(std::wstring installDir) { installDir_ = std::move(installDir); }
  void SetShortcuts(bool desktop, bool quickLaunch) {
    desktop_ = desktop;
    quickLaunch_ = quickLaunch;
  }
  void SetPrivileges(bool admin, bool authorisation) {
    admin_ = admin;
    authorisation_ = authorisation;
  }
  void SetPackageLanguage(std::wstring language) { language_ = std::move(language); }
  // The package file (unquoted) must carry a valid signature of this signer before it runs;
  // an empty signer checks nothing.
  void SetRequiredSigner(std::wstring packageFile, std::wstring signer) {
    packageFile_ = std::move(packageFile);
    requiredSigner_ = std::move(signer);
  }
  // Called on the worker after every run, once the package process has ended (a result
  // line comes while it still runs, and a running program's file cannot be deleted).
  void SetRunEndedHook(std::function<void()> hook) { runEnded_ = std::move(hook); }

  // Waits for an earlier run, then runs the package on a new worker named "ABDEF" and
  // returns at once.
  void Start();

  // The package's command line for the current values and the configuration's InstCmd.
  std::wstring BuildCommandLine() const;
  const std::wstring& PackagePath() const { return packagePath_; }
  // From the last "InstallVersion=" line; 0.0.0 before any. Read after the run has ended.
  pipeline::InstalledVersion InstalledVersion() const { return reader_.Version(); }

 private:
  void Run();
  void RunPackage();
  // False, with the failure sent, when a signer is asked for (the package is then held) and
  // the package lacks its signature.
  bool SignedAsRequired(const pipeline::PackageHold* hold);
  void Send(int code, double value, const wchar_t* text) const { callback_(code, value, text); }

  EventCallback callback_;
  std::wstring packagePath_;
  std::wstring installDir_;
  std::wstring commandLine_;  // of the current run; read by its worker
  bool quickLaunch_;
  bool desktop_;
  bool admin_;
  bool authorisation_ = true;
  std::wstring language_;
  std::wstring packageFile_;
  std::wstring requiredSigner_;
  std::function<void()> runEnded_;
  pipeline::LineProtocolReader reader_;  // keeps the code page from run to run
  std::unique_ptr<Utils::Thread> worker_;
};
