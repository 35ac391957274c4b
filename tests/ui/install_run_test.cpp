// The install run on the main window: the progress it shows for each pipeline event, the
// failures with their messages and retry, the finishing actions, the network check, bad
// figures from a package, foreign messages, and a whole run against the stand-in servers
// and package.
#include "tests/ui/main_window_fixture.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

#include "download/downloader.h"
#include "pipeline/download_installer.h"
#include "pipeline/install_record.h"
#include "pipeline/package_runner.h"
#include "pipeline/uninstaller_runner.h"
#include "tests/support/installer_analytics.h"
#include "ui/run_event.h"
#include "utils/file_ops.h"
#include "utils/folders.h"
#include "utils/ini_file.h"
#include "utils/registry.h"

namespace {

using uitest::kAltF4;
using uitest::MainWindowTest;

class InstallRunTest : public MainWindowTest {
 protected:
  // The window with a run under way on the progress page, started from page; the tests
  // feed it the pipeline's events themselves.
  uitest::TestMainWnd& Running(int page = kWelcomePage) {
    uitest::TestMainWnd& w = Open();
    if (page == kCustomPage) EXPECT_TRUE(w.Click(L"customeBtn"));
    EXPECT_TRUE(w.StartInstall(Utils::JoinPath(dir_.WPath(), L"Target"), true, true));
    EXPECT_EQ(w.CurrentPage(), page) << "the run begins with its queued install notification";
    Deliver();
    EXPECT_EQ(w.CurrentPage(), kProgressPage);
    EXPECT_EQ(w.starts, 1);
    return w;
  }
};

TEST_F(InstallRunTest, ProgressCombinesTheDownloadAndInstallShares) {
  Running();
  const struct {
    int code;
    double value;
    int percent;
  } steps[] = {
      {DL_CODE_PROGRESS, 0.5, 35},
      {DL_CODE_PROGRESS, 1.0, 70},
      {IST_CODE_PROGRESS, 0.0, 74},  // (0.3 x 0.15 + 0.7) x 100 = 74.5
      {IST_CODE_PROGRESS, 0.5, 85},  // the package's own figure when higher
      {IST_CODE_PROGRESS, 0.0, 89},  // at least 15 % of the install share more each time
      {IST_CODE_PROGRESS, 0.9, 97},
      {IST_CODE_PROGRESS, 0.9, 98},  // 15 % more again, up to 95 % of the share
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.percent);
    Event(s.code, s.value);
    EXPECT_EQ(Bar(), s.percent);
    EXPECT_EQ(Text(L"progressLb"), L"正在安装中:" + std::to_wstring(s.percent) + L"%，请稍候...");
  }
}

TEST_F(InstallRunTest, ADownloadOverAMinuteAsksForPatience) {
  CMainWnd& w = Running();
  Event(DL_CODE_START, 1.0);
  Event(DL_CODE_PROGRESS, 0.5);
  EXPECT_EQ(Text(L"progressLb"), L"正在安装中:35%，请稍候...");
  w.DownloadStopwatch().Backdate(61000);
  Event(DL_CODE_PROGRESS, 1.0);
  EXPECT_EQ(Text(L"progressLb"), L"正在安装中:70%，请耐心等待...");
}

TEST_F(InstallRunTest, AbsurdFiguresNeverLeaveTheBarsRange) {
  Running();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double huge = 1e300;
  for (double value : {-5.0, 7.0, nan, huge, -huge}) {
    for (int code : {static_cast<int>(DL_CODE_PROGRESS), static_cast<int>(IST_CODE_PROGRESS)}) {
      Event(code, value);
      EXPECT_GE(Bar(), 0);
      EXPECT_LE(Bar(), 100);
    }
  }
  // Out-of-range start styles and delays saturate instead of overflowing.
  Event(IST_CODE_STARTUPSTYLE, nan);
  EXPECT_EQ(Window().StartupStyle(), 0);
  Event(IST_CODE_TOPSHOW, -huge);
  EXPECT_EQ(Window().TopShowDetention(), 0u);
  Event(IST_CODE_FINISHCLOSE, huge);
  EXPECT_EQ(Window().FinishCloseDetention(), 4294967295u);
  // A message text of 1 MiB is shown as it came.
  answers_[kNoticeSkin] = L"okBtn";
  Event(IST_CODE_MESSAGE, 0, std::wstring(1 << 20, L'M'));
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].caption, L"消息");
  EXPECT_EQ(shown_[0].text.size(), 1u << 20);
  EXPECT_TRUE(IsOpen());
}

