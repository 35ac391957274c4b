// The orchestrator end to end against the stand-in servers and the stand-in package: the
// stages in order, what each failure leaves on disk, retries, and every downloader.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/download_installer.h"
#include "pipeline/install_record.h"
#include "pipeline/package_runner.h"
#include "pipeline/uninstaller_runner.h"
#include "startup/installer_config.h"
#include "tests/support/environment.h"
#include "tests/support/probe_runner.h"
#include "tests/support/server_test.h"
#include "tests/support/trusted_root.h"
#include "tools/standin/behaviours.h"
#include "utils/child_process.h"
#include "utils/file_ops.h"
#include "utils/folders.h"
#include "utils/text.h"

using testsupport::RecordedEvent;

namespace {

const std::wstring kRoute = L"/redirect/ver1/tavelo/pipeline/1.0/installer/123456";

// The stand-in package with its payload, found from the test program's own folder.
std::wstring StandinPackage() {
  return Utils::JoinPath(Utils::DirectoryOf(Utils::GetExecutablePath()), TAVELO_STANDIN_PACKAGE);
}

// A file made by the signing step of the build, found the same way.
std::wstring SignedFile(const std::wstring& name) {
  return Utils::JoinPath(Utils::JoinPath(Utils::DirectoryOf(Utils::GetExecutablePath()), TAVELO_SIGNED_PACKAGES), name);
}

int IndexOf(const std::vector<RecordedEvent>& events, int code) {
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (events[i].code == code && !(code == DL_CODE_FAIL && events[i].text.empty())) return static_cast<int>(i);
  }
  return -1;
}

std::wstring TextOf(const std::vector<RecordedEvent>& events, int code) {
  const int i = IndexOf(events, code);
  return i < 0 ? L"<missing>" : events[i].text;
}

bool Exists(const std::wstring& path) { return Utils::FileSizeAt(path) >= 0; }

class DownloadInstallerTest : public testsupport::ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    savedConfig_ = g_InstallerConfig;
    // The route's package: the single file in the route's folder.
    const std::wstring routeDir = Utils::JoinPath(server_.Root(), L"pipeline");
    ASSERT_TRUE(Utils::CreateDirectoryTree(routeDir));
    ASSERT_TRUE(Utils::CopyFileTo(StandinPackage(), Utils::JoinPath(routeDir, L"TaveloSetup.exe")));
  }
  void TearDown() override {
    orchestrator_.reset();
    g_InstallerConfig = savedConfig_;
    ServerTest::TearDown();
  }

  std::wstring Folder(const std::wstring& name) const { return Utils::JoinPath(dir_.WPath(), name); }

  // Configures and starts the orchestrator (made on first use), then waits for a final event.
  void Run(const std::wstring& url, const std::wstring& installDir, const std::wstring& oldUninstaller = L"") {
    if (!orchestrator_) orchestrator_ = std::make_unique<CDownloadInstaller>(events_.Callback(), L"", L"", L"", true, true, true);
    orchestrator_->Configure(url, L"", oldUninstaller, installDir, true, true, true, true, L"zh_CN");
    orchestrator_->Start();
  }
  // Waits for the next final event after `already` of them.
  void WaitForFinal(std::size_t finalsBefore = 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(180);
    while (Finals() <= finalsBefore && std::chrono::steady_clock::now() < deadline) {
      events_.WaitForCode({IST_CODE_SUCCESS, IST_CODE_FAIL, DL_CODE_FAIL, UNIST_CODE_FAIL, UNIST_CODE_ERROR},
                          std::chrono::seconds(1));
    }
    ASSERT_GT(Finals(), finalsBefore) << "no final event";
  }
  std::size_t Finals() const {
    std::size_t n = 0;
    for (const RecordedEvent& e : events_.Events()) {
      const bool final = e.code == IST_CODE_SUCCESS || e.code == IST_CODE_FAIL || e.code == UNIST_CODE_FAIL ||
                         e.code == UNIST_CODE_ERROR || (e.code == DL_CODE_FAIL && !e.text.empty());
      n += final ? 1 : 0;
    }
    return n;
  }
  // Runs one installation to its final event and ends every stage.
  std::vector<RecordedEvent> RunToEnd(const std::wstring& url, const std::wstring& installDir,
                                      const std::wstring& oldUninstaller = L"") {
    Run(url, installDir, oldUninstaller);
    WaitForFinal();
    return Stop();
  }
  // A first installation into the folder, for a test of the next one.
  void InstallFirst(const std::wstring& installDir) {
    const auto events = RunToEnd(server_.Url(kRoute), installDir);
    ASSERT_EQ(events.back().code, IST_CODE_SUCCESS);
    events_.Clear();
    server_.Log(true);
  }
  // Ends every stage: no event comes after this.
  std::vector<RecordedEvent> Stop() {
    orchestrator_.reset();
    return events_.Events();
  }

  InstallerConfig savedConfig_;
  std::unique_ptr<CDownloadInstaller> orchestrator_;
};

