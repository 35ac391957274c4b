// Fuzz target of "language.json": any bytes as the file. Texts register or nothing does; an
// id that was registered reads back the same text it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "toolkit/language_table.h"
#include "ui/localisation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SkinUI::ClearLanguageTexts();
  const std::string_view json(reinterpret_cast<const char*>(data), size);
  if (!RegisterLanguageTexts(json, "en-US")) {
    if (!SkinUI::GetLanguageText(L"0").empty()) std::abort();  // a failed parse registers nothing
    return 0;
  }
  // The same file once more gives the same texts.
  const std::wstring first = SkinUI::GetLanguageText(L"1");
  if (!RegisterLanguageTexts(json, "en-US") || SkinUI::GetLanguageText(L"1") != first) std::abort();
  return 0;
}
