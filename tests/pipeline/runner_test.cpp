// The package runner and the uninstaller runner against the real stand-in program: command
// lines, events in order for every behaviour of the stand-in, and the runs that must end
// although the child misbehaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "pipeline/install_record.h"
#include "pipeline/package_runner.h"
#include "pipeline/uninstaller_runner.h"
#include "startup/installer_config.h"
#include "tests/support/environment.h"
#include "tests/support/event_recorder.h"
#include "tests/support/probe_runner.h"
#include "tests/support/record_sandbox.h"
#include "tests/support/temp_dir.h"
#include "tools/standin/behaviours.h"
#include "utils/file_ops.h"
#include "utils/folders.h"
#include "utils/text.h"

namespace fs = std::filesystem;
using testsupport::RecordedEvent;

namespace {

// A folder name with a blank and Chinese characters, as under "Program Files" or a
// Chinese user name.
const std::wstring kOddName = L"\u5B89\u88C5 \u76EE\u5F55";

const wchar_t kInstallFail[] = L"\u5B89\u88C5\u5305\u5B89\u88C5\u5931\u8D25";      // 安装包安装失败
const wchar_t kUninstallFail[] = L"\u5B89\u88C5\u5305\u5378\u8F7D\u5931\u8D25";    // 安装包卸载失败
const wchar_t kNoUninstaller[] = L"\u53EF\u6267\u884C\u5378\u8F7D\u6587\u4EF6\u4E0D\u5B58\u5728";  // 可执行卸载文件不存在

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

std::vector<int> CodesWithout(const std::vector<RecordedEvent>& events, std::initializer_list<int> skipped) {
  std::vector<int> codes;
  for (const RecordedEvent& e : events) {
    if (std::find(skipped.begin(), skipped.end(), e.code) == skipped.end()) codes.push_back(e.code);
  }
  return codes;
}

std::vector<double> ValuesOf(const std::vector<RecordedEvent>& events, int code) {
  std::vector<double> values;
  for (const RecordedEvent& e : events) {
    if (e.code == code) values.push_back(e.value);
  }
  return values;
}

// The first event with the code; a missing one reads as code 0 with the text "<missing>",
// so that a check fails instead of the test.
const RecordedEvent* Find(const std::vector<RecordedEvent>& events, int code) {
  static const RecordedEvent kMissing{0, -1.0, L"<missing>"};
  for (const RecordedEvent& e : events) {
    if (e.code == code) return &e;
  }
  return &kMissing;
}

// A copy of the stand-in under a folder with a blank and Chinese characters, named as the
// orchestrator names a downloaded package.
class StandinFolder {
 public:
  StandinFolder() {
    fs::create_directories(dir_.Path() / testsupport::FsPath(kOddName));
    program_ = Utils::JoinPath(Utils::JoinPath(dir_.WPath(), kOddName), L"__Package_Tavelo.exe");
    EXPECT_TRUE(Utils::CopyFileTo(testsupport::ProgramPath(L"standin"), program_));
  }
  const std::wstring& Program() const { return program_; }
  std::wstring Folder(const std::wstring& name) const { return Utils::JoinPath(dir_.WPath(), name); }
  const testsupport::TempDir& Dir() const { return dir_; }

 private:
  testsupport::TempDir dir_;
  std::wstring program_;
};

struct PackageRun {
  std::vector<RecordedEvent> events;
  pipeline::InstalledVersion version;
  double seconds = 0;
};

// Runs the package once with a behaviour; returns when the run is over (its worker joined).
PackageRun RunPackage(const std::wstring& packagePath, const std::wstring& installDir, const std::string& behaviour) {
  testsupport::ScopedEnvironment env(standin::kPackageVariable, behaviour);
  testsupport::EventRecorder recorder;
  PackageRun run;
  const auto began = std::chrono::steady_clock::now();
  auto installer = std::make_unique<CInstaller>(recorder.Callback(), packagePath, installDir, true, true, true);
  installer->Start();
  EXPECT_TRUE(recorder.WaitForCode({IST_CODE_SUCCESS, IST_CODE_FAIL}));
  // Written before the result line was handled, and never after it.
  run.version = installer->InstalledVersion();
  installer.reset();
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  run.events = recorder.Events();
  return run;
}

}  // namespace