TEST_F(DownloadInstallerTest, InstallsWithEveryDownloader) {
  for (int type : {1, 2, 3}) {
    SCOPED_TRACE(type);
    g_InstallerConfig.DownloadType = type;
    events_.Clear();
    const std::wstring target = Folder(L"Tavelo " + std::to_wstring(type));
    const auto events = RunToEnd(server_.Url(kRoute), target);
    const int downloaded = IndexOf(events, DL_CODE_SUCCESS), began = IndexOf(events, IST_CODE_START);
    ASSERT_GE(downloaded, 0);
    // The owner hears of the download before the package runs.
    EXPECT_LT(downloaded, began);
    EXPECT_EQ(IndexOf(events, IST_CODE_FAIL), -1);
    EXPECT_EQ(events.back().code, IST_CODE_SUCCESS);
    EXPECT_EQ(events.back().value, 0.0);
    EXPECT_EQ(TextOf(events, IST_CODE_INSTPATH), target);
    EXPECT_TRUE(Exists(Utils::JoinPath(target, standin::kProductFile)));
    EXPECT_FALSE(Exists(CDownloadInstaller::PackagePathFor(target)));
  }
}

TEST_F(DownloadInstallerTest, RemovesThePreviousInstallationBeforeDownloading) {
  const std::wstring target = Folder(L"Tavelo old");
  InstallFirst(target);
  const std::wstring oldUninstaller = Utils::JoinPath(target, standin::kUninstallerFile);
  ASSERT_TRUE(Exists(oldUninstaller));
  std::ofstream(testsupport::FsPath(Utils::JoinPath(target, L"left by the old version.txt"))) << "old";

  const auto events = RunToEnd(server_.Url(kRoute), target, oldUninstaller);
  const int uninstalled = IndexOf(events, UNIST_CODE_SUCCESS), downloadBegan = IndexOf(events, DL_CODE_START);
  ASSERT_EQ(IndexOf(events, UNIST_CODE_PROGRESS), 0);
  ASSERT_GE(uninstalled, 0);
  EXPECT_LT(uninstalled, downloadBegan);
  EXPECT_EQ(events.back().code, IST_CODE_SUCCESS);
  // The old folder went with the old version; the new one is in its place.
  EXPECT_FALSE(Exists(Utils::JoinPath(target, L"left by the old version.txt")));
  EXPECT_TRUE(Exists(Utils::JoinPath(target, standin::kProductFile)));
  EXPECT_TRUE(Exists(CDownloadInstaller::UninstallerCopyPath()));
}

TEST_F(DownloadInstallerTest, AFailedRemovalStopsBeforeTheDownload) {
  const std::wstring target = Folder(L"Tavelo old");
  InstallFirst(target);
  for (const char* behaviour : {standin::kFail, standin::kLateFail, standin::kError}) {
    SCOPED_TRACE(behaviour);
    testsupport::ScopedEnvironment env(standin::kUninstallVariable, behaviour);
    events_.Clear();
    server_.Log(true);
    const auto events = RunToEnd(server_.Url(kRoute), target, Utils::JoinPath(target, standin::kUninstallerFile));
    EXPECT_EQ(events.back().code, UNIST_CODE_ERROR);
    EXPECT_EQ(IndexOf(events, DL_CODE_START), -1);
    EXPECT_EQ(server_.Log().find("/pkg/"), std::string::npos) << "nothing is downloaded";
    EXPECT_TRUE(Exists(Utils::JoinPath(target, standin::kProductFile)));
  }
}

