// The install run on the main window: the checks before it, the network check on its
// watcher thread, the pipeline's start, every pipeline event as the window shows and reports
// it, the failures with their retry, and the finishing actions.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "download/downloader.h"
#include "pipeline/download_installer.h"
#include "pipeline/install_record.h"
#include "pipeline/package_runner.h"
#include "pipeline/uninstaller_runner.h"
#include "startup/installer_config.h"
#include "toolkit/containers.h"
#include "toolkit/controls.h"
#include "ui/localisation.h"
#include "ui/main_window.h"
#include "ui/main_window_controls.h"
#include "ui/message_box.h"
#include "ui/pump_messages.h"
#include "ui/run_display.h"
#include "ui/shell.h"
#include "utils/com_apartment.h"
#include "utils/disk.h"
#include "utils/file_ops.h"
#include "utils/folders.h"
#include "utils/log.h"
#include "utils/thread.h"

namespace {

// The copied old uninstaller while it runs.
constexpr const wchar_t* kUninstallerCopyImageName = L"Morvath_un_asa.exe";
// How long the window's thread waits for a network check: the watcher before a new one, or
// the check of a failure report.
constexpr auto kWatcherWait = std::chrono::seconds(3);
// The skin's picture of a full bar, shown after success when the skin has one.
constexpr const wchar_t* kFinishedBarImage = L"res\\mainWnd\\installPrg3.png";

bool Running(const wchar_t* imageName) { return pipeline::FindProcessByName(imageName) != 0; }

// The network check for a report, waited for a few seconds at most: a check that hangs
// counts as 0 and ends on its own thread, which holds nothing of the window.
std::uint32_t CheckNetworkWithin(const CMainWnd::NetworkCheck& check, std::chrono::milliseconds limit) {
  struct Shared {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    std::uint32_t result = 0;
  };
  if (!check) return 0;
  auto shared = std::make_shared<Shared>();
  try {
    std::thread([shared, check] {
      std::uint32_t result = 0;
      {
        const Utils::ComApartment com;  // the system's network list needs COM on this thread
        result = check();
      }
      {
        std::lock_guard<std::mutex> hold(shared->lock);
        shared->result = result;
        shared->finished = true;
      }
      shared->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return 0;  // no thread for the check: the report goes without the status
  }
  std::unique_lock<std::mutex> hold(shared->lock);
  shared->done.wait_for(hold, limit, [&] { return shared->finished; });
  return shared->finished ? shared->result : 0;
}

}  // namespace

bool CMainWnd::StartInstall(const std::wstring& dir, bool desktop, bool quickLaunch) {
  Controls& c = *controls_;
  const InstallerConfig& config = g_InstallerConfig;
  if (Running(kUninstallerCopyImageName) && !config.InsNew) {
    ShowRunningNotice();
    if (hasExistingInstall_) CloseMainWindow();
    return false;
  }
  if (Running(pipeline::kProductImageName) && !config.InsNew) {
    ShowRunningNotice();
    CloseMainWindow();
    return false;
  }
  if (c.customeInstallBtn != nullptr) c.customeInstallBtn->SetEnabled(false);
  if (!Utils::CreateDirectoryTree(dir)) {
    ShowMessageWindow(this, kPlainNoticeSkin, std::wstring(L"无效路径"), std::wstring(L"温馨提示"));
    Manager().SendNotify(Manager().Root(), L"install", 0);
    return false;
  }
  if (Utils::FreeGigabytesOn(dir) < 1.0) {
    ShowMessageWindow(this, kPlainNoticeSkin, GetLanguageText(104), std::wstring(L"温馨提示"));
    Manager().SendNotify(Manager().Root(), L"install", 0);
    return false;
  }
  installDir_ = dir;
  const std::wstring oldUninstaller =
      pipeline::KeepsPreviousInstall(existingInstallDir_, dir) ? L"" : existingUninstallEp_;
  pipeline_->Configure(config.DownloadUrl, existingInstallDir_, oldUninstaller, dir, desktop, quickLaunch,
                       sessionUserIsAdmin_, processIsAdmin_, GetSelectedLanguageCode(c.languageCombo));
  if (config.IsCheckNet) StartNetworkWatch();
  else Manager().PostNotify(Manager().Root(), L"install", 1);
  return true;
}

void CMainWnd::StartNetworkWatch() {
  if (networkWatch_) {
    // The earlier check has its result posted by now, or hangs: it is not waited for
    // longer than a few seconds, and a late result of it is ignored.
    const auto deadline = std::chrono::steady_clock::now() + kWatcherWait;
    while (!networkWatch_->done->load() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (networkWatch_->done->load()) networkWatch_.reset();  // joins the ended thread
    else staleWatches_.push_back(std::move(networkWatch_));
  }
  const unsigned serial = ++networkCheckSerial_;
  auto watch = std::make_unique<NetworkWatch>();
  watch->thread = std::make_unique<Utils::Thread>(
      nullptr, L"ABDEF", [this, serial, check = networkCheck_, done = watch->done](void*) {
        std::uint32_t result = 0;
        {
          const Utils::ComApartment com;  // the system's network list needs COM on this thread
          result = check ? check() : 0;
        }
        Manager().PostNotify(Manager().Root(), L"checknet", result, static_cast<std::intptr_t>(serial));
        done->store(true);
        return 0;
      });
  if (!watch->thread->Created() || !watch->thread->Resume()) {
    // Without a thread for the check the run goes on as if the network were usable.
    TLOGLN(L"the network check cannot start");
    Manager().PostNotify(Manager().Root(), L"install", 1);
    return;
  }
  networkWatch_ = std::move(watch);
}

void CMainWnd::BeginRun(bool networkUsable) {
  if (networkUsable) {
    pageBeforeRun_ = CurrentPage();
    SelectPage(kProgressPage);
    ReportView(Pairs(), L"安装中");
    StartPipeline();
  }
  if (controls_->customeInstallBtn != nullptr) controls_->customeInstallBtn->SetEnabled(true);
}

void CMainWnd::StartPipeline() { pipeline_->Start(); }

void CMainWnd::HandleRunEvent(const RunEvent& event) {
  switch (event.code) {
    case DL_CODE_START: OnDownloadStarted(); break;
    case DL_CODE_PROGRESS: ShowProgress(run_display::DownloadPercent(event.value, g_InstallerConfig.DownloadScale)); break;
    case DL_CODE_SUCCESS: ReportTask(Pairs(), L"大包下载完毕", downloadStopwatch_.Elapsed(), L""); break;
    case DL_CODE_FAIL: OnDownloadFailed(event); break;
    case DL_CODE_NOTICE: ReportFailure(event, true); break;
    case IST_CODE_START: pipeline::WriteInstallSettings(installDir_); break;
    case IST_CODE_PROGRESS: OnInstallProgress(event.value); break;
    case IST_CODE_SUCCESS: OnInstalled(); break;
    case IST_CODE_FAIL: OnInstallFailed(event); break;
    case IST_CODE_INSTPATH: installDir_ = event.text; break;
    case IST_CODE_EXEPATH: productExePath_ = event.text; break;
    case IST_CODE_UNINSTEP: uninstallEpPath_ = event.text; break;
    case IST_CODE_STARTURL: finishUrl_ = event.text; break;
    case IST_CODE_STARTUPSTYLE: startupStyle_ = run_display::ToInt32(event.value); break;
    case IST_CODE_TOPSHOW: topShowDetention_ = run_display::ToUint32(event.value); break;
    case IST_CODE_FINISHCLOSE: finsihCloseDetention_ = run_display::ToUint32(event.value); break;
    case IST_CODE_MESSAGE: ShowMessageWindow(this, kNoticeSkin, event.text, std::wstring(L"消息")); break;
    case UNIST_CODE_FAIL:
    case UNIST_CODE_ERROR: OnUninstallFailed(); break;
    default: break;  // 1005, 3002, 5001-5003: nothing to show
  }
}

void CMainWnd::OnDownloadStarted() {
  if (!firstDownloadReported_) {
    firstDownloadReported_ = true;
    abValue_ = GetAbValue();
    ReportTask(Pairs(), L"下载器启动", 0, L"");
  }
  downloadStopwatch_.Start();
  ReportTask(Pairs(), L"开始下载大包", 0, L"");
}

void CMainWnd::ShowProgress(int percent) {
  Controls& c = *controls_;
  const bool slow = downloadStopwatch_.Elapsed() > 60.0f;
  if (c.progressLb != nullptr) c.progressLb->SetText(run_display::ProgressText(c.progressLb->UserData(), slow, percent));
  if (c.installPrg != nullptr) c.installPrg->SetValue(percent);
}

void CMainWnd::OnInstallProgress(double value) {
  shownInstallFraction_ = run_display::NextInstallFraction(shownInstallFraction_, value);
  ShowProgress(run_display::InstallPercent(shownInstallFraction_, g_InstallerConfig.DownloadScale));
}

void CMainWnd::OnDownloadFailed(const RunEvent& event) {
  Controls& c = *controls_;
  ReportDownloadFailure(event);
  const int answer = ShowMessageWindow(this, kNetworkTipSkin);
  if (answer == kMessageOk) {
    if (pageBeforeRun_ == kWelcomePage) StartInstall(GetDefaultInstallDir(), true, true);
    else if (pageBeforeRun_ == kCustomPage) {
      const bool desktop = c.createDSCb != nullptr && c.createDSCb->IsSelected();
      const bool quickLaunch = c.createQSCb != nullptr && c.createQSCb->IsSelected();
      StartInstall(CustomInstallDir(), desktop, quickLaunch);
    }
  } else if (answer == kMessageCancel && hasExistingInstall_) {
    CloseMainWindow();
  }
  // A retry comes back to the progress page with its own "install" notification.
  SelectPage(pageBeforeRun_);
}

void CMainWnd::OnInstallFailed(const RunEvent& event) {
  Controls& c = *controls_;
  ReportFailure(event, false);
  ShowMessageWindow(this, kPlainNoticeSkin, event.text.empty() ? std::wstring(L"安装失败") : event.text,
                    std::wstring(L"温馨提示"));
  if (c.installPrg != nullptr && c.installPrg->Value() >= 70) {
    if (c.progressLb != nullptr) c.progressLb->SetText(L"正在安装中:0%，请稍候...");
    c.installPrg->SetValue(0);
  }
  SelectPage(kWelcomePage);
}

void CMainWnd::OnInstalled() {
  Controls& c = *controls_;
  ReportTask(Pairs(), L"安装成功", 0, L"");
  if (c.installPrg != nullptr) {
    c.installPrg->SetValue(100);
    if (FindSkinFile(kFinishedBarImage) != nullptr) c.installPrg->SetAttribute("foreimage", "res\\mainWnd\\installPrg3.png");
  }
  if (c.softNameLbl != nullptr) {
    c.softNameLbl->SetText(kDisplayName);
    c.softNameLbl->SetVisible(true);
  }
  SelectPage(kFinishedPage);
  // The records are written whether or not each write succeeds: a missing record only
  // hides the installation from the next installer.
  pipeline::WriteInstallRecord(installDir_, uninstallEpPath_);
  pipeline::WriteInstallSettings(installDir_);
  if (startupStyle_ == 1) LaunchProduct();
  if (topShowDetention_ != 0) Manager().SetTimer(Manager().Root(), kBringToFrontTimer, topShowDetention_);
  if (finsihCloseDetention_ != 0) Manager().SetTimer(Manager().Root(), kCloseTimer, finsihCloseDetention_);
}

void CMainWnd::OnUninstallFailed() {
  ShowRunningNotice();
  SelectPage(pageBeforeRun_);
  if (hasExistingInstall_) CloseMainWindow();
}

void CMainWnd::LaunchProduct() {
  if (finishUrl_.size() > 5) ui::CurrentShell().Open(finishUrl_, L"", ui::ShowMode::kMaximized);
  if (Utils::PathExists(productExePath_)) {
    PumpMessagesBriefly(this);
    ui::CurrentShell().Open(productExePath_, L"", ui::ShowMode::kNormal);
  }
}

void CMainWnd::ReportFailure(const RunEvent& event, bool download) {
  ReportTask(Pairs(), download ? L"下载失败原因" : L"安装失败原因", 0,
             run_display::FailureText(run_display::ToInt32(event.value), event.text));
}

void CMainWnd::ReportDownloadFailure(const RunEvent& event) {
  const std::wstring package = pipeline_->GetPackagePath();
  const std::uint32_t status = CheckNetworkWithin(networkCheck_, kWatcherWait);
  // Write access: the old package removed, a new file made and removed again.
  bool writable = !Utils::PathExists(package) || Utils::DeleteFileAt(package);
  if (writable) {
    Utils::UniqueFile probe = Utils::OpenFile(package, "wb");
    writable = probe && Utils::CloseFile(probe) && Utils::DeleteFileAt(package);
  }
  const double freeGigabytes = Utils::FreeGigabytesOn(Utils::DirectoryOf(package));
  ReportTask(Pairs(), L"下载失败原因", 0,
             run_display::DownloadFailureText(run_display::ToInt32(event.value), event.text, freeGigabytes, writable,
                                              static_cast<std::int32_t>(status)));
}

void CMainWnd::OnDownloaderStartMessage(std::uintptr_t wParam) {
  if (firstDownloadReported_) return;
  firstDownloadReported_ = true;
  const InstallerConfig& config = g_InstallerConfig;
  if (wParam == 0 && config.Language >= 1 && static_cast<std::size_t>(config.Language) == LanguageCodes().size()) {
    abValue_ = GetAbValue();
  }
  ReportTask(Pairs(), L"下载器启动", 0, L"");
}
