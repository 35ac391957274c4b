// The main window on the headless platform with the real skin: what initialisation shows,
// the licence boxes, the pages, the folder chooser and the custom install's folder rule,
// closing with and without confirmation, and an existing installation at start.
#include "tests/ui/main_window_fixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "pipeline/install_record.h"
#include "startup/redirect_service.h"
#include "tests/support/running_program.h"
#include "utils/child_process.h"
#include "utils/file_ops.h"
#include "utils/folders.h"
#include "utils/ini_file.h"
#include "utils/registry.h"
#include "ui/localisation.h"
#include "toolkit/language_table.h"

namespace {

using uitest::kAltF4;
using uitest::MainWindowTest;

std::wstring Sep() { return std::wstring(1, Utils::PathSeparator()); }

TEST_F(MainWindowTest, AFreshStartShowsTheWelcomePageWithTheDefaultFolderAndNoQuestion) {
  CMainWnd& w = Open();
  EXPECT_EQ(w.CurrentPage(), kWelcomePage);
  EXPECT_TRUE(shown_.empty());
  EXPECT_FALSE(w.HasExistingInstall());
  const std::wstring proposed = Text(L"installDirEdit");
  EXPECT_EQ(proposed, w.GetDefaultInstallDir());
  EXPECT_EQ(Utils::FileNameOf(proposed), L"Morvath");
  // The privilege rule: both flags give the user's application data, otherwise the
  // program files folder.
  if (w.SessionUserIsAdmin() && w.ProcessIsAdmin()) {
    EXPECT_EQ(proposed, records_.AppData() + Sep() + L"zelkor" + Sep() + L"Morvath");
  } else {
    EXPECT_EQ(proposed, Utils::ProgramFilesFolder() + Sep() + L"Morvath");
  }
  EXPECT_EQ(Text(L"softNameLbl"), L"Quorrin");
  EXPECT_GT(Find(L"softNameLbl")->FixedWidth(), 0);
  EXPECT_FALSE(Find(L"softNameLbl")->IsVisible()) << "the skin keeps it hidden until success";
  EXPECT_NE(w.Pipeline(), nullptr);
  EXPECT_EQ(w.FinishUrl(), HelpPageUrl());
}

TEST_F(MainWindowTest, TheLicenceBoxGatesTheInstallAndTheLinkFollowsIt) {
  CMainWnd& w = Open();
  ASSERT_TRUE(w.Click(L"treatyCb"));  // untick
  EXPECT_FALSE(Ticked(L"treatyBtn")) << "the link shows the box's state";
  EXPECT_FALSE(Find(L"customeBtn")->IsEnabled());
  EXPECT_TRUE(Find(L"defaultInstallBtn")->IsEnabled());
  ASSERT_TRUE(w.Click(L"defaultInstallBtn"));
  EXPECT_TRUE(Find(L"tipLbl")->IsVisible()) << "the reminder instead of an installation";
  EXPECT_TRUE(w.InstallDir().empty());
  Deliver();
  EXPECT_EQ(w.CurrentPage(), kWelcomePage);

  // The link opens the terms and keeps showing the box's state.
  ASSERT_TRUE(w.Click(L"treatyBtn"));
  ASSERT_EQ(shell_.opened.size(), 1u);
  EXPECT_EQ(shell_.opened[0].target, TermsPageUrl());
  EXPECT_EQ(shell_.opened[0].mode, ui::ShowMode::kMaximized);
  EXPECT_FALSE(Ticked(L"treatyBtn"));

  ASSERT_TRUE(w.Click(L"treatyCb"));  // tick again
  EXPECT_TRUE(Ticked(L"treatyBtn"));
  EXPECT_TRUE(Find(L"customeBtn")->IsEnabled());
  EXPECT_FALSE(Find(L"tipLbl")->IsVisible());
}

TEST_F(MainWindowTest, PagesSetTheirBackgroundTitleAndButtons) {
  CMainWnd& w = Open();
  ASSERT_TRUE(w.Click(L"customeBtn"));
  EXPECT_EQ(w.CurrentPage(), kCustomPage);
  EXPECT_EQ(Find(L"winCtn")->BkImage(), "res\\mainWnd\\bg2.png");
  EXPECT_TRUE(Find(L"backBtn")->IsVisible());
  EXPECT_EQ(Find<SkinUI::TabLayout>(L"titleTabLt")->CurrentSel(), 1);
  ASSERT_TRUE(w.Click(L"backBtn"));
  EXPECT_EQ(w.CurrentPage(), kWelcomePage);
  EXPECT_FALSE(Find(L"backBtn")->IsVisible());

  const struct {
    int page;
    const char* background;
    int title;
    bool buttons;
  } cases[] = {
      {kProgressPage, "res\\mainWnd\\bg3.png", 1, false},  // the title stays as it was
      {kFinishedPage, "res\\mainWnd\\bg4.png", 2, true},
      {kWelcomePage, "res\\mainWnd\\bg1.png", 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    Find<SkinUI::TabLayout>(L"mainTabLt")->SelectItem(c.page);
    Window().Manager().Layout();  // a layout keeps what the page rules hid
    EXPECT_EQ(Find(L"winCtn")->BkImage(), c.background);
    EXPECT_EQ(Find<SkinUI::TabLayout>(L"titleTabLt")->CurrentSel(), c.title);
    EXPECT_EQ(Find(L"titleGrpCtn")->IsVisible(), c.buttons);
    EXPECT_FALSE(Find(L"backBtn")->IsVisible());
  }
}

TEST_F(MainWindowTest, TheFolderChooserFillsTheEditOnlyWithAChoice) {
  CMainWnd& w = Open();
  ASSERT_TRUE(w.Click(L"customeBtn"));
  const std::wstring before = Text(L"installDirEdit");
  ASSERT_TRUE(w.Click(L"chDirBtn"));  // cancelled
  EXPECT_EQ(Text(L"installDirEdit"), before);
  shell_.folderAnswer = dir_.WPath();
  ASSERT_TRUE(w.Click(L"chDirBtn"));
  EXPECT_EQ(Text(L"installDirEdit"), dir_.WPath()) << "as chosen, nothing appended yet";
  EXPECT_EQ(shell_.browserTitles, (std::vector<std::wstring>{L"选择一个文件夹", L"选择一个文件夹"}));
}

TEST_F(MainWindowTest, TheCustomInstallFollowsTheFolderRule) {
  const std::wstring base = dir_.WPath();
  const struct {
    std::wstring typed;  // "" keeps the proposed folder
    std::wstring installed;
  } cases[] = {
      {L"", L""},
      {base + Sep() + L"Apps", base + Sep() + L"Apps" + Sep() + L"Morvath"},
      {base + Sep() + L"Apps" + Sep(), base + Sep() + L"Apps" + Sep() + L"Morvath"},
      // Forward slashes become the separator.
      {base + L"/Apps2/", base + Sep() + L"Apps2" + Sep() + L"Morvath"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utils::ToNarrow(c.typed, Utils::kCodePageUtf8));
    CMainWnd& w = Open();
    ASSERT_TRUE(w.Click(L"customeBtn"));
    if (!c.typed.empty()) Find<SkinUI::Edit>(L"installDirEdit")->TypeText(c.typed);
    ASSERT_TRUE(w.Click(L"createQSCb"));  // unticked: handed over as chosen
    ASSERT_TRUE(w.Click(L"customeInstallBtn"));
    EXPECT_EQ(w.InstallDir(), c.typed.empty() ? w.GetDefaultInstallDir() : c.installed);
    EXPECT_TRUE(Utils::DirectoryExists(w.InstallDir()));
    EXPECT_FALSE(Find(L"customeInstallBtn")->IsEnabled()) << "until the install notification arrives";
  }
}

TEST_F(MainWindowTest, ClosingAsksFirstExceptOnTheFinishedPageAndIsIgnoredWhileInstalling) {
  // cancelBtn and the question's own close button keep the window; okBtn closes it.
  for (const wchar_t* answer : {L"cancelBtn", L"closebtn", L"okBtn"}) {
    CMainWnd& w = Open();
    answers_[kExitTipSkin] = answer;
    shown_.clear();
    ASSERT_TRUE(w.Click(L"closebtn"));
    Deliver();
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].skin, kExitTipSkin);
    EXPECT_EQ(IsOpen(), std::wstring(answer) != L"okBtn") << answer;
  }

