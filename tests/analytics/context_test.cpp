// The tracker's device and user state: the version and locale texts, device ids, the
// configuration file on disk and the pointer file beside the executable.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "analytics/device_info.h"
#include "analytics/tracker_context.h"
#include "tests/analytics/utf8_path.h"
#include "tests/support/temp_dir.h"
#include "utils/folders.h"
#include "utils/ini_file.h"
#include "utils/text.h"

namespace fs = std::filesystem;
using namespace usage::zelkor;
using testsupport::Utf8Path;

namespace {

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// How many lines of the file start with the text.
int LinesStartingWith(const fs::path& path, const std::string& start) {
  std::istringstream lines(ReadBytes(path));
  int count = 0;
  for (std::string line; std::getline(lines, line);) count += line.rfind(start, 0) == 0 ? 1 : 0;
  return count;
}

// 8-4-4-4-12 hexadecimal digits; upper case when asked.
bool IsDeviceId(const std::string& id, bool upperCase) {
  if (id.size() != 36) return false;
  for (std::size_t i = 0; i < id.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(id[i]);
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash != (c == '-')) return false;
    if (dash) continue;
    if (!std::isxdigit(c)) return false;
    if (std::isalpha(c) && (std::isupper(c) != 0) != upperCase) return false;
  }
  return true;
}

}  // namespace

// --- Pure texts -------------------------------------------------------------------------

TEST(DeviceTexts, VersionTable) {
  struct Case {
    std::optional<NtVersion> version;
    bool is64;
    const char* text;
  };
  const Case cases[] = {
      {std::nullopt, true, "XP-"},
      {NtVersion{4, 0, 1381}, false, "XP-"},
      {NtVersion{5, 0, 2195}, false, "2K"},
      {NtVersion{5, 1, 2600}, false, "XP"},
      {NtVersion{5, 2, 3790}, true, "XP64"},
      {NtVersion{5, 2, 3790, true}, true, "XP64"},
      {NtVersion{5, 2, 3790, true}, false, "Server 2003 R2"},
      {NtVersion{5, 2, 3790}, false, "Server 2003"},
      {NtVersion{5, 3, 0}, false, "XP+"},
      {NtVersion{6, 0, 6002}, true, "Vista64"},
      {NtVersion{6, 0, 6002}, false, "Vista"},
      {NtVersion{6, 1, 7601}, true, "7"},
      {NtVersion{6, 1, 7601}, false, "7-32"},
      {NtVersion{6, 2, 9200}, true, "8"},
      {NtVersion{6, 2, 9200}, false, "8-32"},
      {NtVersion{6, 3, 9600}, false, "8.1"},
      {NtVersion{6, 4, 0}, true, "8.1+"},
      {NtVersion{10, 0, 19045}, true, "10"},
      {NtVersion{10, 0, 21999}, false, "10"},
      {NtVersion{10, 0, 22000}, true, "11"},
      {NtVersion{10, 0, 26100}, false, "11"},
      {NtVersion{10, 1, 0}, true, "11+"},
      {NtVersion{7, 2, 5}, true, "7.2.5"},
      {NtVersion{11, 0, 30000}, true, "11.0.30000"},
  };
  for (const Case& c : cases) {
    const std::string where = c.version ? std::to_string(c.version->major) + "." + std::to_string(c.version->minor) +
                                              "." + std::to_string(c.version->build)
                                        : "unknown";
    EXPECT_EQ(osVersionText(c.version, c.is64), c.text) << where << (c.is64 ? " 64-bit" : " 32-bit");
  }
}

TEST(DeviceTexts, UserAgentFromItsParts) {
  EXPECT_EQ(userAgentText("Windows", "10", true), "Mozilla/5.0(Windows 10; Win64;)");
  EXPECT_EQ(userAgentText("Windows", "7-32", false), "Mozilla/5.0(Windows 7-32; Win32;)");
  EXPECT_EQ(userAgentText("Windows", "Server 2003 R2", false), "Mozilla/5.0(Windows Server 2003 R2; Win32;)");
}

TEST(DeviceTexts, LocaleSplitsAtTheFirstUnderscore) {
  struct Case {
    const char* locale;
    bool splits;
    const char* language;
    const char* country;
  };
  const Case cases[] = {
      {"en_US", true, "en", "US"},      {"zh_Hans_CN", true, "zh", "Hans_CN"}, {"_US", true, "", "US"},
      {"en_", true, "en", ""},          {"en", false, "-", "-"},             {"", false, "-", "-"},
      {"en-US", false, "-", "-"},
  };
  for (const Case& c : cases) {
    std::string language = "-", country = "-";
    EXPECT_EQ(splitLocale(c.locale, language, country), c.splits) << c.locale;
    EXPECT_EQ(language, c.language) << c.locale;
    EXPECT_EQ(country, c.country) << c.locale;
  }
}

