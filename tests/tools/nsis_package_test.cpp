// The product's setup package made with NSIS, run by the installer's own runners: the
// package through CInstaller and its uninstaller through UnInstaller, with their command
// lines, events and line protocol, and the folder checked after each. Windows build only
// (the package is a Windows program).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pipeline/line_protocol.h"
#include "pipeline/package_runner.h"
#include "pipeline/uninstaller_runner.h"
#include "startup/installer_config.h"
#include "tests/support/probe_runner.h"
#include "tests/support/temp_dir.h"
#include "utils/folders.h"
#include "utils/ini_file.h"

namespace fs = std::filesystem;

namespace {

struct Event {
  int code;
  double value;
  std::wstring text;
};

struct ChildRun {
  std::vector<Event> events;
  bool result = false;  // a final event other than a silent exit's
  pipeline::InstalledVersion version;

  std::vector<Event> With(int code) const {
    std::vector<Event> found;
    for (const Event& e : events) {
      if (e.code == code) found.push_back(e);
    }
    return found;
  }
};

EventCallback Recorder(ChildRun& run, std::mutex& mutex) {
  return [&run, &mutex](int code, double value, const wchar_t* text) {
    std::lock_guard<std::mutex> lock(mutex);
    run.events.push_back({code, value, text});
  };
}

// One run of the package through the package runner, with extra standing where the
// configured InstCmd goes; returns after the run (its worker joined).
ChildRun RunPackage(const std::wstring& package, const std::wstring& installDir, const std::wstring& extra = L"") {
  ChildRun run;
  std::mutex mutex;
  const std::wstring savedInstCmd = g_InstallerConfig.InstCmd;
  g_InstallerConfig.InstCmd = extra;
  auto installer = std::make_unique<CInstaller>(Recorder(run, mutex), L"\"" + package + L"\"", installDir, true, true, true);
  installer->SetPrivileges(true, true);
  // Runs on the worker once the package has ended: the version is final then.
  CInstaller* runner = installer.get();  // reset() clears the pointer before the join
  installer->SetRunEndedHook([&run, runner] { run.version = runner->InstalledVersion(); });
  installer->Start();
  installer.reset();  // joins the worker
  g_InstallerConfig.InstCmd = savedInstCmd;
  run.result = !run.events.empty() && (run.events.back().code == IST_CODE_FAIL ||
                                       (run.events.back().code == IST_CODE_SUCCESS && run.events.back().value == 0.0));
  return run;
}

// One run of an uninstaller copy through the uninstaller runner, removing installDir.
ChildRun RunUninstaller(const std::wstring& copy, const std::wstring& installDir) {
  ChildRun run;
  std::mutex mutex;
  auto uninstaller = std::make_unique<UnInstaller>(Recorder(run, mutex), copy, installDir);
  uninstaller->Start();
  uninstaller.reset();  // joins the worker
  run.result = !run.events.empty() && (run.events.back().code == UNIST_CODE_ERROR ||
                                       (run.events.back().code == UNIST_CODE_SUCCESS && run.events.back().value == 0.0));
  return run;
}

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The package as built, found from the test program's own folder.
fs::path BuiltPackage() {
  return (fs::path(Utils::DirectoryOf(Utils::GetExecutablePath())) / fs::path(TAVELO_NSIS_PACKAGE)).lexically_normal();
}

class NsisPackage : public ::testing::Test {
 protected:
  void SetUp() override {
    // The package lies in a folder with blanks and Chinese in its name, as a download does
    // under a user's folder, and installs into another such folder.
    const fs::path packageFolder = temp_.Path() / L"安装包 下载";
    fs::create_directories(packageFolder);
    package_ = packageFolder / L"TaveloSetup.exe";
    fs::copy_file(BuiltPackage(), package_);
    installDir_ = (temp_.Path() / L"目标 文件夹" / L"Quorrin 程序").wstring();
  }

  fs::path InInstallDir(const wchar_t* name) const { return fs::path(installDir_) / name; }

