// The stand-in package, uninstaller and product, run for real as the installer runs them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/environment.h"
#include "tests/support/probe_runner.h"
#include "tests/support/temp_dir.h"
#include "tools/standin/behaviours.h"
#include "utils/file_ops.h"
#include "utils/folders.h"
#include "utils/ini_file.h"
#include "utils/text.h"

namespace fs = std::filesystem;

namespace {

std::string Utf8(const std::wstring& text) { return Utils::ToNarrow(text, Utils::kCodePageUtf8); }
std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// The package with its payload, found from this program's folder.
std::wstring PackagePath() {
  const fs::path bin(Utils::DirectoryOf(Utils::GetExecutablePath()));
  return (bin / fs::path(TAVELO_STANDIN_PACKAGE)).lexically_normal().wstring();
}

// The package command line the installer builds for an install folder.
std::wstring PackageCommand(const std::wstring& program, const std::wstring& folder) {
  return Quoted(program) +
         L" /S -console=show -version=1.0.0 -adminact=true -authorizationact=true -dsc=true -ssc=true"
         L" -inslang=\"zh_CN\" -instdir=" + Quoted(folder) + L" /D=" + folder;
}

// Output split at "\n"; every line must end with one.
std::vector<std::string> Lines(const std::string& output) {
  EXPECT_TRUE(output.empty() || output.back() == '\n');
  std::vector<std::string> lines;
  std::istringstream stream(output);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Opening() { return {"Encode=UTF8", "Progress=0.1"}; }
std::vector<std::string> Results(const std::wstring& folder) {
  return {"Progress=1.0",
          "InstPath=" + Utf8(folder),
          "ExePath=" + Utf8(Utils::JoinPath(folder, standin::kProductFile)),
          "UninstEp=" + Utf8(Utils::JoinPath(folder, standin::kUninstallerFile)),
          "StartupStyle=UserStartup",
          std::string("InstallVersion=") + standin::kInstalledVersion,
          "State=Success"};
}

std::vector<std::string> Joined(std::vector<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::string ReadText(const std::wstring& path) {
  std::ifstream file(testsupport::FsPath(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// A folder with blanks and Chinese characters whose parent does not exist yet.
std::wstring OddFolder(const testsupport::TempDir& dir) {
  return Utils::JoinPath(Utils::JoinPath(dir.WPath(), L"\u7A0B\u5E8F \u6587\u4EF6"), L"Tavelo \u5B89\u88C5");
}

}  // namespace

TEST(Standin, PackageInstallsTheProductRunsAndTheUninstallerRemovesIt) {
  testsupport::TempDir dir;
  const std::wstring folder = OddFolder(dir);
  const std::wstring package = PackagePath();
  ASSERT_GT(Utils::FileSizeAt(package), 1024 * 1024);

  const auto install = testsupport::RunCommandLine(PackageCommand(package, folder));
  EXPECT_EQ(install.exitCode, 0u);
  EXPECT_EQ(Lines(install.output), Joined({Opening(), Results(folder)}));
  const std::wstring product = Utils::JoinPath(folder, standin::kProductFile);
  const std::wstring uninstaller = Utils::JoinPath(folder, standin::kUninstallerFile);
  EXPECT_EQ(Utils::FileSizeAt(product), Utils::FileSizeAt(package));
  EXPECT_EQ(Utils::FileSizeAt(uninstaller), Utils::FileSizeAt(package));

  const auto run = testsupport::RunCommandLine(Quoted(product) + L" --from-test \u7532 \"two words\"");
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.output, "");
  EXPECT_EQ(ReadText(Utils::JoinPath(folder, standin::kProductLog)), Utf8(L"started --from-test \u7532 two words\n"));

  // As the orchestrator does: a copy of uninst.ep outside the folder, run unquoted.
  const std::wstring copy = Utils::JoinPath(dir.WPath(), L"Morvath_un_asa.exe");
  ASSERT_TRUE(Utils::CopyFileTo(uninstaller, copy));
  const auto uninstall =
      testsupport::RunCommandLine(copy + L" /S -adminact=true -authorizationact=false -console=show _?=" + folder);
  EXPECT_EQ(Lines(uninstall.output), (std::vector<std::string>{"Progress=0.5", "State=Success"}));
  EXPECT_FALSE(Utils::PathExists(folder));
  EXPECT_TRUE(Utils::DirectoryExists(Utils::DirectoryOf(folder)));
}

TEST(Standin, PackageBehavioursPrintTheirLinesAroundTheNormalRun) {
  std::vector<std::string> burst;
  for (int i = 1; i <= 300; ++i) {
    char line[32];
    std::snprintf(line, sizeof(line), "Progress=0.%03d", i);
    burst.push_back(line);
  }
  ASSERT_EQ(burst.size(), standin::kBurstLines);
  struct Case {
    const char* behaviour;
    std::vector<std::string> before;        // lines before the opening
    std::vector<std::string> afterOpening;  // lines between the opening and the results
  };
  const Case cases[] = {
      {standin::kSuccess, {}, {}},
      {standin::kBurst, {}, burst},
      {standin::kCp936Message, {std::string("Message=") + "\xB0\xB2\xD7\xB0\xCD\xEA\xB3\xC9"}, {}},
      {standin::kUtf8Message, {"Encode=UTF8", Utf8(L"Message=\u5B89\u88C5\u5B8C\u6210\uFF0C\u6B22\u8FCE\u4F7F\u7528")}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.behaviour);
    testsupport::TempDir dir;
    const std::wstring folder = OddFolder(dir);
    testsupport::ScopedEnvironment behaviour(standin::kPackageVariable, c.behaviour);
    const auto result = testsupport::RunCommandLine(PackageCommand(testsupport::ProgramPath(L"standin"), folder));
    EXPECT_EQ(Lines(result.output), Joined({c.before, Opening(), c.afterOpening, Results(folder)}));
    EXPECT_TRUE(Utils::PathExists(Utils::JoinPath(folder, standin::kUninstallerFile)));
  }
}

TEST(Standin, KeepSetsIsOverrideAndLeavesTheOtherSettings) {
  testsupport::TempDir dir;
  const std::wstring folder = OddFolder(dir);
  ASSERT_TRUE(Utils::CreateDirectoryTree(folder));
  const std::wstring settings = Utils::JoinPath(folder, standin::kSettingsFile);
  {
    std::ofstream file(testsupport::FsPath(settings), std::ios::binary);
    file << "[Install]\r\nAppName=Tavelo\r\n[uninstall]\r\nIsOverride=true\r\n[Later]\r\nKey=1\r\n";
  }
  testsupport::ScopedEnvironment behaviour(standin::kPackageVariable, standin::kKeep);
  const auto result = testsupport::RunCommandLine(PackageCommand(testsupport::ProgramPath(L"standin"), folder));
  EXPECT_EQ(Lines(result.output), Joined({Opening(), Results(folder)}));
  EXPECT_EQ(Utils::ReadIniString(settings, L"Uninstall", L"IsOverride", L"absent"), L"false");
  EXPECT_EQ(Utils::ReadIniString(settings, L"Install", L"AppName", L"absent"), L"Tavelo");
  EXPECT_EQ(Utils::ReadIniString(settings, L"Later", L"Key", L"absent"), L"1");
}