// The old uninstaller is run from a copy; where the copy cannot be made (a folder stands in
// its place) the runner finds no program: 5004, and nothing is downloaded.
TEST_F(DownloadInstallerTest, AnUninstallerThatCannotBeCopiedStopsBeforeTheDownload) {
  const std::wstring target = Folder(L"Tavelo old");
  InstallFirst(target);
  const std::wstring copy = CDownloadInstaller::UninstallerCopyPath();
  ASSERT_FALSE(copy.empty());
  (void)Utils::DeleteFileAt(copy);  // a copy left by an earlier test
  ASSERT_TRUE(Utils::CreateDirectoryTree(copy));

  const auto events = RunToEnd(server_.Url(kRoute), target, Utils::JoinPath(target, standin::kUninstallerFile));
  std::error_code ignored;
  std::filesystem::remove_all(testsupport::FsPath(copy), ignored);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].code, UNIST_CODE_FAIL);
  EXPECT_EQ(events[0].value, 1.0);
  EXPECT_EQ(server_.Log().find("/pkg/"), std::string::npos) << "nothing is downloaded";
  EXPECT_TRUE(Exists(Utils::JoinPath(target, standin::kProductFile)));
}

TEST_F(DownloadInstallerTest, AMissingOldUninstallerIsNotRunAndTheDownloadStartsAtOnce) {
  for (const std::wstring& old : {std::wstring(), Folder(L"nothing here.exe")}) {
    events_.Clear();
    const auto events = RunToEnd(server_.Url(kRoute), Folder(L"fresh"), old);
    EXPECT_EQ(events.front().code, DL_CODE_START);
    EXPECT_EQ(IndexOf(events, UNIST_CODE_PROGRESS), -1);
    EXPECT_EQ(events.back().code, IST_CODE_SUCCESS)
        << events.back().value << " " << Utils::ToNarrow(events.back().text, Utils::kCodePageUtf8);
  }
}

TEST_F(DownloadInstallerTest, AFailedInstallLeavesNoPackage) {
  testsupport::ScopedEnvironment env(standin::kPackageVariable, standin::kError);
  const std::wstring target = Folder(L"Tavelo");
  const auto events = RunToEnd(server_.Url(kRoute), target);
  EXPECT_EQ(events.back().code, IST_CODE_FAIL);
  EXPECT_EQ(events.back().value, 1000.0);
  EXPECT_EQ(events.back().text, standin::kErrorText);
  EXPECT_FALSE(Exists(CDownloadInstaller::PackagePathFor(target)));
}

// With a signer asked for, only a package that carries that signer's valid signature runs.
// One unsigned, one of another publisher and one changed after signing are refused before
// they start and deleted. Where the system checks no signatures, every package is refused.
TEST_F(DownloadInstallerTest, OnlyAPackageSignedByTheSignerAskedForRuns) {
  g_InstallerConfig.PackageSigner = L"Zelkor Soft Test Signer";
  struct Case {
    const char* name;
    std::wstring package;
    bool runs;
  };
  std::vector<Case> cases = {{"unsigned", StandinPackage(), false}};
  testsupport::TrustedTestRoot root(SignedFile(L"root.der"));
  if (testsupport::TrustedTestRoot::SystemChecksSignatures()) {
    ASSERT_TRUE(root.Trusted()) << "the test root could not be trusted";
    cases.push_back({"signed by the signer", SignedFile(L"signed.exe"), true});
    cases.push_back({"signed by another publisher", SignedFile(L"other_signer.exe"), false});
    cases.push_back({"one byte changed after signing", SignedFile(L"tampered.exe"), false});
  }
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A route of its own per package, so no answer of an earlier one is reused.
    const std::wstring word = L"signer" + std::to_wstring(index++);
    const std::wstring routeDir = Utils::JoinPath(server_.Root(), word);
    ASSERT_TRUE(Utils::CreateDirectoryTree(routeDir));
    ASSERT_TRUE(Utils::CopyFileTo(c.package, Utils::JoinPath(routeDir, L"TaveloSetup.exe")));
    events_.Clear();
    const std::wstring target = Folder(word);
    const auto events = RunToEnd(server_.Url(L"/redirect/ver1/tavelo/" + word + L"/1.0/installer/123456"), target);
    ASSERT_GE(IndexOf(events, DL_CODE_SUCCESS), 0) << "the digest matched: the signature decides";
    if (c.runs) {
      EXPECT_EQ(events.back().code, IST_CODE_SUCCESS);
      EXPECT_TRUE(Exists(Utils::JoinPath(target, standin::kProductFile)));
    } else {
      EXPECT_EQ(events.back().code, IST_CODE_FAIL);
      EXPECT_EQ(events.back().value, CInstaller::kNotSignedBySigner);
      EXPECT_EQ(events.back().text, L"安装包签名校验失败");
      EXPECT_EQ(IndexOf(events, IST_CODE_PROGRESS), -1) << "the package never started";
      EXPECT_FALSE(Exists(Utils::JoinPath(target, standin::kProductFile)));
    }
    EXPECT_FALSE(Exists(CDownloadInstaller::PackagePathFor(target)));
  }
}