TEST(PackageCommandLine, FollowsTheOrderOfItsSwitches) {
  struct Case {
    const char* name;
    std::wstring installDir;
    bool quickLaunch, desktop, admin, authorisation;
    std::wstring language, instCmd;
    std::wstring expected;
  };
  const std::wstring head = L"\"D:\\Apps\\__Package_Tavelo.exe\" /S -console=show -version=1.0.0";
  const Case cases[] = {
      {"everything", L"D:\\Apps\\My Tavelo", true, true, true, true, L"zh_CN", L"-from=web /quiet",
       head + L" -adminact=true -authorizationact=true -dsc=true -ssc=true -inslang=\"zh_CN\" -from=web /quiet"
              L" -instdir=\"D:\\Apps\\My Tavelo\" /D=D:\\Apps\\My Tavelo"},
      {"flags apart", L"D:\\Apps", true, false, false, true, L"", L"",
       head + L" -adminact=false -authorizationact=true -dsc=false -ssc=true -instdir=\"D:\\Apps\" /D=D:\\Apps"},
      {"no folder ends with the last flag", L"", false, true, true, false, L"", L"",
       head + L" -adminact=true -authorizationact=false -dsc=true -ssc=false"},
      {"no folder ends with InstCmd", L"", true, true, true, true, L"en", L"-x",
       head + L" -adminact=true -authorizationact=true -dsc=true -ssc=true -inslang=\"en\" -x"},
  };
  const std::wstring savedInstCmd = g_InstallerConfig.InstCmd;
  for (const Case& c : cases) {
    g_InstallerConfig.InstCmd = c.instCmd;
    CInstaller installer(nullptr, L"\"D:\\Apps\\__Package_Tavelo.exe\"", L"first", false, false, false);
    installer.SetInstallDirectory(c.installDir);
    installer.SetShortcuts(c.desktop, c.quickLaunch);
    installer.SetPrivileges(c.admin, c.authorisation);
    installer.SetPackageLanguage(c.language);
    EXPECT_EQ(installer.BuildCommandLine(), c.expected) << c.name;
  }
  g_InstallerConfig.InstCmd = savedInstCmd;
}

TEST(UninstallerCommandLine, EndsWithTheFolderUnquoted) {
  UnInstaller uninstaller(nullptr, L"C:\\Temp\\Morvath_un_asa.exe", L"C:\\Program Files\\Tavelo");
  EXPECT_EQ(uninstaller.BuildCommandLine(true, false),
            L"C:\\Temp\\Morvath_un_asa.exe /S -adminact=true -authorizationact=false -console=show "
            L"_?=C:\\Program Files\\Tavelo");
  EXPECT_EQ(uninstaller.BuildCommandLine(false, true),
            L"C:\\Temp\\Morvath_un_asa.exe /S -adminact=false -authorizationact=true -console=show "
            L"_?=C:\\Program Files\\Tavelo");
}

