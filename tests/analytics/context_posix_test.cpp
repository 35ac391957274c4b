// Device and user state on POSIX: the locale from the environment, the per-user data folder,
// the claimed Windows version, and UTF-8 file names any script can spell.
#include <gtest/gtest.h>

#include <filesystem>

#include "analytics/device_info.h"
#include "analytics/tracker_context.h"
#include "tests/support/environment.h"
#include "tests/analytics/utf8_path.h"
#include "tests/support/temp_dir.h"
#include "utils/text.h"

namespace fs = std::filesystem;
using namespace usage::zelkor;
using testsupport::Utf8Path;

TEST(PosixDevice, SystemLocaleFromLcAllThenLang) {
  struct Case {
    const char* lcAll;  // "" unsets
    const char* lang;
    const char* locale;  // "" when none can be had
  };
  const Case cases[] = {
      {"de_AT.UTF-8", "en_US.UTF-8", "de_AT"},
      {"", "pt_BR.UTF-8", "pt_BR"},
      {"C", "pt_BR.UTF-8", ""},  // LC_ALL overrides LANG, even when it names no country
      {"", "", ""},
  };
  for (const Case& c : cases) {
    const testsupport::ScopedEnvironment lcAll("LC_ALL", c.lcAll);
    const testsupport::ScopedEnvironment lang("LANG", c.lang);
    std::string language = "-", country = "-", locale = "-";
    EXPECT_EQ(systemLocale(language, country, locale), *c.locale != '\0') << c.lcAll << " " << c.lang;
    if (*c.locale == '\0') {
      EXPECT_EQ(language + country + locale, "---") << "a failed query changes nothing";
      EXPECT_EQ(trackerLocaleTexts("").locale, "");
      continue;
    }
    EXPECT_EQ(locale, c.locale);
    EXPECT_EQ(language + "_" + country, c.locale);
  }
}

TEST(PosixDevice, BaseFolderIsThePerUserDataFolder) {
  const testsupport::TempDir temp;
  {
    const testsupport::ScopedEnvironment xdg("XDG_DATA_HOME", Utf8Path(temp.Path() / "xdg" / "data") + "/");
    EXPECT_EQ(baseFolder(), Utf8Path(temp.Path() / "xdg" / "data"));
    EXPECT_TRUE(fs::is_directory(temp.Path() / "xdg" / "data")) << "made when missing";
  }
  const testsupport::ScopedEnvironment home("HOME", Utf8Path(temp.Path()));
  for (const char* ignored : {"", "relative/data"}) {
    const testsupport::ScopedEnvironment xdg("XDG_DATA_HOME", ignored);
    EXPECT_EQ(baseFolder(), Utf8Path(temp.Path() / ".local" / "share")) << ignored;
  }
  // A home that is a file leaves no folder to use.
  const testsupport::ScopedEnvironment xdg("XDG_DATA_HOME", "");
  const testsupport::ScopedEnvironment fileHome("HOME", Utf8Path(temp.Write("home-file", "x")));
  EXPECT_EQ(baseFolder(), "");
}

TEST(PosixDevice, ClaimedWindowsVersionNamesTheSystem) {
  struct Case {
    const char* claim;  // "" unsets
    bool known;
    const char* text;
  };
  const Case cases[] = {{"6.1.7601", true, "7"}, {"10.0.22631", true, "11"}, {"", false, "XP-"}, {"ten", false, "XP-"}};
  for (const Case& c : cases) {
    const testsupport::ScopedEnvironment claim("TAVELO_WINDOWS_VERSION", c.claim);
    std::uint32_t major = 9, minor = 9, build = 9;
    EXPECT_EQ(ntVersion(major, minor, build), c.known) << c.claim;
    std::string name, version;
    osTexts(name, version);
    EXPECT_EQ(version, c.text) << c.claim;
    EXPECT_EQ(userAgent(), std::string("Mozilla/5.0(Windows ") + c.text + "; Win64;)");
  }
}

TEST(PosixDevice, ConfigurationFileInAFolderOfAnyScript) {
  const testsupport::TempDir temp;
  const fs::path folder = temp.Path() / testsupport::FsPath(testsupport::kNameOutsideAnsiCodePage);
  ASSERT_TRUE(ensureDirectory(Utf8Path(folder)));
  TrackerContext first;
  first.reset("");
  first.configPath = Utf8Path(folder / "Tavelo_QOSConfigure.ini");
  first.load();
  ASSERT_TRUE(fs::exists(folder / "Tavelo_QOSConfigure.ini"));
  TrackerContext second;
  second.reset("");
  second.configPath = first.configPath;
  second.load();
  EXPECT_EQ(second.distinctId, first.distinctId);
}