// A failed download, then a retry: in the same folder it downloads again; in another folder
// the package goes there, and the first folder keeps nothing.
TEST_F(DownloadInstallerTest, RetriesAfterAFailedDownloadInTheSameOrAnotherFolder) {
  for (bool sameFolder : {true, false}) {
    SCOPED_TRACE(sameFolder ? "same folder" : "another folder");
    events_.Clear();
    orchestrator_.reset();
    const std::wstring first = Folder(sameFolder ? L"same" : L"first");
    ASSERT_TRUE(server_.Control("status=404&path_prefix=/pkg/"));
    Run(server_.Url(kRoute), first);
    WaitForFinal();
    auto events = events_.Events();
    EXPECT_EQ(events.back().code, DL_CODE_FAIL);
    EXPECT_EQ(IndexOf(events, IST_CODE_START), -1);
    EXPECT_FALSE(Exists(CDownloadInstaller::PackagePathFor(first)));

    ASSERT_TRUE(server_.Control(""));
    const std::wstring second = sameFolder ? first : Folder(L"second");
    Run(server_.Url(kRoute), second);
    WaitForFinal(1);
    events = Stop();
    EXPECT_EQ(events.back().code, IST_CODE_SUCCESS);
    EXPECT_EQ(TextOf(events, IST_CODE_INSTPATH), second);
    EXPECT_TRUE(Exists(Utils::JoinPath(second, standin::kProductFile)));
    EXPECT_FALSE(Exists(CDownloadInstaller::PackagePathFor(first)));
    EXPECT_FALSE(Exists(CDownloadInstaller::PackagePathFor(second)));
    if (!sameFolder) EXPECT_FALSE(Exists(Utils::JoinPath(first, standin::kProductFile)));
  }
}

// With InsNew set the removal waits until the product has ended, without holding the
// caller of Start.
TEST_F(DownloadInstallerTest, WaitsForTheRunningProductOnAWorker) {
  const std::wstring target = Folder(L"Tavelo");
  InstallFirst(target);
  const std::wstring product = Utils::JoinPath(target, standin::kProductFile);
  ASSERT_TRUE(Exists(product));

  g_InstallerConfig.InsNew = true;
  events_.Clear();
  std::uint32_t runningAtRemoval = 1;
  Utils::ChildProcess running;
  running.Start(L"\"" + product + L"\" " + Utils::ToWide(standin::kLingerArgument, Utils::kCodePageUtf8) + L"3000");
  orchestrator_ = std::make_unique<CDownloadInstaller>(
      events_.Callback([&](const RecordedEvent& e) {
        if (e.code == UNIST_CODE_PROGRESS && runningAtRemoval == 1) {
          runningAtRemoval = pipeline::FindProcessByName(L"Tavelo.exe");
        }
      }),
      L"", L"", L"", true, true, true);
  for (int i = 0; i < 500 && pipeline::FindProcessByName(L"Tavelo.exe") == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_NE(pipeline::FindProcessByName(L"Tavelo.exe"), 0u) << "the product did not start";
  Run(server_.Url(kRoute), target, Utils::JoinPath(target, standin::kUninstallerFile));
  // Start has returned while the product still runs, and nothing was removed yet.
  EXPECT_NE(pipeline::FindProcessByName(L"Tavelo.exe"), 0u);
  EXPECT_EQ(IndexOf(events_.Events(), UNIST_CODE_PROGRESS), -1);
  WaitForFinal();
  running.WaitForExit();
  const auto events = Stop();
  EXPECT_EQ(runningAtRemoval, 0u) << "the removal began while the product ran";
  EXPECT_EQ(events.back().code, IST_CODE_SUCCESS);
}

}  // namespace