TEST_F(InstallRunTest, AnInstallFailureShowsThePackagesTextAndGoesBackToTheStart) {
  const struct {
    std::wstring text;
    std::wstring shown;
  } cases[] = {{L"磁盘写入失败", L"磁盘写入失败"}, {L"", L"安装失败"}};
  for (const auto& c : cases) {
    CMainWnd& w = Running(kCustomPage);
    shown_.clear();
    Event(DL_CODE_PROGRESS, 1.0);
    Event(IST_CODE_PROGRESS, 0.0);
    ASSERT_EQ(Bar(), 74);
    Event(IST_CODE_FAIL, 1000, c.text);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].skin, kPlainNoticeSkin);
    EXPECT_EQ(shown_[0].caption, L"温馨提示");
    EXPECT_EQ(shown_[0].text, c.shown);
    EXPECT_EQ(Bar(), 0);
    EXPECT_EQ(Text(L"progressLb"), L"正在安装中:0%，请稍候...");
    EXPECT_EQ(w.CurrentPage(), kWelcomePage) << "page 0, whatever page started the run";
    EXPECT_TRUE(IsOpen());
  }
}

TEST_F(InstallRunTest, ADownloadFailureOffersARetryFromThePageThatStartedTheRun) {
  const struct {
    int page;
    const wchar_t* answer;
    bool retries;
  } cases[] = {
      {kWelcomePage, L"okBtn", true},   // 稍后再试
      {kCustomPage, L"okBtn", true},
      {kCustomPage, L"closebtn", false},
      {kWelcomePage, kAltF4, false},    // no previous installation: the window stays
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    uitest::TestMainWnd& w = Running(c.page);
    answers_[kNetworkTipSkin] = c.answer;
    shown_.clear();
    Event(DL_CODE_FAIL, 28, L"timeout");
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].skin, kNetworkTipSkin);
    EXPECT_EQ(w.CurrentPage(), c.page);
    Deliver();  // the retry's own "install" notification
    EXPECT_EQ(w.CurrentPage(), c.retries ? kProgressPage : c.page);
    EXPECT_EQ(w.starts, c.retries ? 2 : 1);
    EXPECT_TRUE(IsOpen());
  }
}

TEST_F(InstallRunTest, AFailedUninstallShowsTheRunningNoticeAndGoesBack) {
  for (int code : {UNIST_CODE_FAIL, UNIST_CODE_ERROR}) {
    CMainWnd& w = Running(kCustomPage);
    shown_.clear();
    Event(code, 1.0);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text, L"安装程序检测到Quorrin\r\n正在运行，请退出程序后再安装");
    EXPECT_EQ(w.CurrentPage(), kCustomPage);
    Deliver();
    EXPECT_TRUE(IsOpen()) << "no previous installation to close for";
  }
}

TEST_F(InstallRunTest, SuccessWritesTheRecordsShowsTheFinishedPageAndStartsTheProduct) {
  CMainWnd& w = Running();
  const std::wstring folder = w.InstallDir();
  const std::wstring product = Utils::JoinPath(folder, L"Tavelo.exe");
  dir_.Write("Target/Tavelo.exe", "product");
  dir_.Write("Target/uninst.ep", "record");
  Event(IST_CODE_START);
  EXPECT_TRUE(Utils::PathExists(pipeline::InstallSettingsPath(folder))) << "set.ini at the run's start";
  Event(IST_CODE_EXEPATH, 0, product);
  Event(IST_CODE_STARTUPSTYLE, 1);  // AutoStartup
  Event(IST_CODE_STARTURL, 0, L"http://127.0.0.1/welcome");
  Event(IST_CODE_SUCCESS);

  EXPECT_EQ(w.CurrentPage(), kFinishedPage);
  EXPECT_EQ(Bar(), 100);
  EXPECT_TRUE(Find(L"softNameLbl")->IsVisible());
  EXPECT_EQ(Find<SkinUI::TabLayout>(L"titleTabLt")->CurrentSel(), 2);
  const pipeline::InstallRecord record = pipeline::ReadInstallRecord();
  EXPECT_EQ(record.installDir, folder);
  EXPECT_EQ(record.uninstallerPath, Utils::JoinPath(folder, L"uninst.ep"));
  ASSERT_EQ(shell_.opened.size(), 2u);
  EXPECT_EQ(shell_.opened[0].target, L"http://127.0.0.1/welcome");
  EXPECT_EQ(shell_.opened[0].mode, ui::ShowMode::kMaximized);
  EXPECT_EQ(shell_.opened[1].target, product);
  EXPECT_EQ(shell_.opened[1].mode, ui::ShowMode::kNormal);

  // Brought to the front after 3000 ms, then that timer stops; the close timer asks for
  // the longest period there is.
  const auto timers = platform_.TimersOf(Window().Manager().Root());
  EXPECT_EQ(timers.at(kBringToFrontTimer), 3000u);
  EXPECT_EQ(timers.at(kCloseTimer), 4294967295u);
  platform_.AdvanceTime(std::chrono::milliseconds(3000));
  EXPECT_EQ(platform_.TimersOf(Window().Manager().Root()).count(kBringToFrontTimer), 0u);
  EXPECT_TRUE(IsOpen());
}

