// The system's interface language on Windows: the user's default UI language.
#include <windows.h>

#include "ui/system_language.h"

namespace localisation_detail {

unsigned SystemUiLanguageId() { return GetUserDefaultUILanguage(); }

}  // namespace localisation_detail