  testsupport::TempDir temp_;
  fs::path package_;
  std::wstring installDir_;
};

TEST_F(NsisPackage, InstallsReportsAndUninstalls) {
  ASSERT_GT(fs::file_size(package_), 1024u * 1024u) << "the package carries a payload of over 1 MiB";

  const ChildRun install = RunPackage(package_.wstring(), installDir_);
  ASSERT_FALSE(install.events.empty()) << "no line read from the package's standard output";
  EXPECT_TRUE(install.result);

  // Progress fractions from 0 to 1, never going back.
  const std::vector<Event> progress = install.With(2002);
  ASSERT_GE(progress.size(), 3u);
  for (std::size_t i = 0; i < progress.size(); ++i) {
    EXPECT_GE(progress[i].value, 0.0);
    EXPECT_LE(progress[i].value, 1.0);
    if (i > 0) EXPECT_GE(progress[i].value, progress[i - 1].value);
  }
  EXPECT_EQ(progress.back().value, 1.0);

  const std::vector<Event> instPath = install.With(3000);
  ASSERT_EQ(instPath.size(), 1u);
  EXPECT_EQ(instPath[0].text, installDir_);  // UTF-8 after "Encode=UTF8": the Chinese survives
  const std::vector<Event> exePath = install.With(3001);
  ASSERT_EQ(exePath.size(), 1u);
  EXPECT_EQ(exePath[0].text, InInstallDir(L"Tavelo.exe").wstring());
  const std::vector<Event> uninstEp = install.With(3003);
  ASSERT_EQ(uninstEp.size(), 1u);
  EXPECT_EQ(uninstEp[0].text, InInstallDir(L"uninst.ep").wstring());
  const std::vector<Event> startup = install.With(3005);
  ASSERT_EQ(startup.size(), 1u);
  EXPECT_EQ(startup[0].value, 2.0);  // UserStartup
  EXPECT_EQ(install.version.major, 1);
  EXPECT_EQ(install.version.minor, 0);
  EXPECT_EQ(install.version.patch, 0);
  EXPECT_TRUE(install.With(2004).empty());
  // Success is the last line.
  EXPECT_EQ(install.events.back().code, 2003);
  EXPECT_EQ(install.events.back().value, 0.0);

  // The product is the program the package was built around; its uninstaller is beside it.
  const std::string product = ReadAll(fs::path(testsupport::ProgramPath(TAVELO_NSIS_PRODUCT)));
  ASSERT_FALSE(product.empty());
  EXPECT_EQ(ReadAll(InInstallDir(L"Tavelo.exe")), product);
  EXPECT_TRUE(fs::is_regular_file(InInstallDir(L"uninst.ep")));
  EXPECT_FALSE(fs::exists(InInstallDir(L"set.ini"))) << "settings are written only when asked for";

  // The installer leaves its own settings file in the folder; the uninstaller takes it too.
  ASSERT_TRUE(Utils::WriteIniString(InInstallDir(L"set.ini").wstring(), L"Install", L"AppName", L"Tavelo"));

  // Removal as the installer does it: a copy of uninst.ep in a temporary folder, run with
  // the folder to remove after "_?=", unquoted and last.
  const fs::path copyFolder = temp_.Path() / L"卸载";
  fs::create_directories(copyFolder);
  const fs::path copy = copyFolder / L"Morvath_un_asa.exe";
  fs::copy_file(InInstallDir(L"uninst.ep"), copy);
  const ChildRun uninstall = RunUninstaller(copy.wstring(), installDir_);
  EXPECT_TRUE(uninstall.result);
  EXPECT_TRUE(uninstall.With(5005).empty());
  const std::vector<Event> removed = uninstall.With(5003);
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_EQ(removed[0].value, 0.0);  // a "State=Success" line, not a silent exit
  const std::vector<Event> steps = uninstall.With(5002);
  ASSERT_FALSE(steps.empty());
  EXPECT_EQ(steps.back().value, 1.0);

  for (const wchar_t* name : {L"Tavelo.exe", L"quorrin.dat", L"uninst.ep", L"set.ini"}) {
    EXPECT_FALSE(fs::exists(InInstallDir(name))) << fs::path(name).string();
  }
  EXPECT_FALSE(fs::exists(installDir_)) << "the emptied folder is removed";
}

TEST_F(NsisPackage, WritesSettingsWhenAsked) {
  const ChildRun install = RunPackage(package_.wstring(), installDir_, L"-isoverride=false");
  ASSERT_FALSE(install.events.empty());
  EXPECT_EQ(install.events.back().code, 2003);
  EXPECT_EQ(Utils::ReadIniString(InInstallDir(L"set.ini").wstring(), L"Uninstall", L"IsOverride", L"missing"),
            L"false");
}

TEST_F(NsisPackage, ReportsAFileItCannotWrite) {
  // A folder where the product's executable belongs: the file cannot be written.
  fs::create_directories(InInstallDir(L"Tavelo.exe"));

  const ChildRun install = RunPackage(package_.wstring(), installDir_);
  EXPECT_TRUE(install.result);
  EXPECT_TRUE(install.With(2003).empty()) << "no success after a failed step";
  const std::vector<Event> errors = install.With(2004);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].value, 1000.0);  // an "Error=" line
  EXPECT_NE(errors[0].text.find(InInstallDir(L"Tavelo.exe").wstring()), std::wstring::npos)
      << "the error names the file";
  EXPECT_EQ(install.events.back().code, 2004) << "the error is the last line";
  EXPECT_FALSE(fs::exists(InInstallDir(L"uninst.ep")));
}

}  // namespace