TEST_F(InstallRunTest, TheFinishingTimersFollowThePackage) {
  const struct {
    double topShow;
    double finishClose;
    bool front;
    bool closes;
  } cases[] = {{0, 2000, false, true}, {500, 0, true, false}};
  for (const auto& c : cases) {
    CMainWnd& w = Running();
    Event(IST_CODE_TOPSHOW, c.topShow);
    Event(IST_CODE_FINISHCLOSE, c.finishClose);
    Event(IST_CODE_STARTUPSTYLE, 2);  // UserStartup: nothing starts by itself
    Event(IST_CODE_SUCCESS);
    EXPECT_TRUE(shell_.opened.empty());
    const auto timers = platform_.TimersOf(w.Manager().Root());
    EXPECT_EQ(timers.count(kBringToFrontTimer), c.front ? 1u : 0u);
    EXPECT_EQ(timers.count(kCloseTimer), c.closes ? 1u : 0u);
    platform_.AdvanceTime(std::chrono::milliseconds(2000));
    Deliver();
    EXPECT_EQ(IsOpen(), !c.closes);
  }
}

TEST_F(InstallRunTest, OpenProductStartsItOnlyWhenThePackageAskedForAStartOnClick) {
  for (int style : {2, 0}) {
    shell_.opened.clear();
    CMainWnd& w = Running();
    const std::wstring product = Utils::JoinPath(w.InstallDir(), L"Tavelo.exe");
    dir_.Write("Target/Tavelo.exe", "product");
    Event(IST_CODE_EXEPATH, 0, product);
    Event(IST_CODE_STARTUPSTYLE, style);
    Event(IST_CODE_STARTURL, 0, L"a://b");  // 5 characters: no page
    Event(IST_CODE_SUCCESS);
    ASSERT_TRUE(w.Click(L"openProduceBtn"));
    if (style == 2) {
      ASSERT_EQ(shell_.opened.size(), 1u);
      EXPECT_EQ(shell_.opened[0].target, product);
    } else {
      EXPECT_TRUE(shell_.opened.empty());
    }
    Deliver();
    EXPECT_FALSE(IsOpen());
  }
}

TEST_F(InstallRunTest, ABadNetworkIsToldAndTheRunDoesNotStart) {
  g_InstallerConfig.IsCheckNet = true;
  for (std::uint32_t result : {0x00010000u, 0x00000040u}) {
    shown_.clear();
    CMainWnd& w = Open([result] { return result; });
    ASSERT_TRUE(w.StartInstall(Utils::JoinPath(dir_.WPath(), L"Net"), true, true));
    EXPECT_FALSE(Find(L"customeInstallBtn")->IsEnabled()) << "disabled while the check runs";
    ASSERT_TRUE(WaitFor([&] { return Find(L"customeInstallBtn")->IsEnabled(); }));
    if (result >> 16 != 0) {
      ASSERT_EQ(shown_.size(), 1u);
      EXPECT_EQ(shown_[0].skin, kPlainNoticeSkin);
      EXPECT_EQ(shown_[0].text, L"当前网络环境较差，请在网络通畅时进行安装");
      EXPECT_EQ(w.CurrentPage(), kWelcomePage);
    } else {
      EXPECT_TRUE(shown_.empty());
      EXPECT_EQ(w.CurrentPage(), kProgressPage);
    }
  }
}

