// Installation records against the real registry (under Wine) or the POSIX store, real
// settings files and real running processes.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>

#include "pipeline/install_record.h"
#include "tests/support/record_sandbox.h"
#include "tests/support/running_program.h"
#include "tests/support/probe_runner.h"
#include "tests/support/temp_dir.h"
#include "utils/child_process.h"
#include "utils/clock.h"
#include "utils/file_ops.h"
#include "utils/folders.h"
#include "utils/ini_file.h"
#include "utils/registry.h"
#include "utils/text.h"

namespace {

using testsupport::RecordSandbox;
using testsupport::TempDir;

// A path written with "\" as in Windows, with the platform's separator.
std::wstring Native(std::wstring path) {
  for (wchar_t& c : path) {
    if (c == L'\\') c = Utils::PathSeparator();
  }
  return path;
}

std::string Narrow(const std::wstring& text) { return Utils::ToNarrow(text, Utils::kCodePageUtf8); }

// A registry value, or nullopt when it is not there.
std::optional<std::wstring> RegistryValue(const wchar_t* name) {
  std::wstring text;
  unsigned long type = 0;
  if (!Utils::ReadRegistryString(name, text, type)) return std::nullopt;
  return text;
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
  std::ofstream(testsupport::FsPath(path), std::ios::binary) << bytes;
}

std::wstring MakeFolder(const TempDir& dir, const std::wstring& name) {
  const std::wstring folder = Utils::JoinPath(dir.WPath(), name);
  EXPECT_TRUE(Utils::CreateDirectoryTree(folder));
  return folder;
}

TEST(InstallRecord, ReadsTheRecordedFolderAndDerivesTheUninstaller) {
  struct Case {
    const char* name;
    std::optional<std::wstring> installPath;
    std::optional<std::wstring> uninstallEp;
    pipeline::InstallRecord expected;
  };
  const Case cases[] = {
      {"nothing recorded", std::nullopt, std::nullopt, {L"", L""}},
      {"folder only", Native(L"D:\\Apps\\Morvath"), std::nullopt,
       {Native(L"D:\\Apps\\Morvath"), Native(L"D:\\Apps\\Morvath\\uninst.ep")}},
      {"folder and uninstaller", Native(L"D:\\Apps\\Morvath"), Native(L"D:\\Apps\\Morvath\\un\\remove.exe"),
       {Native(L"D:\\Apps\\Morvath"), Native(L"D:\\Apps\\Morvath\\un\\remove.exe")}},
      {"empty uninstaller is derived", Native(L"D:\\Apps\\Morvath"), L"",
       {Native(L"D:\\Apps\\Morvath"), Native(L"D:\\Apps\\Morvath\\uninst.ep")}},
      {"uninstaller only", std::nullopt, Native(L"D:\\Apps\\Morvath\\uninst.ep"),
       {L"", Native(L"D:\\Apps\\Morvath\\uninst.ep")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordSandbox sandbox;
    if (c.installPath) ASSERT_TRUE(Utils::WriteRegistryString(pipeline::kInstallPathValue, *c.installPath));
    if (c.uninstallEp) ASSERT_TRUE(Utils::WriteRegistryString(pipeline::kUninstallRecordValue, *c.uninstallEp));
    const pipeline::InstallRecord record = pipeline::ReadInstallRecord();
    EXPECT_EQ(Narrow(record.installDir), Narrow(c.expected.installDir));
    EXPECT_EQ(Narrow(record.uninstallerPath), Narrow(c.expected.uninstallerPath));
  }
}

TEST(InstallRecord, UninstallerRecordedOnlyWhenItsFileExists) {
  struct Case {
    const char* name;
    bool makeUninstEp;                 // "uninst.ep" in the install folder
    const wchar_t* givenUninstaller;   // relative to the test folder; "" for none
    bool makeGiven;                    // the given file exists
    const wchar_t* expectedRecorded;   // relative to the test folder; nullptr: no value
  };
  const Case cases[] = {
      {"no uninstaller anywhere", false, L"", false, nullptr},
      {"derived uninst.ep exists", true, L"", false, L"Morvath\\uninst.ep"},
      {"named uninstaller exists", false, L"Morvath\\un\\remove.exe", true, L"Morvath\\un\\remove.exe"},
      {"named uninstaller missing, uninst.ep not taken instead", true, L"Morvath\\un\\remove.exe", false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordSandbox sandbox;
    TempDir dir;
    const std::wstring installDir = MakeFolder(dir, L"Morvath");
    if (c.makeUninstEp) WriteFile(Utils::JoinPath(installDir, L"uninst.ep"), "MZ");
    const std::wstring given = *c.givenUninstaller ? Utils::JoinPath(dir.WPath(), Native(c.givenUninstaller)) : L"";
    if (c.makeGiven) {
      ASSERT_TRUE(Utils::CreateDirectoryTree(Utils::DirectoryOf(given)));
      WriteFile(given, "MZ");
    }

    EXPECT_TRUE(pipeline::WriteInstallRecord(installDir, given));
    EXPECT_EQ(RegistryValue(pipeline::kInstallPathValue), installDir);
    const std::optional<std::wstring> expected =
        c.expectedRecorded ? std::optional(Utils::JoinPath(dir.WPath(), Native(c.expectedRecorded))) : std::nullopt;
    EXPECT_EQ(RegistryValue(pipeline::kUninstallRecordValue), expected);
  }
}

TEST(InstallRecord, SameFolderRule) {
  struct Case {
    const char* name;
    const wchar_t* from;
    const wchar_t* to;
    bool same;
  };
  // Windows compares the two paths without letter case; POSIX file names keep it.
  const bool foldsCase = Utils::PathSeparator() == L'\\';
  const Case cases[] = {
      {"same folder", L"D:\\Apps\\Morvath", L"D:\\Apps\\Morvath", true},
      {"both with a trailing separator", L"D:\\Apps\\Morvath\\", L"D:\\Apps\\Morvath\\", true},
      {"target with a trailing separator", L"D:\\Apps\\Morvath", L"D:\\Apps\\Morvath\\", false},
      {"previous with a trailing separator", L"D:\\Apps\\Morvath\\", L"D:\\Apps\\Morvath", false},
      {"sub-folder", L"D:\\Apps\\Morvath", L"D:\\Apps\\Morvath\\Sub", false},
      {"parent", L"D:\\Apps\\Morvath", L"D:\\Apps", false},
      {"sibling with a common prefix", L"D:\\Apps\\Morvath", L"D:\\Apps\\Morvath2", false},
      {"letter case", L"D:\\Apps\\Morvath", L"D:\\apps\\MORVATH", foldsCase},
      {"empty previous", L"", L"D:\\Apps\\Morvath", false},
      {"empty target", L"D:\\Apps\\Morvath", L"", false},
      {"both empty", L"", L"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pipeline::record_detail::IsSameDirectory(Native(c.from), Native(c.to)), c.same) << c.name;
  }
}

TEST(InstallRecord, PreviousInstallKeptOnlyForIsOverrideFalseInTheSameFolder) {
  struct Case {
    const char* name;
    std::optional<std::string> targetSettings;  // "set.ini" in the target folder
    bool sameFolder;                            // else the target is a sibling of the previous folder
    bool keeps;
  };
  const Case cases[] = {
      {"IsOverride=false", "[Uninstall]\r\nIsOverride=false\r\n", true, true},
      {"IsOverride=False", "[Uninstall]\r\nIsOverride=False\r\n", true, false},
      {"IsOverride=true", "[Uninstall]\r\nIsOverride=true\r\n", true, false},
      {"IsOverride=false in another section", "[Install]\r\nIsOverride=false\r\n", true, false},
      {"no set.ini", std::nullopt, true, false},
      {"another folder", "[Uninstall]\r\nIsOverride=false\r\n", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::wstring previous = MakeFolder(dir, L"Morvath");
    const std::wstring target = c.sameFolder ? previous : MakeFolder(dir, L"Other");
    // The previous folder holds the same settings, so only the folder rule can refuse.
    if (c.targetSettings) {
      WriteFile(Utils::JoinPath(previous, L"set.ini"), *c.targetSettings);
      WriteFile(Utils::JoinPath(target, L"set.ini"), *c.targetSettings);
    }
    EXPECT_EQ(pipeline::KeepsPreviousInstall(previous, target), c.keeps);
  }
}

TEST(InstallRecord, EmptyFoldersNeverKeepThePreviousInstall) {
  TempDir dir;
  const std::wstring folder = MakeFolder(dir, L"Morvath");
  WriteFile(Utils::JoinPath(folder, L"set.ini"), "[Uninstall]\r\nIsOverride=false\r\n");
  EXPECT_FALSE(pipeline::KeepsPreviousInstall(L"", folder));
  EXPECT_FALSE(pipeline::KeepsPreviousInstall(folder, L""));
  EXPECT_FALSE(pipeline::KeepsPreviousInstall(L"", L""));
}

// "set.ini" and the analytics start file as two writes in one run leave them.
TEST(InstallRecord, SettingsWrittenTwiceKeepTheLastDeviceIdAndThePackagesKeys) {
  RecordSandbox sandbox;
  ASSERT_TRUE(sandbox.SetAppData(sandbox.AppData()));
  TempDir dir;
  const std::wstring installDir = MakeFolder(dir, L"Morvath");
  const std::wstring settings = Utils::JoinPath(installDir, L"set.ini");
  // What the package wrote there stays.
  WriteFile(settings, "[Uninstall]\r\nIsOverride=false\r\n");

  const auto read = [&](const wchar_t* section, const wchar_t* key) {
    return Utils::ReadIniString(settings, section, key, L"(none)");
  };
  const std::wregex guid(L"[0-9A-Fa-f]{32}");
  ASSERT_TRUE(pipeline::WriteInstallSettings(installDir));
  const std::wstring firstId = read(L"Install", L"DeviceID");
  EXPECT_TRUE(std::regex_match(firstId, guid)) << Narrow(firstId);

  const Utils::LocalTime start = Utils::LocalTimeNow();
  ASSERT_TRUE(pipeline::WriteInstallSettings(installDir));
  const Utils::LocalTime end = Utils::LocalTimeNow();

  const std::wstring lastId = read(L"Install", L"DeviceID");
  EXPECT_TRUE(std::regex_match(lastId, guid)) << Narrow(lastId);
  EXPECT_NE(lastId, firstId);
  EXPECT_EQ(read(L"Install", L"AppName"), L"Tavelo");
  const std::wstring testProgram = Utils::FileNameOf(testsupport::ProgramPath(L"install_record_tests"));
  EXPECT_EQ(Narrow(read(L"Install", L"APPStore")), Narrow(testProgram));
  EXPECT_EQ(read(L"Uninstall", L"IsOverride"), L"false");

  const std::wstring startFile = sandbox.AppData() + Native(L"\\ZelkorData\\Morvath\\QOUsageAnalytics.ini");
  EXPECT_EQ(Narrow(read(L"Install", L"QOUsageAnalyticsIni")), Narrow(startFile));
  // The update time lies between the clock readings around the write; the fixed-width
  // text orders as the times do.
  const auto text = [](const Utils::LocalTime& t) {
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return std::string(buffer);
  };
  const std::string updateTime = Narrow(Utils::ReadIniString(startFile, L"Init", L"UpdateTime", L"(none)"));
  EXPECT_TRUE(std::regex_match(updateTime, std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2})"))) << updateTime;
  EXPECT_LE(text(start), updateTime);
  EXPECT_GE(text(end), updateTime);
}

TEST(InstallRecord, NoAnalyticsStartFileWhereItsFolderCannotBeMade) {
  RecordSandbox sandbox;
  TempDir dir;
  // APPDATA names a file, so no folder can be made below it.
  const std::wstring blocked = Utils::JoinPath(dir.WPath(), L"blocked");
  WriteFile(blocked, "a file");
  ASSERT_TRUE(sandbox.SetAppData(blocked));
  const std::wstring installDir = MakeFolder(dir, L"Morvath");

  EXPECT_TRUE(pipeline::WriteInstallSettings(installDir));
  const std::wstring settings = Utils::JoinPath(installDir, L"set.ini");
  EXPECT_EQ(Utils::ReadIniString(settings, L"Install", L"AppName", L"(none)"), L"Tavelo");
  EXPECT_EQ(Utils::ReadIniString(settings, L"Install", L"QOUsageAnalyticsIni", L"(none)"), L"(none)");
  EXPECT_FALSE(pipeline::WriteInstallSettings(L""));
}

// A copy of the probe program under a name of the product's form that no other test uses
// (tests run side by side, and the pipeline's tests start programs named "Tavelo.exe" and
// "Morvath_un_asa.exe").
class RunningProduct : public testsupport::RunningProgram {
 public:
  RunningProduct() : RunningProgram(L"" TAVELO_CHILDPROBE_FILE_NAME, L"TaveloRecordProbe.exe") {}
};

TEST(InstallRecord, FindsARunningProgramByItsExactImageName) {
  RunningProduct product;
  ASSERT_NE(product.ProcessId(), 0u);
  EXPECT_EQ(pipeline::FindProcessByName(L"TaveloRecordProbe.exe"), product.ProcessId());
  EXPECT_EQ(pipeline::FindProcessByName(L"tavelorecordprobe.exe"), 0u);
  EXPECT_EQ(pipeline::FindProcessByName(L"TAVELORECORDPROBE.EXE"), 0u);
  EXPECT_EQ(pipeline::FindProcessByName(L"TaveloRecordProbe"), 0u);
  EXPECT_EQ(pipeline::FindProcessByName(L""), 0u);

  product.Stop();
  EXPECT_EQ(pipeline::FindProcessByName(L"TaveloRecordProbe.exe"), 0u);
}

TEST(InstallRecord, ARunningProgramWhoseFileIsDeletedIsStillFound) {
  RunningProduct product;
  // Windows refuses to delete a running program's file; POSIX deletes it and the process
  // runs on. Either way the program still runs under its name.
  static_cast<void>(Utils::DeleteFileAt(product.Path()));
  EXPECT_EQ(pipeline::FindProcessByName(L"TaveloRecordProbe.exe"), product.ProcessId());
}

}  // namespace
