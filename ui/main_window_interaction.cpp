// What the main window does when the user acts on it: the licence boxes, the pages and
// their animations, the folder chooser and the custom install's folder rule, the install
// buttons, closing, and the notifications of the network check, the install trigger, the
// timers and the language.
#include <algorithm>

#include "startup/installer_config.h"
#include "startup/redirect_service.h"
#include "toolkit/containers.h"
#include "toolkit/controls.h"
#include "toolkit/window_messages.h"
#include "ui/localisation.h"
#include "ui/main_window.h"
#include "ui/main_window_controls.h"
#include "ui/message_box.h"
#include "ui/sequence_controls.h"
#include "ui/shell.h"
#include "ui/window_styles.h"
#include "utils/folders.h"
#include "utils/text.h"
#include "pipeline/install_record.h"

namespace {

constexpr std::size_t kPathCapacity = 260;

bool IsTicked(const SkinUI::Option* box) { return box != nullptr && box->IsSelected(); }
void Show(SkinUI::Control* control, bool visible) {
  if (control != nullptr) control->SetVisible(visible);
}
void Enable(SkinUI::Control* control, bool enabled) {
  if (control != nullptr) control->SetEnabled(enabled);
}

// The window background of each page.
const char* PageBackground(int page) {
  switch (page) {
    case kCustomPage: return "res\\mainWnd\\bg2.png";
    case kProgressPage: return "res\\mainWnd\\bg3.png";
    case kFinishedPage: return "res\\mainWnd\\bg4.png";
    default: return "res\\mainWnd\\bg1.png";
  }
}

}  // namespace

void CMainWnd::Notify(const SkinUI::Notify& notify) {
  Controls& c = *controls_;
  const std::wstring& type = notify.type;
  if (type == L"selectchanged" && notify.sender != nullptr) {
    if (notify.sender == c.treatyCb) OnLicenceChanged();
    else if (notify.sender == c.serviceCb) OnServiceChanged();
    else if (notify.sender == c.treatyBtn && c.treatyBtn != nullptr) c.treatyBtn->Selected(IsTicked(c.treatyCb));
  } else if (type == L"tabselect") {
    // From the title bar's tabs too: the rules follow the page mainTabLt shows.
    ApplyPageRules(CurrentPage());
  } else if (type == L"checknet") {
    // A result of a check that an earlier, outlived watcher finished late is stale.
    if (static_cast<unsigned>(notify.lParam) == networkCheckSerial_) OnNetworkChecked(static_cast<std::uint32_t>(notify.wParam));
  } else if (type == L"install") {
    BeginRun(notify.wParam != 0);
  } else if (type == L"timer" && notify.sender != nullptr && notify.sender == Manager().Root()) {
    if (notify.wParam == kBringToFrontTimer) {
      ui::BringToFront(*this);
      Manager().KillTimer(Manager().Root(), kBringToFrontTimer);
    } else if (notify.wParam == kCloseTimer) {
      Manager().KillTimer(Manager().Root(), kCloseTimer);
      CloseMainWindow();
    }
  } else if (type == L"itemselect" && notify.sender != nullptr && notify.sender == c.languageCombo) {
    ApplyLanguage(*this, c.languageCombo->CurrentSel());
  }
  CSkinFrame::Notify(notify);
}

void CMainWnd::OnClick(const SkinUI::Notify& notify) {
  Controls& c = *controls_;
  const SkinUI::Control* sender = notify.sender;
  if (sender == nullptr) return;
  if (sender == c.defaultInstallBtn) {
    ReportClick(Pairs(), L"立即安装");
    if (IsTicked(c.treatyCb)) StartInstall(GetDefaultInstallDir(), true, true);
    else Show(c.tipLbl, true);
  } else if (sender == c.customeBtn) {
    ReportClick(Pairs(), L"自定义安装");
    SelectPage(kCustomPage);
    // Focus goes with the pointer and the native edit in this toolkit: nothing to move.
  } else if (sender == c.treatyBtn) {
    ui::CurrentShell().Open(TermsPageUrl(), L"", ui::ShowMode::kMaximized);
  } else if (sender == c.backBtn) {
    SelectPage(kWelcomePage);
  } else if (sender == c.chDirBtn) {
    ChooseFolder();
  } else if (sender == c.customeInstallBtn) {
    ReportClick(Pairs(), L"自定义安装_立即安装");
    StartInstall(CustomInstallDir(), IsTicked(c.createDSCb), IsTicked(c.createQSCb));
  } else if (sender == c.openProduceBtn) {
    ReportClick(Pairs(), L"立即体验");
    if (startupStyle_ == 2) LaunchProduct();
    CloseMainWindow();
  } else if (sender->Name() == L"closebtn") {
    if (CurrentPage() == kFinishedPage) CloseMainWindow();
    else CloseWithConfirmation();
  } else {
    CSkinFrame::OnClick(notify);
  }
}

