// Fuzz target of "language.json": any bytes as the file. The installer's reader takes the same
// texts from them as jsoncpp's reader, which read the file before, or finds no JSON where it
// does; texts register or nothing does, and the same file twice gives the same texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tests/support/language_entries_reference.h"
#include "toolkit/language_table.h"
#include "ui/language_json.h"
#include "ui/localisation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view json(reinterpret_cast<const char*>(data), size);
  // A language code, and a code that names the id itself.
  for (const std::string member : {"en-US", "id"}) {
    if (language_json::ReadEntries(json, member) != ReferenceLanguageEntries(json, member)) std::abort();
  }

  SkinUI::ClearLanguageTexts();
  if (!RegisterLanguageTexts(json, "en-US")) {
    if (!SkinUI::GetLanguageText(L"0").empty()) std::abort();  // a failed parse registers nothing
    return 0;
  }
  const std::wstring first = SkinUI::GetLanguageText(L"1");
  if (!RegisterLanguageTexts(json, "en-US") || SkinUI::GetLanguageText(L"1") != first) std::abort();
  return 0;
}
