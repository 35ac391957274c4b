// Configuration: INI file contents x command lines -> fields, through the platform's real
// profile reader (the Windows functions under Wine) and the loader's argument rules.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <optional>

#include "startup/installer_config.h"
#include "startup/number_text.h"
#include "startup/switch_map.h"
#include "tests/support/environment.h"
#include "tests/support/temp_dir.h"
#include "utils/folders.h"
#include "utils/system_facts.h"
#include "utils/text.h"

namespace {

struct Case {
  const char* name;
  std::optional<std::string> ini;  // file bytes; nullopt: no file
  std::wstring commandLine;        // switches after the program path
  std::function<void(const InstallerConfig&)> check;
};

InstallerConfig Configure(const Case& c, const std::wstring& exeName = L"TaveloInstaller.exe") {
  testsupport::TempDir dir;
  if (c.ini) dir.Write("ZelkorInstallerConfig.ini", *c.ini);
  InstallerConfig config;
  LoadInstallerIni(config, Utils::JoinPath(dir.WPath(), exeName));
  ApplyCommandLine(config, SwitchMap::FromArguments(SplitCommandLineText(L"\"C:\\x\\TaveloInstaller.exe\" " + c.commandLine)));
  return config;
}

std::wstring Routed(const std::wstring& url) { return Utils::ReplaceAll(url, L"${ROUTE}", RouteWord()); }

void ExpectDefaultsBut(const InstallerConfig& c, bool isCheckNet) {
  EXPECT_EQ(c.AppName, L"Tavelo");
  EXPECT_EQ(c.AppVersion, L"1.7.9");
  EXPECT_EQ(c.ExeFileName, L"TaveloInstaller.exe");
  EXPECT_EQ(c.DlAppNameSuffix, L".downloader");
  EXPECT_EQ(c.DlAppVersion, L"");
  EXPECT_EQ(c.InstCmd, L"");
  EXPECT_EQ(c.PackageSigner, L"") << "no signature is asked for by default";
  EXPECT_EQ(c.DownloadUrl, Routed(DefaultDownloadUrl()));
  EXPECT_EQ(c.DownloadType, 1);
  EXPECT_EQ(c.IsCheckNet, isCheckNet);
  EXPECT_TRUE(c.IsEnableAppAnalytics);
  EXPECT_DOUBLE_EQ(c.DownloadScale, 0.7);
  EXPECT_TRUE(c.LibcurlReady);
  EXPECT_EQ(c.AbValue, L"IN");
  EXPECT_EQ(c.Language, -1);
  EXPECT_FALSE(c.InsNew);
}

constexpr char kGarbage[] = "\x00\xff\x01[[[=\n==\x80\x81";
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

}  // namespace

TEST(InstallerConfig, DefaultUrlIsTheRedirectRouteOverTlsOnAReservedHost) {
  EXPECT_EQ(DefaultDownloadUrl(), L"https://redirect.zelkorsoft.example/redirect/ver1/tavelo/${ROUTE}/1.0/installer/123456");
  const std::wstring url = Routed(DefaultDownloadUrl());
  EXPECT_EQ(url.find(L"${ROUTE}"), std::wstring::npos);
  EXPECT_NE(url.find(L"/tavelo/download_silent"), std::wstring::npos);
}

TEST(InstallerConfig, RouteWords) {
  EXPECT_EQ(RouteWordFor(L"XP", true), L"download_silent_xp");
  EXPECT_EQ(RouteWordFor(L"XP-", false), L"download_silent_xp");
  EXPECT_EQ(RouteWordFor(L"XP+", true), L"download_silent_xp");
  EXPECT_EQ(RouteWordFor(L"7", true), L"download_silent_64");
  EXPECT_EQ(RouteWordFor(L"7", false), L"download_silent");
  EXPECT_EQ(RouteWordFor(L"Server 2003", false), L"download_silent");
  EXPECT_EQ(RouteWordFor(L"11.0.26100", true), L"download_silent_64");
}

// The tests run on 64-bit systems only (a 64-bit Linux; a 64-bit Wine prefix, where a
// 32-bit build runs emulated): the route always names the 64-bit package, also for a
// 32-bit process, which the emulation query must tell apart from 32-bit Windows. (The
// variable gives the native build a Windows version; Windows and Wine report their own.)
TEST(InstallerConfig, TheRouteOfThisProcessNamesTheSixtyFourBitSystem) {
  testsupport::ScopedEnvironment version("TAVELO_WINDOWS_VERSION", "10.0.19045");
  EXPECT_TRUE(Utils::IsWindows64Bit()) << "a " << sizeof(void*) * 8 << "-bit process";
  EXPECT_EQ(RouteWord(), L"download_silent_64");
}

