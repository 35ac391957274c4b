// The system language on POSIX: the locale variables in the order the C library reads them
// for messages, mapped through the language identifier to the language list.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/environment.h"
#include "ui/localisation.h"

TEST(SystemLanguagePosix, TheLocaleOfMessagesNamesTheLanguage) {
  const struct {
    const char* lcAll;  // "" : unset
    const char* lcMessages;
    const char* lang;
    const wchar_t* code;
  } cases[] = {
      {"", "", "fr_FR.UTF-8", L"fr-FR"},
      {"", "", "es_MX", L"es-ES"},
      {"", "", "zh_CN.UTF-8", L"en-US"},  // Chinese (PRC) is not in the table
      {"", "", "nl_BE", L"nl-NL"},
      {"", "ja_JP.UTF-8", "fr_FR.UTF-8", L"ja-JP"},
      {"de_DE.UTF-8", "ja_JP.UTF-8", "fr_FR.UTF-8", L"de-DE"},
      {"", "", "C.UTF-8", L"en-US"},
      {"", "", "", L"en-US"},  // no locale at all
  };
  for (const auto& c : cases) {
    testsupport::ScopedEnvironment lcAll("LC_ALL", c.lcAll);
    testsupport::ScopedEnvironment lcMessages("LC_MESSAGES", c.lcMessages);
    testsupport::ScopedEnvironment lang("LANG", c.lang);
    const int index = DetectSystemLanguage();
    ASSERT_GE(index, 0);
    ASSERT_LT(index, 14);
    EXPECT_EQ(LanguageCodes()[static_cast<std::size_t>(index)], c.code)
        << "LC_ALL=" << c.lcAll << " LC_MESSAGES=" << c.lcMessages << " LANG=" << c.lang;
  }
}