// What the package runner reports for each behaviour of the package, in order. Progress
// events (2002) are checked apart; the run always begins with 2001 and 2002 (0.0).
TEST(PackageRunner, ReportsEveryBehaviourOfThePackage) {
  using namespace standin;
  const std::vector<int> installed = {IST_CODE_INSTPATH, IST_CODE_EXEPATH, IST_CODE_UNINSTEP,
                                      IST_CODE_STARTUPSTYLE, IST_CODE_SUCCESS};
  struct Case {
    const char* behaviour;
    std::vector<int> codes;  // without 2001 and 2002
    int finalCode;
    double finalValue;
    std::wstring finalText;
  };
  std::vector<int> withMessage = {IST_CODE_MESSAGE};
  withMessage.insert(withMessage.end(), installed.begin(), installed.end());
  // Code page 936 text without "Encode=" is decoded with the system's ANSI code page; where
  // that cannot decode it (UTF-8), the line is dropped.
  const bool ansiDecodes = !Utils::ToWide(kMessageBytesCp936, Utils::kCodePageAnsi).empty();
  const Case cases[] = {
      {kSuccess, installed, IST_CODE_SUCCESS, 0.0, L""},
      {kSteps, installed, IST_CODE_SUCCESS, 0.0, L""},
      {kSlow, installed, IST_CODE_SUCCESS, 0.0, L""},
      {kFail, {IST_CODE_FAIL}, IST_CODE_FAIL, 0.0, kInstallFail},
      {kError, {IST_CODE_FAIL}, IST_CODE_FAIL, 1000.0, kErrorText},
      {kUtf8Message, withMessage, IST_CODE_SUCCESS, 0.0, L""},
      {kCp936Message, ansiDecodes ? withMessage : installed, IST_CODE_SUCCESS, 0.0, L""},
      {kSilent, {IST_CODE_SUCCESS}, IST_CODE_SUCCESS, 1.0, L""},
      {kNoResult, {IST_CODE_SUCCESS}, IST_CODE_SUCCESS, 1.0, L""},
      {kCrash, {IST_CODE_SUCCESS}, IST_CODE_SUCCESS, 1.0, L""},
      {kGarbage, installed, IST_CODE_SUCCESS, 0.0, L""},
      {kLongLine, withMessage, IST_CODE_SUCCESS, 0.0, L""},
      {kFloodAfterResult, installed, IST_CODE_SUCCESS, 0.0, L""},
      {kBurst, installed, IST_CODE_SUCCESS, 0.0, L""},
      {kStderrFlood, installed, IST_CODE_SUCCESS, 0.0, L""},
      {kLateFail, {IST_CODE_FAIL}, IST_CODE_FAIL, 0.0, kInstallFail},
  };
  StandinFolder standin;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.behaviour);
    const std::wstring target = standin.Folder(kOddName + L" " + Utils::ToWide(c.behaviour, Utils::kCodePageUtf8));
    const PackageRun run = RunPackage(Quoted(standin.Program()), target, c.behaviour);
    ASSERT_GE(run.events.size(), 2u);
    EXPECT_EQ(run.events[0].code, IST_CODE_START);
    EXPECT_EQ(run.events[1].code, IST_CODE_PROGRESS);
    EXPECT_EQ(run.events[1].value, 0.0);
    EXPECT_EQ(CodesWithout(run.events, {IST_CODE_START, IST_CODE_PROGRESS}), c.codes);
    const RecordedEvent& last = run.events.back();
    EXPECT_EQ(last.code, c.finalCode);
    EXPECT_EQ(last.value, c.finalValue);
    EXPECT_EQ(last.text, c.finalText);
    if (c.finalCode == IST_CODE_SUCCESS && c.finalValue == 0.0) {
      // The package really installed where it was told, and said so.
      EXPECT_EQ(Find(run.events, IST_CODE_INSTPATH)->text, target);
      EXPECT_EQ(Find(run.events, IST_CODE_EXEPATH)->text, Utils::JoinPath(target, kProductFile));
      EXPECT_EQ(Find(run.events, IST_CODE_UNINSTEP)->text, Utils::JoinPath(target, kUninstallerFile));
      EXPECT_EQ(Find(run.events, IST_CODE_STARTUPSTYLE)->value, 2.0);
      EXPECT_GE(Utils::FileSizeAt(Utils::JoinPath(target, kUninstallerFile)), 0);
      EXPECT_EQ(run.version.major * 10000 + run.version.minor * 100 + run.version.patch, 10203);
    }
  }
}

