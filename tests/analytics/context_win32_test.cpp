// Device and user state against the real Windows calls: version numbers, the user locale,
// the special folder, and the narrow profile functions' reach.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <filesystem>

#include "analytics/device_info.h"
#include "analytics/tracker_context.h"
#include "tests/analytics/utf8_path.h"
#include "tests/support/temp_dir.h"
#include "utils/text.h"

namespace fs = std::filesystem;
using namespace usage::zelkor;
using testsupport::Utf8Path;

namespace {

// The version numbers as RtlGetVersion reports them.
bool RtlVersion(RTL_OSVERSIONINFOW& info) {
  using GetVersion = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
  auto get = reinterpret_cast<GetVersion>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  return get != nullptr && get(&info) == 0;
}

}  // namespace

TEST(Win32Device, VersionNumbersMatchRtlGetVersion) {
  RTL_OSVERSIONINFOW expected;
  ASSERT_TRUE(RtlVersion(expected));
  std::uint32_t major = 0, minor = 0, build = 0;
  ASSERT_TRUE(ntVersion(major, minor, build));
  EXPECT_EQ(major, expected.dwMajorVersion);
  EXPECT_EQ(minor, expected.dwMinorVersion);
  EXPECT_EQ(build, expected.dwBuildNumber & 0xFFFF);
  std::string name, version;
  osTexts(name, version);
  EXPECT_NE(version, "XP-");
  EXPECT_EQ(userAgent(), "Mozilla/5.0(Windows " + version + "; Win64;)") << "a 64-bit process on 64-bit Windows";
}

TEST(Win32Device, SystemLocaleMatchesTheUserLocaleName) {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  ASSERT_GT(GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH), 0);
  std::string language, country, locale;
  ASSERT_TRUE(systemLocale(language, country, locale));
  // "en-US" and the like; names with a script ("zh-Hans-CN") only share the language.
  const std::string expected = Utils::ToNarrow(name, Utils::kCodePageUtf8);
  EXPECT_EQ(expected.substr(0, expected.find('-')), language);
  EXPECT_EQ(expected.substr(expected.rfind('-') + 1), country);
  EXPECT_EQ(locale, language + "_" + country);
}

TEST(Win32Device, BaseFolderIsTheShortLocalApplicationData) {
  std::uint32_t major = 0, minor = 0, build = 0;
  ASSERT_TRUE(ntVersion(major, minor, build));
  const int id = (major > 6 || (major == 6 && minor > 0)) ? CSIDL_LOCAL_APPDATA : CSIDL_COMMON_DOCUMENTS;
  wchar_t path[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path)));
  wchar_t shortPath[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameW(path, shortPath, MAX_PATH), 0u);
  EXPECT_EQ(baseFolder(), Utils::ToNarrow(shortPath, Utils::kCodePageUtf8));
}

TEST(Win32Device, StateFileIsAnOrdinaryProfileFile) {
  const testsupport::TempDir temp;
  TrackerContext context;
  context.reset("");
  context.configPath = Utf8Path(temp.Path() / "Tavelo_QOSConfigure.ini");
  context.isLoggedIn = true;
  context.userId = "u-7";
  context.distinctId = "DID";
  ASSERT_TRUE(context.save());
  const std::wstring file = (temp.Path() / "Tavelo_QOSConfigure.ini").wstring();
  wchar_t value[64] = {};
  GetPrivateProfileStringW(L"Base", L"isLogined", L"", value, 64, file.c_str());
  EXPECT_STREQ(value, L"OK");
  GetPrivateProfileStringW(L"Base", L"UserId", L"", value, 64, file.c_str());
  EXPECT_STREQ(value, L"u-7");
}

// The narrow profile functions cannot name this folder; the state stays in memory and no
// file appears under a best-fit spelling of the name.
TEST(Win32Device, FolderOutsideTheAnsiCodePageIsNotReached) {
  const testsupport::TempDir temp;
  const fs::path folder = temp.Path() / testsupport::FsPath(testsupport::kNameOutsideAnsiCodePage);
  ASSERT_TRUE(ensureDirectory(Utf8Path(folder))) << "folders are made through the wide calls";
  TrackerContext context;
  context.reset("");
  context.configPath = Utf8Path(folder / "Tavelo_QOSConfigure.ini");
  context.load();
  EXPECT_EQ(context.distinctId.size(), 36u);
  EXPECT_FALSE(context.save());
  std::size_t entries = 0;
  for (const auto& entry : fs::recursive_directory_iterator(temp.Path())) {
    EXPECT_EQ(entry.path(), folder) << "stray file " << Utf8Path(entry.path());
    ++entries;
  }
  EXPECT_EQ(entries, 1u);
}