TEST_F(InstallRunTest, AHangingNetworkCheckNeverHoldsTheNextOneUp) {
  g_InstallerConfig.IsCheckNet = true;
  std::atomic<bool> release{false};
  std::atomic<int> calls{0};
  CMainWnd& w = Open([&] {
    // The first check hangs until the test lets it go; the second answers at once.
    if (calls.fetch_add(1) == 0) {
      while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      return 0x00010000u;  // a late "bad network" that must not count
    }
    return 0u;
  });
  ASSERT_TRUE(w.StartInstall(Utils::JoinPath(dir_.WPath(), L"Net"), true, true));
  ASSERT_TRUE(w.StartInstall(Utils::JoinPath(dir_.WPath(), L"Net"), true, true)) << "returns after a bounded wait";
  ASSERT_TRUE(WaitFor([&] { return w.CurrentPage() == kProgressPage; }));
  release = true;
  ASSERT_TRUE(WaitFor([&] { return calls.load() == 2; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  Deliver();
  EXPECT_TRUE(shown_.empty()) << "the late result of the first check is ignored";
}

TEST_F(InstallRunTest, AFolderThatCannotBeMadeIsRefused) {
  CMainWnd& w = Open();
  dir_.Write("file", "not a folder");
  const std::wstring tooLong = Utils::JoinPath(dir_.WPath(), std::wstring(260, L'x'));
  for (const std::wstring& folder : {Utils::JoinPath(dir_.WPath(), L"file"), tooLong}) {
    shown_.clear();
    EXPECT_FALSE(w.StartInstall(folder, true, true));
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text, L"无效路径");
    EXPECT_TRUE(Find(L"customeInstallBtn")->IsEnabled()) << "given back by the install notification";
    EXPECT_EQ(w.CurrentPage(), kWelcomePage);
  }
}

TEST_F(InstallRunTest, OnlyItsOwnRecordsAreTakenFromRunEventMessages) {
  CMainWnd& w = Running();
  // Message 2024 from another program with an address that is no record of ours.
  RunEvent foreign{IST_CODE_FAIL, 0, L"forged"};
  platform_.DeliverMessage(w, kRunEventMessage, 0, reinterpret_cast<std::intptr_t>(&foreign));
  platform_.DeliverMessage(w, kRunEventMessage, 0, 12345);
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(w.CurrentPage(), kProgressPage);
}

// The records the collector holds once count of them arrived (the window's reports leave on
// threads of their own, which the tracker's stop does not wait for; one send at a time keeps
// their order), each as "name|A/B value|reason".
std::vector<std::string> Reports(const testsupport::TestServer& server, std::size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  Json::Value records = testsupport::Collected(server)["records"];
  while (records.size() < count && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    records = testsupport::Collected(server)["records"];
  }
  std::vector<std::string> names;
  for (const Json::Value& r : records) {
    const Json::Value& p = r["properties"];
    const std::string name = p.isMember("qo_task_name") ? p["qo_task_name"].asString() : p["qo_name"].asString();
    names.push_back(name + "|" + p["qoc_ab"].asString() + "|" + p["qo_reason"].asString());
  }
  return names;
}

TEST_F(InstallRunTest, EveryStepOfARunIsReportedWithTheAbValue) {
  testsupport::InstallerAnalyticsScope analytics(server_);
  StartInstallerAnalytics();
  CMainWnd& w = Running();  // no click: the run starts from StartInstall
  Event(DL_CODE_START, 1.0);
  Event(DL_CODE_START, 1.0);  // a second start after a retry
  Event(DL_CODE_SUCCESS);
  Event(DL_CODE_NOTICE, 3, L"摘要不符");
  answers_[kPlainNoticeSkin] = L"closebtn";
  Event(IST_CODE_FAIL, 1000, L"安装出错");
  platform_.DeliverMessage(w, kDownloaderStartMessage, 0, 0);  // after the first start: nothing more
  ASSERT_TRUE(w.Click(L"defaultInstallBtn"));
  Deliver();
  Event(IST_CODE_SUCCESS);
  ASSERT_TRUE(w.Click(L"openProduceBtn"));
  StopInstallerAnalytics();
  EXPECT_EQ(Reports(server_, 11), (std::vector<std::string>{
                                  "安装中|IN|",
                                  "下载器启动|IN|",
                                  "开始下载大包|IN|",
                                  "开始下载大包|IN|",
                                  "大包下载完毕|IN|",
                                  "下载失败原因|IN|:1.code=3；2.msg=摘要不符",
                                  "安装失败原因|IN|:1.code=1000；2.msg=安装出错",
                                  "立即安装|IN|",
                                  "安装中|IN|",
                                  "安装成功|IN|",
                                  "立即体验|IN|",
                              }));
}

TEST_F(InstallRunTest, MessageFromOutsideReportsTheDownloaderStartOnce) {
  testsupport::InstallerAnalyticsScope analytics(server_);
  StartInstallerAnalytics();
  CMainWnd& w = Open();
  platform_.DeliverMessage(w, kDownloaderStartMessage, 1, 0);
  platform_.DeliverMessage(w, kDownloaderStartMessage, 0, 0);
  Event(DL_CODE_START, 1.0);
  StopInstallerAnalytics();
  EXPECT_EQ(Reports(server_, 2), (std::vector<std::string>{"下载器启动|IN|", "开始下载大包|IN|"}));
}

TEST_F(InstallRunTest, ADownloadFailureReportsWhatItFound) {
  testsupport::InstallerAnalyticsScope analytics(server_);
  StartInstallerAnalytics();
  CMainWnd& w = Open([] { return 0x00020040u; });
  ASSERT_TRUE(w.StartInstall(Utils::JoinPath(dir_.WPath(), L"Target"), true, true));
  Deliver();
  dir_.Write("Target/__Package_Tavelo.exe", "part of a package");
  answers_[kNetworkTipSkin] = L"closebtn";
  Event(DL_CODE_FAIL, 22, L"HTTP 404");
  StopInstallerAnalytics();
  const std::vector<std::string> reports = Reports(server_, 2);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0], "安装中|IN|");
  // 1.code=22；2.msg=HTTP 404；3.缓存磁盘容量=<free>G；4.缓存读写权限=可读；5.服务器连接状态code=131136
  EXPECT_TRUE(reports[1].starts_with("下载失败原因|IN|1.code=22；2.msg=HTTP 404；3.缓存磁盘容量=")) << reports[1];
  EXPECT_TRUE(reports[1].ends_with("G；4.缓存读写权限=可读；5.服务器连接状态code=131136")) << reports[1];
  EXPECT_FALSE(Utils::PathExists(w.Pipeline()->GetPackagePath())) << "the probe of write access leaves no file";
}