TEST(PackageRunner, LinesCutByReadsArriveWholeAndDecodedByTheirCodePage) {
  StandinFolder standin;
  const PackageRun burst = RunPackage(Quoted(standin.Program()), standin.Folder(L"burst"), standin::kBurst);
  std::vector<double> expected;
  for (unsigned i = 1; i <= standin::kBurstLines; ++i) expected.push_back(i / 1000.0);
  // The burst follows the opening lines' progress: every one of its values, in order.
  const std::vector<double> values = ValuesOf(burst.events, IST_CODE_PROGRESS);
  const auto first = std::find(values.begin(), values.end(), expected.front());
  ASSERT_NE(first, values.end());
  ASSERT_GE(static_cast<std::size_t>(values.end() - first), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_DOUBLE_EQ(first[i], expected[i]) << i;

  const PackageRun utf8 = RunPackage(Quoted(standin.Program()), standin.Folder(L"utf8"), standin::kUtf8Message);
  EXPECT_EQ(Find(utf8.events, IST_CODE_MESSAGE)->text, standin::kMessageText);
  // Without "Encode=" the system's ANSI code page decodes the line.
  const std::wstring ansiText = Utils::ToWide(standin::kMessageBytesCp936, Utils::kCodePageAnsi);
  const PackageRun ansi = RunPackage(Quoted(standin.Program()), standin.Folder(L"ansi"), standin::kCp936Message);
  const RecordedEvent* message = Find(ansi.events, IST_CODE_MESSAGE);
  if (ansiText.empty()) {
    EXPECT_EQ(message->code, 0);
  } else {
    EXPECT_EQ(message->text, ansiText);
  }
  const PackageRun longLine = RunPackage(Quoted(standin.Program()), standin.Folder(L"long"), standin::kLongLine);
  EXPECT_EQ(Find(longLine.events, IST_CODE_MESSAGE)->text, L"");
}

// A product that the package leaves running holds the output open for its whole life; the
// run must not wait for it.
TEST(PackageRunner, EndsSoonAfterThePackageWhileItsProductRunsOn) {
  StandinFolder standin;
  const PackageRun run = RunPackage(Quoted(standin.Program()), standin.Folder(L"grand"), standin::kGrandchild);
  EXPECT_EQ(run.events.back().code, IST_CODE_SUCCESS);
  EXPECT_EQ(run.events.back().value, 0.0);
  EXPECT_LT(run.seconds, standin::kGrandchildMs / 1000.0 / 2);
}

TEST(PackageRunner, PackagesThatCannotRun) {
  testsupport::TempDir dir;
  const std::wstring notAProgram = Utils::JoinPath(dir.WPath(), L"__Package_Tavelo.exe");
  std::ofstream(testsupport::FsPath(notAProgram)) << "this is text, not a program\n";
  const std::wstring longFolder = Utils::JoinPath(dir.WPath(), std::wstring(600, L'x'));
  struct Case {
    const char* name;
    std::wstring packagePath, installDir;
    double value;
  };
  const Case cases[] = {
      {"empty path", L"", L"", 1.0},
      {"missing file", Quoted(Utils::JoinPath(dir.WPath(), L"missing.exe")), dir.WPath(), 2.0},
      {"not a program", Quoted(notAProgram), dir.WPath(), 2.0},
      {"command line of 1024 characters or more", Quoted(testsupport::ProgramPath(L"standin")), longFolder, 2.0},
  };
  for (const Case& c : cases) {
    const PackageRun run = RunPackage(c.packagePath, c.installDir, standin::kSuccess);
    std::vector<int> expected = {IST_CODE_START, IST_CODE_FAIL};
    if (c.value == 2.0) expected = {IST_CODE_START, IST_CODE_PROGRESS, IST_CODE_FAIL};
    EXPECT_EQ(CodesWithout(run.events, {}), expected) << c.name;
    EXPECT_EQ(run.events.back().value, c.value) << c.name;
  }
}

// A folder of 260 characters is past what many Windows calls take: the package may fail to
// install there, but the run ends in one final event the package chose.
TEST(PackageRunner, AnInstallFolderOf260CharactersEndsInOneResult) {
  StandinFolder standin;
  std::wstring folder = standin.Folder(L"d");
  folder += std::wstring(260 - folder.size(), L'd');
  ASSERT_EQ(folder.size(), 260u);
  const PackageRun run = RunPackage(Quoted(standin.Program()), folder, standin::kSuccess);
  int finals = 0;
  for (const RecordedEvent& e : run.events) finals += e.code == IST_CODE_SUCCESS || e.code == IST_CODE_FAIL;
  EXPECT_EQ(finals, 1);
  const RecordedEvent& last = run.events.back();
  const bool installed = last.code == IST_CODE_SUCCESS && last.value == 0.0;
  const bool refused = last.code == IST_CODE_FAIL && last.value == 1000.0 && !last.text.empty();
  EXPECT_TRUE(installed || refused) << last.code << " " << last.value;
  if (installed) EXPECT_EQ(Find(run.events, IST_CODE_INSTPATH)->text, folder);
}

struct UninstallRun {
  std::vector<RecordedEvent> events;
  double seconds = 0;
};

UninstallRun RunUninstaller(const std::wstring& path, const std::wstring& installDir, const std::string& behaviour) {
  testsupport::ScopedEnvironment env(standin::kUninstallVariable, behaviour);
  testsupport::EventRecorder recorder;
  const auto began = std::chrono::steady_clock::now();
  auto uninstaller = std::make_unique<UnInstaller>(recorder.Callback(), path, installDir);
  uninstaller->Start();
  uninstaller.reset();  // joins the worker: the run is over
  UninstallRun run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  run.events = recorder.Events();
  return run;
}

// Installs with the stand-in package, then removes the installation with its uninstaller,
// run from a copy as the orchestrator runs it.
TEST(UninstallerRunner, ReportsEveryBehaviourOfTheUninstaller) {
  using namespace standin;
  struct Case {
    const char* behaviour;
    std::vector<RecordedEvent> events;  // without progress after the first
    bool removed;
  };
  const Case cases[] = {
      {kSuccess, {{5002, 0.0, L""}, {5003, 0.0, L""}}, true},
      {kFail, {{5002, 0.0, L""}, {5005, 0.0, kUninstallFail}}, false},
      {kError, {{5002, 0.0, L""}, {5005, 0.0, kErrorText}}, false},
      // The last words before the exit are read, so the failure stops the pipeline.
      {kLateFail, {{5002, 0.0, L""}, {5005, 0.0, kUninstallFail}}, false},
      {kSilent, {{5002, 0.0, L""}, {5003, 1.0, L""}}, true},
      {kNoResult, {{5002, 0.0, L""}, {5003, 1.0, L""}}, true},
      {kCrash, {{5002, 0.0, L""}, {5003, 1.0, L""}}, false},
      // Lines the uninstaller's four keys do not name are ignored.
      {kUtf8Message, {{5002, 0.0, L""}, {5003, 0.0, L""}}, true},
      {kStderrFlood, {{5002, 0.0, L""}, {5003, 0.0, L""}}, true},
      {kFloodAfterResult, {{5002, 0.0, L""}, {5003, 0.0, L""}}, true},
      {kGrandchild, {{5002, 0.0, L""}, {5003, 0.0, L""}}, true},
  };
  StandinFolder standin;
  const std::wstring copy = standin.Folder(L"Morvath_un_asa.exe");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.behaviour);
    const std::wstring target = standin.Folder(kOddName + L" old");
    const PackageRun install = RunPackage(Quoted(standin.Program()), target, kSuccess);
    ASSERT_EQ(install.events.back().code, IST_CODE_SUCCESS)
        << install.events.back().value << " " << Utils::ToNarrow(install.events.back().text, Utils::kCodePageUtf8);
    ASSERT_TRUE(Utils::CopyFileTo(Utils::JoinPath(target, kUninstallerFile), copy));

    const UninstallRun run = RunUninstaller(copy, target, c.behaviour);
    std::vector<RecordedEvent> events;
    for (std::size_t i = 0; i < run.events.size(); ++i) {
      if (i == 0 || run.events[i].code != UNIST_CODE_PROGRESS) events.push_back(run.events[i]);
    }
    ASSERT_EQ(events.size(), c.events.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
      EXPECT_EQ(events[i].code, c.events[i].code) << i;
      EXPECT_EQ(events[i].value, c.events[i].value) << i;
      EXPECT_EQ(events[i].text, c.events[i].text) << i;
    }
    EXPECT_EQ(Utils::DirectoryExists(target), !c.removed);
    EXPECT_LT(run.seconds, kGrandchildMs / 1000.0 / 2);
    // Leaves a fresh folder for the next row (a product left running may hold its file).
    std::error_code ignored;
    fs::remove_all(testsupport::FsPath(target), ignored);
  }
  // The grandchild row leaves a copy running under the copied uninstaller's name; other
  // tests take a program of that name for an uninstallation in progress.
  for (int tries = 0; tries < 200; ++tries) {
    const std::uint32_t left = pipeline::FindProcessByName(L"Morvath_un_asa.exe");
    if (left == 0) break;
    static_cast<void>(testsupport::EndProcess(left));  // gone by itself meanwhile is as good
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(pipeline::FindProcessByName(L"Morvath_un_asa.exe"), 0u);
}

