// The product's setup package made with NSIS, run the way the online installer runs it: the
// package and its uninstaller started silently with the installer's command lines, their
// standard output read through the installer's line protocol, and the folder checked after
// each. Windows build only (the package is a Windows program).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pipeline/line_protocol.h"
#include "tests/support/probe_runner.h"
#include "tests/support/temp_dir.h"
#include "utils/child_process.h"
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
  bool result = false;
  pipeline::InstalledVersion version;

  std::vector<Event> With(int code) const {
    std::vector<Event> found;
    for (const Event& e : events) {
      if (e.code == code) found.push_back(e);
    }
    return found;
  }
};

// Starts the command line, reads the child's whole output through the protocol and waits
// for its exit.
ChildRun RunAndRead(const std::wstring& commandLine, const pipeline::ProtocolTable& table) {
  ChildRun run;
  pipeline::LineProtocolReader reader(table, [&run](int code, double value, const std::wstring& text) {
    run.events.push_back({code, value, text});
  });
  Utils::ChildProcess child;
  child.Start(commandLine);
  char block[1024];
  while (std::size_t n = child.ReadOutput(block, sizeof(block))) reader.Feed(std::string_view(block, n));
  reader.Finish();
  child.WaitForExit();
  run.result = reader.HasResult();
  run.version = reader.Version();
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

  // The installer's command line for the package, with an optional extra switch standing
  // where the configured extra arguments go.
  std::wstring PackageCommand(const std::wstring& extra = L"") const {
    std::wstring command = L"\"" + package_.wstring() + L"\"" +
                           L" /S -console=show -version=1.0.0 -adminact=true -authorizationact=true -dsc=true -ssc=true";
    if (!extra.empty()) command += L" " + extra;
    return command + L" -instdir=\"" + installDir_ + L"\" /D=" + installDir_;
  }

  fs::path InInstallDir(const wchar_t* name) const { return fs::path(installDir_) / name; }

  testsupport::TempDir temp_;
  fs::path package_;
  std::wstring installDir_;
};

TEST_F(NsisPackage, InstallsReportsAndUninstalls) {
  ASSERT_GT(fs::file_size(package_), 1024u * 1024u) << "the package carries a payload of over 1 MiB";

  const ChildRun install = RunAndRead(PackageCommand(), pipeline::PackageProtocol());
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
  const ChildRun uninstall = RunAndRead(
      copy.wstring() + L" /S -adminact=true -authorizationact=true -console=show _?=" + installDir_,
      pipeline::UninstallerProtocol());
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
  const ChildRun install = RunAndRead(PackageCommand(L"-isoverride=false"), pipeline::PackageProtocol());
  ASSERT_FALSE(install.events.empty());
  EXPECT_EQ(install.events.back().code, 2003);
  EXPECT_EQ(Utils::ReadIniString(InInstallDir(L"set.ini").wstring(), L"Uninstall", L"IsOverride", L"missing"),
            L"false");
}

TEST_F(NsisPackage, ReportsAFileItCannotWrite) {
  // A folder where the product's executable belongs: the file cannot be written.
  fs::create_directories(InInstallDir(L"Tavelo.exe"));

  const ChildRun install = RunAndRead(PackageCommand(), pipeline::PackageProtocol());
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