TEST(DeviceTexts, PosixLocaleNames) {
  struct Case {
    const char* name;
    const char* locale;  // "" when the name carries no language and country
  };
  const Case cases[] = {
      {"en_US.UTF-8", "en_US"}, {"de_AT@euro", "de_AT"}, {"zh_CN.GB18030@stroke", "zh_CN"}, {"pt_BR", "pt_BR"},
      {"C", ""},                {"POSIX", ""},           {"C.UTF-8", ""},                  {"en", ""},
      {"", ""},                 {"_US.UTF-8", ""},       {"en_.UTF-8", ""},
  };
  for (const Case& c : cases) {
    LocaleTexts texts{"x", "y", "z"};
    const bool splits = splitPosixLocaleName(c.name, texts);
    EXPECT_EQ(splits, *c.locale != '\0') << c.name;
    if (!splits) continue;
    EXPECT_EQ(texts.locale, c.locale);
    EXPECT_EQ(texts.language + "_" + texts.country, c.locale);
  }
}

TEST(DeviceTexts, BaseFolderKindBySystemVersion) {
  EXPECT_EQ(baseFolderKindFor(std::nullopt), BaseFolderKind::kCommonDocuments);
  EXPECT_EQ(baseFolderKindFor(NtVersion{5, 1, 2600}), BaseFolderKind::kCommonDocuments);
  EXPECT_EQ(baseFolderKindFor(NtVersion{6, 0, 6002}), BaseFolderKind::kCommonDocuments);
  EXPECT_EQ(baseFolderKindFor(NtVersion{6, 1, 7601}), BaseFolderKind::kLocalAppData);
  EXPECT_EQ(baseFolderKindFor(NtVersion{10, 0, 22631}), BaseFolderKind::kLocalAppData);
}

// --- Device ids -------------------------------------------------------------------------

TEST(DeviceId, GuidFormat) {
  const Utils::GuidFields guid{0xABCDEF01, 0xA1B2, 0xc3d4, {0xE5, 0xF6, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}};
  EXPECT_EQ(formatDeviceId(guid), "ABCDEF01-A1B2-C3D4-E5F6-0A1B2C3D4E5F");
  const Utils::GuidFields small{0x1, 0x2, 0x3, {0, 0, 0, 0, 0, 0, 0, 9}};
  EXPECT_EQ(formatDeviceId(small), "00000001-0002-0003-0000-000000000009");
}