TEST(UninstallerRunner, UninstallersThatCannotRun) {
  testsupport::TempDir dir;
  const std::wstring notAProgram = Utils::JoinPath(dir.WPath(), L"Morvath_un_asa.exe");
  std::ofstream(testsupport::FsPath(notAProgram)) << "this is text, not a program\n";
  struct Case {
    const char* name;
    std::wstring path, folder;
    double value;
    std::wstring text;
  };
  const Case cases[] = {
      {"empty path", L"", dir.WPath(), 1.0, kNoUninstaller},
      {"missing file", Utils::JoinPath(dir.WPath(), L"missing.exe"), dir.WPath(), 1.0, kNoUninstaller},
      {"a folder", dir.WPath(), dir.WPath(), 1.0, kNoUninstaller},
      {"not a program", notAProgram, dir.WPath(), 2.0, L""},
      {"command line of 1024 characters or more", testsupport::ProgramPath(L"standin"), std::wstring(1024, L'x'), 2.0,
       L""},
  };
  for (const Case& c : cases) {
    const UninstallRun run = RunUninstaller(c.path, c.folder, standin::kSuccess);
    ASSERT_FALSE(run.events.empty()) << c.name;
    const RecordedEvent& last = run.events.back();
    EXPECT_EQ(last.code, UNIST_CODE_FAIL) << c.name;
    EXPECT_EQ(last.value, c.value) << c.name;
    EXPECT_EQ(last.text, c.text) << c.name;
    EXPECT_EQ(run.events.size(), c.value == 1.0 ? 1u : 2u) << c.name;
  }
}