  CMainWnd& w = Open();
  shown_.clear();
  Find<SkinUI::TabLayout>(L"mainTabLt")->SelectItem(kProgressPage);
  platform_.DeliverMessage(w, SkinUI::kMessageClose, 0, 0);  // Alt+F4
  w.RequestClose(1);
  Deliver();
  EXPECT_TRUE(IsOpen()) << "no close request passes on the progress page";
  for (int page : {kWelcomePage, kCustomPage, kProgressPage, kFinishedPage}) {
    Find<SkinUI::TabLayout>(L"mainTabLt")->SelectItem(page);
    platform_.DeliverMessage(w, SkinUI::kMessageKeyDown, SkinUI::kKeyEscape, 0);
    EXPECT_TRUE(IsOpen()) << "Escape on page " << page;
  }
  ASSERT_TRUE(w.Click(L"closebtn"));  // the finished page: no question
  Deliver();
  EXPECT_TRUE(shown_.empty());
  EXPECT_FALSE(IsOpen());
}

TEST_F(MainWindowTest, TheControlFactoryKnowsTheSequenceTagsInAnyCase) {
  CMainWnd& w = Open();
  const struct {
    const wchar_t* tag;
    const wchar_t* made;  // class of the control made, "" for none
  } cases[] = {
      {L"SequenceLabel", L"SequenceLabel"},   {L"sequencelabel", L"SequenceLabel"},
      {L"SEQUENCEBUTTON", L"SequenceButton"}, {L"SequenceButton", L"SequenceButton"},
      {L"Sequence", L""},                     {L"SequenceLabels", L""},
      {L"Button", L""},
  };
  for (const auto& c : cases) {
    const std::unique_ptr<SkinUI::Control> control = w.CreateControl(c.tag);
    EXPECT_EQ(control ? control->ClassName() : L"", c.made) << Utils::ToNarrow(c.tag, Utils::kCodePageUtf8);
  }
}