TEST(DeviceId, RetriesTheGuidSourceThenFallsBackToRandomGroups) {
  int calls = 0;
  const Utils::GuidFields guid{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
  const std::string afterFailures = newDeviceIdFrom([&](Utils::GuidFields& out) {
    out = guid;
    return ++calls == 11;  // the last allowed attempt succeeds
  });
  EXPECT_EQ(calls, 11);
  EXPECT_EQ(afterFailures, "12345678-9ABC-DEF0-0102-030405060708");

  calls = 0;
  std::set<std::string> seen;
  for (int i = 0; i < 20; ++i) {
    const std::string id = newDeviceIdFrom([&](Utils::GuidFields&) {
      ++calls;
      return false;
    });
    ASSERT_TRUE(IsDeviceId(id, false)) << id;
    EXPECT_EQ(id[14], '4') << id;  // version group 0x4000..0x4FFF
    const unsigned variant = std::stoul(id.substr(19, 4), nullptr, 16);
    EXPECT_GE(variant, 0x8000u);
    EXPECT_LE(variant, 0xBFFEu);
    seen.insert(id);
  }
  EXPECT_EQ(calls, 20 * 11);
  EXPECT_GT(seen.size(), 1u);
}

TEST(DeviceId, FreshIdsAreDistinctUpperCaseGuids) {
  std::set<std::string> seen;
  for (int i = 0; i < 50; ++i) {
    const std::string id = newDeviceId();
    ASSERT_TRUE(IsDeviceId(id, true)) << id;
    seen.insert(id);
  }
  EXPECT_EQ(seen.size(), 50u);
}

// --- System queries ---------------------------------------------------------------------

TEST(DeviceQueries, OsTextsAndUserAgentFollowTheKernelVersion) {
  std::uint32_t major = 7, minor = 7, build = 7;
  const bool known = ntVersion(major, minor, build);
  if (!known) EXPECT_EQ(major + minor + build, 0u) << "unknown numbers read as zero";
  EXPECT_LE(build, 0xFFFFu);
  // This process is 64-bit, so its Windows is too, whatever an emulation query says.
  if (sizeof(void*) == 8) EXPECT_TRUE(is64BitWindows());

  std::string name, version;
  osTexts(name, version);
  EXPECT_EQ(name, "Windows");
  const std::optional<NtVersion> numbers = known ? std::optional<NtVersion>(NtVersion{major, minor, build}) : std::nullopt;
  if (major != 5) EXPECT_EQ(version, osVersionText(numbers, is64BitWindows()));
  EXPECT_EQ(userAgent(), "Mozilla/5.0(Windows " + version + (is64BitWindows() ? "; Win64;)" : "; Win32;)"));
}

TEST(DeviceQueries, LocaleTextsPreferTheChosenLocale) {
  const LocaleTexts chosen = trackerLocaleTexts("fr_CA");
  EXPECT_EQ(chosen.language, "fr");
  EXPECT_EQ(chosen.country, "CA");
  EXPECT_EQ(chosen.locale, "fr_CA");

  LocaleTexts system;
  const bool known = systemLocale(system.language, system.country, system.locale);
  if (known) {
    EXPECT_FALSE(system.language.empty());
    EXPECT_EQ(system.locale, system.language + "_" + system.country);
  }
  // Without a usable choice (none, no "_", no language) the system's texts, or none at all.
  for (const char* unusable : {"", "fr", "_CA"}) {
    const LocaleTexts texts = trackerLocaleTexts(unusable);
    EXPECT_EQ(texts.language, system.language) << unusable;
    EXPECT_EQ(texts.country, system.country) << unusable;
    EXPECT_EQ(texts.locale, system.locale) << unusable;
  }
}

TEST(DeviceQueries, EnsureDirectoryMakesMissingParentsAndRefusesFiles) {
  const testsupport::TempDir temp;
  const std::string nested = Utf8Path(temp.Path()) + "/QOLocal/Tavelo/deeper";
  EXPECT_TRUE(ensureDirectory(nested));
  EXPECT_TRUE(fs::is_directory(temp.Path() / "QOLocal" / "Tavelo" / "deeper"));
  EXPECT_TRUE(ensureDirectory(nested + "/")) << "an existing folder";

  const fs::path file = temp.Write("plain.txt", "x");
  EXPECT_FALSE(ensureDirectory(Utf8Path(file))) << "a file is no folder";
  EXPECT_FALSE(ensureDirectory(Utf8Path(file) + "/below"));
  EXPECT_FALSE(ensureDirectory(""));
}

TEST(DeviceQueries, BaseFolderIsAnExistingFolderOrNothing) {
  const std::string folder = baseFolder();
  if (!folder.empty()) EXPECT_TRUE(Utils::DirectoryExists(Utils::ToWide(folder, Utils::kCodePageUtf8))) << folder;
}

// --- The configuration file -------------------------------------------------------------

class ConfigFile : public ::testing::Test {
 protected:
  fs::path File() const { return temp_.Path() / "Tavelo_QOSConfigure.ini"; }
  void Open(TrackerContext& context) const {
    context.reset("");
    context.configPath = Utf8Path(File());
  }
  std::string Stored(const char* section, const char* key) const {
    return Utils::ToNarrow(Utils::ReadIniString(File().wstring(), Utils::ToWide(section, Utils::kCodePageUtf8),
                                                Utils::ToWide(key, Utils::kCodePageUtf8), L"<none>"),
                           Utils::kCodePageUtf8);
  }
  testsupport::TempDir temp_;
};

TEST_F(ConfigFile, FreshContextStoresItsIdAndTheNextRunReadsIt) {
  TrackerContext first;
  Open(first);
  first.load();
  ASSERT_TRUE(IsDeviceId(first.distinctId, true)) << first.distinctId;
  EXPECT_TRUE(first.primaryDistinctId.empty()) << "the first run's init makes the primary id";
  EXPECT_FALSE(first.isLoggedIn);
  EXPECT_EQ(Stored("Base", "DistinctId"), first.distinctId);
  EXPECT_EQ(Stored("Base", "isLogined"), "NG");

  TrackerContext second;
  Open(second);
  second.load();
  EXPECT_EQ(second.distinctId, first.distinctId);
  EXPECT_EQ(second.primaryDistinctId, first.distinctId) << "an empty primary id takes the distinct id";

  TrackerContext other;
  other.reset("");
  other.configPath = Utf8Path(temp_.Path() / "Other_QOSConfigure.ini");
  other.load();
  EXPECT_NE(other.distinctId, first.distinctId) << "each configuration file has its own device";
}

TEST_F(ConfigFile, StateRoundTripsWithItsLoginMark) {
  for (const bool loggedIn : {true, false}) {
    TrackerContext saved;
    Open(saved);
    saved.isLoggedIn = loggedIn;
    saved.userId = "用户-42";
    saved.distinctId = "DID";
    saved.primaryDistinctId = "PDID";
    saved.userVipLevel = 3;
    // Longer than the 128-byte buffer the keys are first read with.
    saved.savedUrl = "http://127.0.0.1:8080/collect?project=pc&pad=" + std::string(300, 'u');
    ASSERT_TRUE(saved.save());
    EXPECT_EQ(Stored("Base", "isLogined"), loggedIn ? "OK" : "NG");
    EXPECT_EQ(LinesStartingWith(File(), "isLogined="), 1);

    TrackerContext loaded;
    Open(loaded);
    loaded.userVipLevel = 99;
    loaded.load();
    EXPECT_EQ(loaded.isLoggedIn, loggedIn);
    EXPECT_EQ(loaded.userId, saved.userId);
    EXPECT_EQ(loaded.distinctId, "DID");
    EXPECT_EQ(loaded.primaryDistinctId, "PDID");
    EXPECT_EQ(loaded.userVipLevel, 3);
    EXPECT_EQ(loaded.savedUrl, saved.savedUrl);
  }
}

TEST_F(ConfigFile, MissingOrMalformedKeysGiveDefaults) {
  struct Case {
    const char* text;
    const char* distinctId;  // "*" for a fresh id
    const char* primaryId;   // "*" for the fresh id
    const char* userId;
    int vipLevel;
    bool loggedIn;
    const char* url;
  };
  const Case cases[] = {
      {"[Base]\nDistinctId=abc\nPrimaryDistinctId=\nisLogined=ok\n", "abc", "abc", "", 0, false, ""},
      {"[Base]\nDistinctId=abc\nUserId=u\nisLogined=OK\nUserVipLevel=12abc\n", "abc", "abc", "u", 12, true, ""},
      {"[base]\ndistinctid = abc \nUserVipLevel=-4\nisLogined=OK \nURL=\"http://x/c\"\n", "abc", "abc", "", -4, true,
       "http://x/c"},
      {"[Base]\nDistinctId=abc\nUserVipLevel=vip\nisLogined=yes\n", "abc", "abc", "", 0, false, ""},
      {"[Base]\nDistinctId=abc\nUserVipLevel=99999999999999\n", "abc", "abc", "", 0, false, ""},
      {"[Base]\nPrimaryDistinctId=pid\nUserId=u\nisLogined=OK\n", "*", "pid", "u", 0, true, ""},
      {"[Other]\nDistinctId=abc\n", "*", "", "", 0, false, ""},
      {"", "*", "", "", 0, false, ""},
      {"\xFF\xFE garbage \x01\x02 [Base", "*", "", "", 0, false, ""},
  };
  for (const Case& c : cases) {
    std::ofstream(File(), std::ios::binary | std::ios::trunc) << c.text;
    TrackerContext context;
    Open(context);
    context.load();
    const std::string freshId = context.distinctId;
    if (std::string(c.distinctId) == "*") {
      EXPECT_TRUE(IsDeviceId(freshId, true)) << c.text;
      EXPECT_EQ(Stored("Base", "DistinctId"), freshId) << "a fresh id is saved at once";
    } else {
      EXPECT_EQ(context.distinctId, c.distinctId) << c.text;
    }
    EXPECT_EQ(context.primaryDistinctId, std::string(c.primaryId) == "*" ? freshId : c.primaryId) << c.text;
    EXPECT_EQ(context.userId, c.userId) << c.text;
    EXPECT_EQ(context.userVipLevel, c.vipLevel) << c.text;
    EXPECT_EQ(context.isLoggedIn, c.loggedIn) << c.text;
    EXPECT_EQ(context.savedUrl, c.url) << c.text;
  }
}

TEST_F(ConfigFile, LineBreaksInAValueCannotAddKeys) {
  TrackerContext saved;
  Open(saved);
  saved.distinctId = "DID";
  saved.userId = "mallory\r\nisLogined=OK\n[Base]";
  saved.isLoggedIn = false;
  ASSERT_TRUE(saved.save());
  EXPECT_EQ(LinesStartingWith(File(), "isLogined="), 1);

  TrackerContext loaded;
  Open(loaded);
  loaded.load();
  EXPECT_FALSE(loaded.isLoggedIn);
  EXPECT_EQ(loaded.userId, "mallory  isLogined=OK [Base]");
}

TEST_F(ConfigFile, UninstallInfoBesideTheState) {
  TrackerContext context;
  Open(context);
  context.load();
  ASSERT_TRUE(context.writeUninstallInfo("Tavelo", "1.2.3", "official"));
  EXPECT_EQ(Stored("UninstallInfo", "AppName"), "Tavelo");
  EXPECT_EQ(Stored("UninstallInfo", "AppVersion"), "1.2.3");
  EXPECT_EQ(Stored("UninstallInfo", "AppStore"), "official");
  EXPECT_EQ(Stored("Base", "DistinctId"), context.distinctId) << "the state is kept";
}

TEST_F(ConfigFile, UnwritableWorkingFolderStillGivesAnIdentity) {
  // The working folder is a plain file: nothing below it can be made.
  const fs::path blocker = temp_.Write("QOLocal", "not a folder");
  for (const std::string& path : {Utf8Path(blocker / "Tavelo" / "Tavelo_QOSConfigure.ini"), std::string(),
                                  std::string("Tavelo_QOSConfigure.ini")}) {
    TrackerContext context;
    context.reset("");
    context.configPath = path;
    context.load();
    EXPECT_TRUE(IsDeviceId(context.distinctId, true)) << path;
    EXPECT_FALSE(context.isLoggedIn);
    EXPECT_FALSE(context.save()) << path;
    EXPECT_FALSE(context.writeUninstallInfo("Tavelo", "1.0", "store")) << path;
  }
  EXPECT_FALSE(ensureDirectory(Utf8Path(blocker / "Tavelo")));
  EXPECT_EQ(ReadBytes(blocker), "not a folder");
  EXPECT_FALSE(fs::exists("Tavelo_QOSConfigure.ini")) << "a bare name is never written";
}

// --- The pointer file beside the executable ---------------------------------------------

TEST(PointerFile, NamesTheConfigurationFile) {
  const testsupport::TempDir temp;
  const std::string folder = Utf8Path(temp.Path());
  const std::string exe = folder + "/TaveloInstaller.exe";
  const std::wstring pointer = (temp.Path() / "Set.ini").wstring();
  const auto native = [](std::string path) { return platformSeparators(std::move(path)); };

  EXPECT_EQ(readConfigPathFor(exe), "") << "no pointer file";
  std::ofstream(temp.Path() / "Set.ini") << "[Install]\nAppName=Tavelo\n";
  EXPECT_EQ(readConfigPathFor(exe), "") << "no key";

  ASSERT_TRUE(Utils::WriteIniString(pointer, L"Install", L"QOUsageAnalyticsIni", L"D:/data/x.ini"));
  EXPECT_EQ(readConfigPathFor(exe), native("D:/data/x.ini"));
  EXPECT_EQ(readConfigPathFor(folder + "/other.exe"), native("D:/data/x.ini")) << "any program in the folder";
  EXPECT_EQ(readConfigPathFor(""), "");
  EXPECT_EQ(readConfigPathFor("TaveloInstaller.exe"), "") << "no folder to look in";

  const std::string longPath = folder + "/" + std::string(200, 'd') + "/Tavelo_QOSConfigure.ini";
  ASSERT_TRUE(Utils::WriteIniString(pointer, L"Install", L"QOUsageAnalyticsIni",
                                    Utils::ToWide(longPath, Utils::kCodePageUtf8)));
  EXPECT_EQ(readConfigPathFor(exe), native(longPath)) << "read whole, not cut to 127 bytes";
}

TEST(PointerFile, TheInstallersLowerCaseSpellingIsFound) {
  const testsupport::TempDir temp;
  temp.Write("set.ini", "[Install]\r\nQOUsageAnalyticsIni=C:/ProgramData/QOUsageAnalytics.ini\r\n");
  EXPECT_EQ(readConfigPathFor(Utf8Path(temp.Path() / "Tavelo.exe")),
            platformSeparators("C:/ProgramData/QOUsageAnalytics.ini"));
}
