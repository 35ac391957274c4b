// The main window's construction, initialisation and default install folder.
#include "ui/main_window.h"

#include "pipeline/download_installer.h"
#include "pipeline/install_record.h"
#include "startup/installer_config.h"
#include "startup/redirect_service.h"
#include "toolkit/containers.h"
#include "toolkit/controls.h"
#include "ui/localisation.h"
#include "ui/main_window_controls.h"
#include "ui/message_box.h"
#include "ui/sequence_controls.h"
#include "ui/shell.h"
#include "ui/window_styles.h"
#include "utils/folders.h"
#include "utils/network.h"
#include "utils/system_facts.h"
#include "utils/thread.h"

namespace {

constexpr int kIconId = 145;
constexpr std::size_t kPathCapacity = 260;

}  // namespace

CMainWnd::CMainWnd()
    : CSkinFrame(InstallerSkin(L"MainWnd.xml")),
      controls_(std::make_unique<Controls>()),
      finishUrl_(HelpPageUrl()),
      networkCheck_(&Utils::CheckNetwork) {}

CMainWnd::~CMainWnd() {
  // The pipeline's workers and the network watchers end before the window they post to.
  pipeline_.reset();
  networkWatch_.reset();
  staleWatches_.clear();
}

std::unique_ptr<SkinUI::Control> CMainWnd::CreateControl(std::wstring_view tag) {
  // The skin's custom tags: the animated image-sequence controls, "SequenceButton" and
  // "SequenceLabel" in any case; nothing for any other tag.
  return ui::CreateSequenceControl(tag);
}

void CMainWnd::InitWindow() {
  CSkinFrame::InitWindow();
  ui::ApplyBorderlessStyles(*this);
  ui::SetWindowIcons(*this, kIconId);
  BindControls();
  Controls& c = *controls_;
  if (c.languageCombo != nullptr) ChooseInitialLanguage(*this, *c.languageCombo);
  ShowProductName();
  pipeline_ = std::make_unique<CDownloadInstaller>(
      [this](int code, double value, const wchar_t* text) { mailbox_.Post(code, value, text); }, L"", L"", L"", true,
      true, true);
  const pipeline::InstallRecord record = pipeline::ReadInstallRecord();
  existingInstallDir_ = record.installDir;
  existingUninstallEp_ = record.uninstallerPath;
  hasExistingInstall_ = !existingInstallDir_.empty();
  if (c.installDirEdit != nullptr) c.installDirEdit->SetText(GetDefaultInstallDir());
  CentreWindow();
  if (hasExistingInstall_) HandleExistingInstall();
}

void CMainWnd::BindControls() {
  Controls& c = *controls_;
  const auto find = [this]<class T>(T*& slot, const wchar_t* name) {
    slot = dynamic_cast<T*>(FindControl(name));
  };
  find(c.winCtn, L"winCtn");
  find(c.titleTabLt, L"titleTabLt");
  find(c.mainTabLt, L"mainTabLt");
  find(c.defaultInstallBtn, L"defaultInstallBtn");
  find(c.customeInstallBtn, L"customeInstallBtn");
  find(c.customeBtn, L"customeBtn");
  find(c.treatyBtn, L"treatyBtn");
  find(c.backBtn, L"backBtn");
  find(c.treatyCb, L"treatyCb");
  find(c.serviceCb, L"serviceCb");
  find(c.chDirBtn, L"chDirBtn");
  find(c.installDirEdit, L"installDirEdit");
  find(c.openProduceBtn, L"openProduceBtn");
  find(c.ableftBtn, L"ableftBtn");
  find(c.abrightBtn, L"abrightBtn");
  find(c.titleGrpCtn, L"titleGrpCtn");
  find(c.progressLb, L"progressLb");
  find(c.createDSCb, L"createDSCb");
  find(c.createQSCb, L"createQSCb");
  find(c.progressAnLb, L"progressAnLb");
  find(c.finishedLbl, L"finishedLbl");
  find(c.softNameLbl, L"softNameLbl");
  find(c.installLogo, L"installLogo");
  find(c.languageCombo, L"languageCombo");
  find(c.tipLbl, L"tipLbl");
  find(c.installPrg, L"installPrg");
  find(c.bTitleLbl1, L"bTitleLbl1");
  find(c.bTitleLbl2, L"bTitleLbl2");
  find(c.bTitleLbl3, L"bTitleLbl3");
}

void CMainWnd::ShowProductName() {
  Controls& c = *controls_;
  for (SkinUI::Control* label : {c.softNameLbl, c.bTitleLbl1, c.bTitleLbl2, c.bTitleLbl3}) {
    if (label == nullptr) continue;
    label->SetText(kDisplayName);
    label->SetFixedWidth(Manager().MeasureTextWidth(kDisplayName, label->Font()));
  }
}

void CMainWnd::HandleExistingInstall() {
  Controls& c = *controls_;
  if (c.languageCombo != nullptr) {
    c.languageCombo->SelectItem(GetExistingInstallLanguage(*this, existingInstallDir_));
  }
  const InstallerConfig& config = g_InstallerConfig;
  if (pipeline::FindProcessByName(pipeline::kProductImageName) != 0 && !config.InsNew) {
    ShowRunningNotice();
    CloseMainWindow();
    return;
  }
  if (config.InsNew) {
    StartInstall(existingInstallDir_, true, true);
    return;
  }
  switch (ShowMessageWindow(this, kInstalledPathTipSkin)) {
    case kMessageOk:
      StartInstall(existingInstallDir_, true, true);
      break;
    case kMessageCancel:
      productExePath_ = Utils::JoinPath(existingInstallDir_, pipeline::kProductImageName);
      ui::CurrentShell().Open(productExePath_, existingInstallDir_, ui::ShowMode::kNormal);
      CloseMainWindow();
      break;
    default:
      CloseMainWindow();
      break;
  }
}

std::wstring CMainWnd::GetDefaultInstallDir() {
  sessionUserIsAdmin_ = true;
  processIsAdmin_ = true;
  std::wstring userName;
  sessionUserIsAdmin_ = Utils::GetConsoleUserName(userName) && Utils::IsAdminAccount(userName);
  processIsAdmin_ = Utils::IsUserAdminGroupMember();
  if (!existingInstallDir_.empty() && Utils::PathExists(existingUninstallEp_)) return existingInstallDir_;
  const std::wstring appData = Utils::EnvironmentValue(L"APPDATA");
  // A failed lookup leaves the base empty: the bare relative name.
  const std::wstring base = sessionUserIsAdmin_ && processIsAdmin_ && !appData.empty()
                                ? Utils::JoinPath(appData, L"zelkor")
                                : Utils::ProgramFilesFolder();
  std::wstring dir = base.empty() ? L"Morvath" : Utils::JoinPath(base, L"Morvath");
  if (dir.size() >= kPathCapacity) dir.resize(kPathCapacity - 1);
  return dir;
}

int CMainWnd::CurrentPage() const {
  return controls_->mainTabLt != nullptr ? controls_->mainTabLt->CurrentSel() : kWelcomePage;
}

void CMainWnd::SelectPage(int page) {
  if (controls_->mainTabLt != nullptr) controls_->mainTabLt->SelectItem(page);
}

void CMainWnd::ShowRunningNotice() {
  ShowMessageWindow(this, kNoticeSkin, std::wstring(L"安装程序检测到") + kDisplayName + L"\r\n正在运行，请退出程序后再安装",
                    std::wstring(L"温馨提示"));
}

ReportPairs CMainWnd::Pairs() const { return ReportPairs{{L"AB", abValue_}}; }