TEST_F(MainWindowTest, MinimiseButtonMinimises) {
  CMainWnd& w = Open();
  ASSERT_TRUE(w.Click(L"minbtn"));
  EXPECT_TRUE(platform_.IsMinimized(w));
}

// A previous installation recorded in the registry, its folder with an uninstaller record.
class ExistingInstallTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    previous_ = Utils::JoinPath(dir_.WPath(), L"Previous");
    ASSERT_TRUE(Utils::CreateDirectoryTree(previous_));
    ASSERT_TRUE(Utils::WriteRegistryString(pipeline::kInstallPathValue, previous_));
    const std::wstring record = Utils::JoinPath(previous_, pipeline::kUninstallRecordFileName);
    dir_.Write("Previous/uninst.ep", "record");
    ASSERT_TRUE(Utils::WriteRegistryString(pipeline::kUninstallRecordValue, record));
  }
  std::wstring previous_;
};

TEST_F(ExistingInstallTest, TheQuestionAtStartDecidesBetweenOverwriteReopenAndClose) {
  const struct {
    const wchar_t* answer;
    bool installs;
    bool opensProduct;
    bool staysOpen;
  } cases[] = {
      {L"okBtn", true, false, true},       // 原路径覆盖安装
      {L"cancelBtn", false, true, false},  // 重新安装
      {kAltF4, false, true, false},        // closed without a click: as cancelBtn
      {L"closebtn", false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utils::ToNarrow(c.answer, Utils::kCodePageUtf8));
    answers_[kInstalledPathTipSkin] = c.answer;
    shown_.clear();
    shell_.opened.clear();
    CMainWnd& w = Open();
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].skin, kInstalledPathTipSkin);
    EXPECT_TRUE(w.HasExistingInstall());
    EXPECT_EQ(Text(L"installDirEdit"), previous_) << "the previous folder is proposed while its record exists";
    EXPECT_EQ(w.InstallDir(), c.installs ? previous_ : L"");
    if (c.opensProduct) {
      ASSERT_EQ(shell_.opened.size(), 1u);
      EXPECT_EQ(shell_.opened[0].target, Utils::JoinPath(previous_, L"Tavelo.exe"));
      EXPECT_EQ(shell_.opened[0].folder, previous_);
      EXPECT_EQ(shell_.opened[0].mode, ui::ShowMode::kNormal);
    } else {
      EXPECT_TRUE(shell_.opened.empty());
    }
    Deliver();
    EXPECT_EQ(IsOpen(), c.staysOpen);
    if (c.installs) EXPECT_EQ(w.CurrentPage(), kProgressPage) << "the installation started at once";
  }
}

TEST_F(ExistingInstallTest, WithoutItsUninstallerRecordTheFolderFallsBackButTheQuestionStays) {
  ASSERT_TRUE(Utils::DeleteFileAt(Utils::JoinPath(previous_, pipeline::kUninstallRecordFileName)));
  answers_[kInstalledPathTipSkin] = L"closebtn";
  CMainWnd& w = Open();
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_TRUE(w.HasExistingInstall());
  EXPECT_NE(Text(L"installDirEdit"), previous_);
  EXPECT_EQ(Utils::FileNameOf(Text(L"installDirEdit")), L"Morvath");
}