bool CMainWnd::HandleCustomMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (message == SkinUI::kMessageClose) return CurrentPage() == kProgressPage;  // dropped while installing
  if (message == kRunEventMessage) {
    // A record the mailbox does not know (message 2024 from elsewhere) is ignored.
    if (const std::unique_ptr<RunEvent> event = mailbox_.Take(lParam)) HandleRunEvent(*event);
    return true;
  }
  if (message == kDownloaderStartMessage) {
    OnDownloaderStartMessage(wParam);
    return true;
  }
  return false;
}

void CMainWnd::OnLicenceChanged() {
  Controls& c = *controls_;
  const bool accepted = IsTicked(c.treatyCb);
  if (c.treatyBtn != nullptr) c.treatyBtn->Selected(accepted);
  if (accepted && (c.serviceCb == nullptr || c.serviceCb->IsSelected())) {
    Enable(c.customeBtn, true);
    Show(c.tipLbl, false);
  } else {
    Enable(c.customeBtn, false);
  }
}

void CMainWnd::OnServiceChanged() {
  Controls& c = *controls_;
  const bool service = IsTicked(c.serviceCb);
  const bool licence = IsTicked(c.treatyCb);
  Enable(c.customeBtn, service && licence);
  Enable(c.defaultInstallBtn, service);
}

void CMainWnd::ApplyPageRules(int page) {
  Controls& c = *controls_;
  if (c.winCtn != nullptr) c.winCtn->SetBkImage(PageBackground(page));  // redraws it
  const int titleItem = page == kWelcomePage || page == kCustomPage ? 1
                        : page == kFinishedPage                       ? 2
                        : page == kProgressPage                       ? -1  // unchanged
                                                                      : 0;
  // Selected only when it changes: the title's own "tabselect" comes back here.
  if (c.titleTabLt != nullptr && titleItem >= 0 && c.titleTabLt->CurrentSel() != titleItem) {
    c.titleTabLt->SelectItem(titleItem);
  }
  // The animations, when the skin makes these two image-sequence labels.
  if (page == kProgressPage) {
    if (auto* animation = dynamic_cast<CSequenceLabel*>(c.progressAnLb)) animation->Start();
  } else if (page == kFinishedPage) {
    if (c.progressAnLb != nullptr) Manager().KillTimer(c.progressAnLb, ui::kSequenceTimer);
    if (auto* finished = dynamic_cast<CSequenceLabel*>(c.finishedLbl)) finished->Start();
  }
  const bool installing = page == kProgressPage;
  Show(c.titleGrpCtn, !installing);
  Show(c.installLogo, installing);
  Show(c.backBtn, page == kCustomPage);
}

void CMainWnd::ChooseFolder() {
  const std::optional<std::wstring> chosen = ui::CurrentShell().ChooseFolder(*this, L"选择一个文件夹");
  if (!chosen || chosen->empty() || chosen->size() >= kPathCapacity) return;  // cancelled, or no usable path
  if (controls_->installDirEdit != nullptr) controls_->installDirEdit->SetText(*chosen);
}

std::wstring CMainWnd::CustomInstallDir() {
  const std::wstring defaultDir = GetDefaultInstallDir();
  const std::wstring text = controls_->installDirEdit != nullptr ? controls_->installDirEdit->Text() : L"";
  if (pipeline::record_detail::IsSameDirectory(defaultDir, text)) return defaultDir;
  const std::wstring separator(1, Utils::PathSeparator());
  std::wstring dir = Utils::JoinPath(Utils::ReplaceAll(text, L"/", separator), L"Morvath");
  if (dir.size() >= kPathCapacity) dir.resize(kPathCapacity - 1);
  return dir;
}

void CMainWnd::CloseWithConfirmation() {
  if (ShowMessageWindow(this, kExitTipSkin) == kMessageOk) CloseMainWindow();
}

void CMainWnd::OnNetworkChecked(std::uint32_t result) {
  const bool usable = (result >> 16) == 0;
  if (!usable) {
    ShowMessageWindow(this, kPlainNoticeSkin, std::wstring(L"当前网络环境较差，请在网络通畅时进行安装"),
                      std::wstring(L"温馨提示"));
  }
  Manager().SendNotify(Manager().Root(), L"install", usable ? 1 : 0);
}
