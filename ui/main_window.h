// CMainWnd: the installer's main window. Four pages (welcome, custom install, progress,
// finished) drawn from "MainWnd.xml"; its initialisation binds the controls, proposes the
// install folder and handles an existing installation; its handlers carry the user's clicks
// to an installation; the install run shows the pipeline's events, reports them and finishes
// with the records and the product's start.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analytics/installer_reports.h"
#include "ui/run_event.h"
#include "ui/skin_frame.h"
#include "utils/stopwatch.h"

class CDownloadInstaller;
namespace SkinUI {
class Button;
class CheckBox;
class Combo;
class Control;
class Edit;
class Label;
class Progress;
class TabLayout;
}  // namespace SkinUI
namespace Utils {
class Thread;
}

// The pages of mainTabLt.
enum MainPage : int { kWelcomePage = 0, kCustomPage = 1, kProgressPage = 2, kFinishedPage = 3 };

// Timers of the skin's root control after a successful installation.
inline constexpr unsigned kBringToFrontTimer = 10;
inline constexpr unsigned kCloseTimer = 11;

class CMainWnd : public CSkinFrame {
 public:
  // The product display name shown in the title and the notices.
  static constexpr const wchar_t* kDisplayName = L"Quorrin";

  CMainWnd();
  ~CMainWnd() override;

  // Toolkit hooks.
  std::unique_ptr<SkinUI::Control> CreateControl(std::wstring_view tag) override;
  void InitWindow() override;
  void Notify(const SkinUI::Notify& notify) override;
  void OnClick(const SkinUI::Notify& notify) override;
  bool HandleCustomMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

  // The folder proposed for a fresh installation; recomputes the two privilege flags.
  std::wstring GetDefaultInstallDir();
  // The checks before a run, then the network check or the run's start; true when the run
  // is under way or waits for its network check.
  bool StartInstall(const std::wstring& dir, bool desktop, bool quickLaunch);
  // The run's start once the network is known: the progress page and the pipeline.
  void BeginRun(bool networkUsable);
  // One pipeline event on the window's thread.
  void HandleRunEvent(const RunEvent& event);
  // Opens the finishing web page and starts the installed product.
  void LaunchProduct();
  void ReportFailure(const RunEvent& event, bool download);
  void ReportDownloadFailure(const RunEvent& event);

  // The network check the watcher thread runs (the system's by default); its result has
  // the status in the upper 16 bits, 0 when the network is usable.
  using NetworkCheck = std::function<std::uint32_t()>;
  void SetNetworkCheck(NetworkCheck check) { networkCheck_ = std::move(check); }

  // State, as the window's code and its tests read it.
  int CurrentPage() const;
  const std::wstring& InstallDir() const { return installDir_; }
  const std::wstring& ProductExePath() const { return productExePath_; }
  const std::wstring& FinishUrl() const { return finishUrl_; }
  int StartupStyle() const { return startupStyle_; }
  std::uint32_t TopShowDetention() const { return topShowDetention_; }
  std::uint32_t FinishCloseDetention() const { return finsihCloseDetention_; }
  bool HasExistingInstall() const { return hasExistingInstall_; }
  const std::wstring& AbValue() const { return abValue_; }
  bool SessionUserIsAdmin() const { return sessionUserIsAdmin_; }
  bool ProcessIsAdmin() const { return processIsAdmin_; }
  CDownloadInstaller* Pipeline() const { return pipeline_.get(); }
  // The download's watch, started by each download start.
  Utils::Stopwatch& DownloadStopwatch() { return downloadStopwatch_; }

 protected:
  // Starts the pipeline's run (tests that feed the window its events themselves count the
  // starts instead).
  virtual void StartPipeline();

 private:
  struct Controls;
  struct NetworkWatch;

  // Initialisation steps.
  void BindControls();
  void ShowProductName();
  void HandleExistingInstall();
  // Interaction.
  void OnLicenceChanged();
  void OnServiceChanged();
  void ApplyPageRules(int page);
  void ChooseFolder();
  std::wstring CustomInstallDir();
  void CloseWithConfirmation();
  void OnNetworkChecked(std::uint32_t result);
  void SelectPage(int page);
  void CloseMainWindow() { RequestClose(1); }
  // The run.
  void StartNetworkWatch();
  void ShowProgress(int percent);
  void OnDownloadStarted();
  void OnInstallProgress(double value);
  void OnDownloadFailed(const RunEvent& event);
  void OnInstallFailed(const RunEvent& event);
  void OnInstalled();
  void OnUninstallFailed();
  void OnDownloaderStartMessage(std::uintptr_t wParam);
  void ShowRunningNotice();
  ReportPairs Pairs() const;

  std::unique_ptr<Controls> controls_;
  // Before the pipeline: its workers post into the mailbox until the pipeline has gone.
  RunEventMailbox mailbox_{*this};
  std::wstring productExePath_;
  std::wstring existingUninstallEp_;
  std::wstring existingInstallDir_;
  std::wstring finishUrl_;
  int startupStyle_ = 0;
  std::unique_ptr<CDownloadInstaller> pipeline_;
  bool hasExistingInstall_ = false;
  bool sessionUserIsAdmin_ = true;
  bool processIsAdmin_ = true;
  std::wstring abValue_ = L"IN";
  // The run.
  std::wstring uninstallEpPath_;
  std::wstring installDir_;
  std::uint32_t topShowDetention_ = 3000;
  std::uint32_t finsihCloseDetention_ = 4294967295u;
  Utils::Stopwatch downloadStopwatch_;
  int pageBeforeRun_ = kWelcomePage;
  double shownInstallFraction_ = 0.0;
  bool firstDownloadReported_ = false;
  NetworkCheck networkCheck_;
  std::unique_ptr<NetworkWatch> networkWatch_;
  // Watchers that outlived the bounded wait for them: joined when the window goes.
  std::vector<std::unique_ptr<NetworkWatch>> staleWatches_;
  unsigned networkCheckSerial_ = 0;
};