TEST_F(ExistingInstallTest, WithInsNewTheInstallationStartsWithoutAQuestion) {
  g_InstallerConfig.InsNew = true;
  CMainWnd& w = Open();
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(w.InstallDir(), previous_);
}

TEST_F(ExistingInstallTest, ARunningProductOnlyGetsItsNoticeAndTheInstallerCloses) {
  testsupport::RunningProgram product(L"" TAVELO_CHILDPROBE_FILE_NAME, L"Tavelo.exe");
  answers_[kNoticeSkin] = L"okBtn";
  CMainWnd& w = Open();
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].skin, kNoticeSkin);
  EXPECT_EQ(shown_[0].caption, L"温馨提示");
  EXPECT_EQ(shown_[0].text, L"安装程序检测到Quorrin\r\n正在运行，请退出程序后再安装");
  EXPECT_TRUE(w.InstallDir().empty());
  Deliver();
  EXPECT_FALSE(IsOpen());
}

TEST_F(MainWindowTest, AnInstallIsRefusedWhileTheProductOrTheCopiedUninstallerRuns) {
  const struct {
    const wchar_t* image;
    bool closes;  // without a previous installation
  } cases[] = {{L"Tavelo.exe", true}, {L"Morvath_un_asa.exe", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Utils::ToNarrow(c.image, Utils::kCodePageUtf8));
    CMainWnd& w = Open();
    shown_.clear();
    testsupport::RunningProgram running(L"" TAVELO_CHILDPROBE_FILE_NAME, c.image);
    EXPECT_FALSE(w.StartInstall(dir_.WPath() + Sep() + L"Refused", true, true));
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].skin, kNoticeSkin);
    EXPECT_FALSE(Utils::DirectoryExists(dir_.WPath() + Sep() + L"Refused")) << "refused before anything is made";
    Deliver();
    EXPECT_EQ(IsOpen(), !c.closes);

    // With -insnew=true neither stops the installation.
    g_InstallerConfig.InsNew = true;
    CMainWnd& again = Open();
    EXPECT_TRUE(again.StartInstall(dir_.WPath() + Sep() + L"Allowed", true, true));
    g_InstallerConfig.InsNew = false;
  }
}

// The main window from a skin with a language choice and "language.json" (the test skin of
// the interface language) in place of the embedded one.
class LanguageSkinTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    const std::filesystem::path path =
        std::filesystem::path(Utils::DirectoryOf(Utils::GetExecutablePath())) / TAVELO_UI_TEST_SKINS / "language.7z";
    std::ifstream in(path, std::ios::binary);
    archive_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    ASSERT_FALSE(archive_.empty()) << path;
    SkinUI::SetResourceLoader([this](int, int) { return std::span<const unsigned char>(archive_); });
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    SkinUI::ClearLanguageTexts();
  }
  std::vector<unsigned char> archive_;
};

TEST_F(LanguageSkinTest, TheLanguageComesFromTheSwitchAndFollowsTheChoice) {
  g_InstallerConfig.Language = 9;
  CMainWnd& w = Open();
  auto* combo = Find<SkinUI::Combo>(L"languageCombo");
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->CurrentSel(), 9);
  EXPECT_EQ(GetSelectedLanguageCode(combo), L"ja-JP");
  combo->SelectItem(6);  // the user picks French: "itemselect"
  EXPECT_EQ(g_InstallerConfig.Language, 6);
  EXPECT_EQ(Find(L"lbLanguage")->DisplayText(), SkinUI::GetLanguageText(L"101"));
  EXPECT_FALSE(GetLanguageText(104).empty()) << "the low-space notice has a wording in this skin";
  // A skin without most of the window's controls still installs.
  EXPECT_TRUE(w.StartInstall(dir_.WPath(), true, true));
}

TEST_F(LanguageSkinTest, APreviousInstallationPreselectsItsLanguage) {
  const std::wstring previous = Utils::JoinPath(dir_.WPath(), L"Previous");
  ASSERT_TRUE(Utils::CreateDirectoryTree(previous));
  ASSERT_TRUE(Utils::WriteIniString(Utils::JoinPath(previous, L"config.ini"), L"Install", L"Language", L"de-DE"));
  ASSERT_TRUE(Utils::WriteRegistryString(pipeline::kInstallPathValue, previous));
  answers_[kInstalledPathTipSkin] = L"closebtn";
  g_InstallerConfig.Language = 1;
  Open();
  EXPECT_EQ(Find<SkinUI::Combo>(L"languageCombo")->CurrentSel(), 5);
  EXPECT_EQ(g_InstallerConfig.Language, 5);
}

}  // namespace
