// The system's interface language as a Windows language identifier: the platform seam behind
// DetectSystemLanguage, and the portable mapping from a POSIX locale name to an identifier.
#pragma once

#include <string_view>

namespace localisation_detail {

// The identifier of US English, the answer for a language no table knows.
inline constexpr unsigned kLangIdEnglishUs = 1033;

// Platform: the identifier of the user's interface language (GetUserDefaultUILanguage on
// Windows; on POSIX the locale named by LC_ALL, LC_MESSAGES or LANG, the first one set).
unsigned SystemUiLanguageId();

// The identifier for a locale name "language[_territory][.codeset][@modifier]" ("fr_FR.UTF-8",
// "es_MX", "zh-CN"): the language with its territory, else the language's main variant, else
// kLangIdEnglishUs.
unsigned LangIdForLocaleName(std::string_view name);

}  // namespace localisation_detail