TEST(InstallerConfig, IniAndSwitchTable) {
  const std::string longValue(300, 'v');
  const Case cases[] = {
      {"no file, no switches", std::nullopt, L"", [](const auto& c) { ExpectDefaultsBut(c, false); }},
      {"empty Install section", "[Install]\r\n", L"", [](const auto& c) { ExpectDefaultsBut(c, true); }},
      {"empty file", "", L"", [](const auto& c) { ExpectDefaultsBut(c, true); }},
      {"garbage file", std::string(kGarbage, sizeof(kGarbage) - 1), L"",
       [](const auto& c) { ExpectDefaultsBut(c, true); }},
      {"names compare without case", "[install]\nisCHECKNET = false\n", L"", [](const auto& c) { EXPECT_FALSE(c.IsCheckNet); }},
      {"booleans are exactly true", "[Install]\nIsCheckNet=TRUE\nIsEnableAppAnalytics=1\n", L"",
       [](const auto& c) {
         EXPECT_FALSE(c.IsCheckNet);
         EXPECT_FALSE(c.IsEnableAppAnalytics);
       }},
      {"switch booleans are exactly true", std::nullopt, L"-ischecknet=True -isenableappanalytics=false -insnew=true",
       [](const auto& c) {
         EXPECT_FALSE(c.IsCheckNet);
         EXPECT_FALSE(c.IsEnableAppAnalytics);
         EXPECT_TRUE(c.InsNew);
       }},
      {"every INI key, quotes and blanks", "[Install]\n DownloadUrl = \"http://h/${ROUTE}/a/${ROUTE}\" \nDownloadType= 3\n"
       "DlAppNameSuffix=.dl\nm_DlAppVersion=2.0.1\nDownloadScale=0.5abc\nInstCmd='/S /D=C:\\x'\n",
       L"",
       [](const auto& c) {
         EXPECT_EQ(c.DownloadUrl, Routed(L"http://h/${ROUTE}/a/${ROUTE}"));
         EXPECT_EQ(c.DownloadType, 3);
         EXPECT_EQ(c.DlAppNameSuffix, L".dl");
         EXPECT_EQ(c.DlAppVersion, L"2.0.1");
         EXPECT_DOUBLE_EQ(c.DownloadScale, 0.5);
         EXPECT_EQ(c.InstCmd, L"/S /D=C:\\x");
         EXPECT_EQ(c.AppName, L"Tavelo") << "not configurable";
       }},
      {"INI numbers without digits and too large", "[Install]\nDownloadType=abc\nDownloadScale=abc\n", L"",
       [](const auto& c) {
         EXPECT_EQ(c.DownloadType, 0);
         EXPECT_DOUBLE_EQ(c.DownloadScale, 0.0);
       }},
      {"INI overflow saturates or keeps the default", "[Install]\nDownloadType=99999999999\nDownloadScale=1e999\n", L"",
       [](const auto& c) {
         EXPECT_EQ(c.DownloadType, kMax);
         EXPECT_DOUBLE_EQ(c.DownloadScale, 0.7);
       }},
      {"INI value cut to 259", "[Install]\nInstCmd=" + longValue + "\n", L"",
       [&](const auto& c) { EXPECT_EQ(c.InstCmd, std::wstring(259, L'v')); }},
      {"first key and first section win", "[Install]\nDownloadType=2\nDownloadType=3\n[Other]\nInstCmd=x\n[Install]\nInstCmd=y\n",
       L"",
       [](const auto& c) {
         EXPECT_EQ(c.DownloadType, 2);
         EXPECT_EQ(c.InstCmd, L"");
       }},
      {"first switch wins", std::nullopt, L"-downloadtype=3 -downloadtype=2", [](const auto& c) { EXPECT_EQ(c.DownloadType, 3); }},
      {"switch overrides INI", "[Install]\nDownloadType=3\nDownloadScale=0.5\n", L"-downloadtype=2 -downloadscale=abc",
       [](const auto& c) {
         EXPECT_EQ(c.DownloadType, 2);
         EXPECT_DOUBLE_EQ(c.DownloadScale, 0.5) << "no number keeps the INI value";
       }},
      {"switch without equals", std::nullopt, L"-insnew -downloadtype", [](const auto& c) {
         EXPECT_FALSE(c.InsNew);
         EXPECT_EQ(c.DownloadType, 0) << "present without a number";
       }},
      {"switch names are case-sensitive", std::nullopt, L"-DownloadUrl=http://x/ -DOWNLOADTYPE=3",
       [](const auto& c) {
         EXPECT_EQ(c.DownloadUrl, Routed(DefaultDownloadUrl()));
         EXPECT_EQ(c.DownloadType, 1);
       }},
      {"quoted instcmd", std::nullopt, L"\"-instcmd=/S /x\"", [](const auto& c) { EXPECT_EQ(c.InstCmd, L"/S /x"); }},
      {"unquoted instcmd", std::nullopt, L"-instcmd=/S /x", [](const auto& c) { EXPECT_EQ(c.InstCmd, L"/S"); }},
      {"package signer from the INI file, then the switch",
       "[Install]\nPackageSigner= \"Zelkor Soft Ltd\" \n", L"",
       [](const auto& c) { EXPECT_EQ(c.PackageSigner, L"Zelkor Soft Ltd"); }},
      {"package signer switch over the INI file", "[Install]\nPackageSigner=A\n", L"\"-packagesigner=Zelkor Soft\"",
       [](const auto& c) { EXPECT_EQ(c.PackageSigner, L"Zelkor Soft"); }},
      {"non-numeric switches", std::nullopt, L"-downloadtype=abc -language=abc",
       [](const auto& c) {
         EXPECT_EQ(c.DownloadType, 0);
         EXPECT_EQ(c.Language, 0);
       }},
      {"switch overflow saturates", std::nullopt, L"-downloadtype=99999999999 -language=-99999999999 -downloadscale=1e999",
       [](const auto& c) {
         EXPECT_EQ(c.DownloadType, kMax);
         EXPECT_EQ(c.Language, kMin);
         EXPECT_DOUBLE_EQ(c.DownloadScale, 0.7);
       }},
      {"empty downloadurl", std::nullopt, L"-downloadurl=", [](const auto& c) { EXPECT_EQ(c.DownloadUrl, L""); }},
      {"double route and equals in value", std::nullopt, L"-downloadurl=http://a/${ROUTE}/${ROUTE}?x=1",
       [](const auto& c) { EXPECT_EQ(c.DownloadUrl, Routed(L"http://a/${ROUTE}/${ROUTE}?x=1")); }},
      {"url without placeholder is kept", std::nullopt, L"-downloadurl=http://a/b", [](const auto& c) { EXPECT_EQ(c.DownloadUrl, L"http://a/b"); }},
      {"strings and numbers", std::nullopt, L"-dlappnamesuffix=.x -dlappversion=9 -language=2 -downloadscale=0.25 -downloadtype=+4z",
       [](const auto& c) {
         EXPECT_EQ(c.DlAppNameSuffix, L".x");
         EXPECT_EQ(c.DlAppVersion, L"9");
         EXPECT_EQ(c.Language, 2);
         EXPECT_DOUBLE_EQ(c.DownloadScale, 0.25);
         EXPECT_EQ(c.DownloadType, 4);
       }},
      {"long switch value is kept whole", std::nullopt, L"-instcmd=" + std::wstring(900, L'k'),
       [](const auto& c) { EXPECT_EQ(c.InstCmd, std::wstring(900, L'k')); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.check(Configure(c));
  }
}

TEST(InstallerConfig, IniIsReadBesideTheExecutableWhateverItsName) {
  const Case c{"renamed", "[Install]\nDownloadType=2\n", L"", nullptr};
  const InstallerConfig config = Configure(c, L"Quorrin-setup (2).exe");
  EXPECT_EQ(config.ExeFileName, L"Quorrin-setup (2).exe");
  EXPECT_EQ(config.DownloadType, 2);
}

TEST(InstallerConfig, Utf16IniFileWithByteOrderMark) {
  std::wstring text = L"[Install]\r\nInstCmd=/D=C:\\\x4E2D\x6587\r\n";
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  const Case c{"utf-16", bytes, L"", nullptr};
  EXPECT_EQ(Configure(c).InstCmd, L"/D=C:\\\x4E2D\x6587");
}

TEST(InstallerConfig, UnreadableIniIsLikeAnEmptyOne) {
  testsupport::TempDir dir;
  std::filesystem::create_directory(dir.Path() / "ZelkorInstallerConfig.ini");
  InstallerConfig config;
  LoadInstallerIni(config, Utils::JoinPath(dir.WPath(), L"TaveloInstaller.exe"));
  EXPECT_EQ(config.DownloadType, 1);
  EXPECT_DOUBLE_EQ(config.DownloadScale, 0.7);
}

TEST(NumberText, LeadingNumbers) {
  const std::pair<std::wstring, std::optional<std::int32_t>> ints[] = {
      {L"12", 12}, {L"  -7x", -7}, {L"+3", 3}, {L"x3", std::nullopt}, {L"", std::nullopt},
      {L"-", std::nullopt}, {L"2147483647", kMax}, {L"2147483648", kMax}, {L"-2147483648", kMin},
      {L"-99999999999999999999999", kMin}, {L"0x10", 0}};
  for (const auto& [text, expected] : ints) {
    std::int32_t value = 42;
    EXPECT_EQ(ParseLeadingInt32(text, value), expected.has_value()) << std::string(text.begin(), text.end());
    EXPECT_EQ(value, expected.value_or(42));
  }
  const std::pair<std::wstring, std::optional<double>> doubles[] = {
      {L"0.5abc", 0.5}, {L" .25", 0.25}, {L"1e-3", 0.001}, {L"2e", 2.0}, {L"-1.5E+1", -15.0},
      {L"abc", std::nullopt}, {L".", std::nullopt}, {L"inf", std::nullopt}, {L"nan", std::nullopt}};
  for (const auto& [text, expected] : doubles) {
    double value = 42;
    const DoubleParse result = ParseLeadingDouble(text, value);
    EXPECT_EQ(result == DoubleParse::kParsed, expected.has_value()) << std::string(text.begin(), text.end());
    EXPECT_DOUBLE_EQ(value, expected.value_or(42));
  }
  double value = 42;
  EXPECT_EQ(ParseLeadingDouble(L"1e999", value), DoubleParse::kNotFinite);
  EXPECT_EQ(ParseLeadingDouble(L"-1e999", value), DoubleParse::kNotFinite);
  EXPECT_DOUBLE_EQ(value, 42);
}
