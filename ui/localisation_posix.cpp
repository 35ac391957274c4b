// The system's interface language on POSIX: the locale that messages are shown in, as the C
// library chooses it (LC_ALL, then LC_MESSAGES, then LANG; the first one set and not empty),
// mapped to the Windows language identifier of that locale.
#include <cstdlib>

#include "ui/system_language.h"

namespace localisation_detail {

unsigned SystemUiLanguageId() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return LangIdForLocaleName(value);
  }
  return kLangIdEnglishUs;  // no locale chosen: the C locale, whose messages are English
}

}  // namespace localisation_detail