TEST_F(InstallRunTest, AHangingNetworkCheckDelaysADownloadFailureReportOnlyBriefly) {
  testsupport::InstallerAnalyticsScope analytics(server_);
  StartInstallerAnalytics();
  // Shared with the check's thread, which outlives the test while it hangs.
  auto release = std::make_shared<std::atomic<bool>>(false);
  CMainWnd& w = Open([release] {
    while (!release->load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return 0x00010000u;
  });
  ASSERT_TRUE(w.StartInstall(Utils::JoinPath(dir_.WPath(), L"Target"), true, true));
  Deliver();
  answers_[kNetworkTipSkin] = L"closebtn";
  Event(DL_CODE_FAIL, 7, L"connect");
  release->store(true);
  StopInstallerAnalytics();
  const std::vector<std::string> reports = Reports(server_, 2);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_TRUE(reports[1].ends_with("5.服务器连接状态code=0")) << "the status of a check that did not answer: " << reports[1];
  EXPECT_EQ(shown_.size(), 1u) << "the network tip followed";
}

// A whole run: the stand-in package downloaded through the redirect service, checked,
// run silently and recorded, shown from the click to the finished page.
TEST_F(InstallRunTest, AOneClickInstallationRunsToTheFinishedPage) {
  const std::wstring route = Utils::JoinPath(server_.Root(), L"ui");
  ASSERT_TRUE(Utils::CreateDirectoryTree(route));
  ASSERT_TRUE(Utils::CopyFileTo(Utils::JoinPath(Utils::DirectoryOf(Utils::GetExecutablePath()), TAVELO_STANDIN_PACKAGE),
                                Utils::JoinPath(route, L"TaveloSetup.exe")));
  CMainWnd& w = Open([] { return 0u; }, true);
  ASSERT_TRUE(w.Click(L"defaultInstallBtn"));
  ASSERT_TRUE(WaitFor([&] { return w.CurrentPage() == kFinishedPage || !shown_.empty(); }));
  ASSERT_TRUE(shown_.empty()) << Utils::ToNarrow(shown_[0].skin + L": " + shown_[0].text, Utils::kCodePageUtf8);
  const std::wstring folder = w.GetDefaultInstallDir();
  EXPECT_EQ(w.InstallDir(), folder);
  EXPECT_TRUE(Utils::PathExists(Utils::JoinPath(folder, L"Tavelo.exe")));
  EXPECT_EQ(pipeline::ReadInstallRecord().installDir, folder);
  EXPECT_EQ(Utils::ReadIniString(pipeline::InstallSettingsPath(folder), L"Install", L"AppName", L""), L"Tavelo");
  EXPECT_EQ(Bar(), 100);
  EXPECT_FALSE(Utils::PathExists(CDownloadInstaller::PackagePathFor(folder))) << "the package is cleaned up";
}

}  // namespace
