// The interface language: the language list, the system language's place in it, the texts of
// "language.json" registered in the toolkit's language table, the labels refitted after a
// change, and the language a previous installation recorded.
#include "ui/localisation.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "startup/installer_config.h"
#include "toolkit/control.h"
#include "toolkit/controls.h"
#include "toolkit/language_table.h"
#include "toolkit/skin_window.h"
#include "ui/language_json.h"
#include "ui/system_language.h"
#include "utils/folders.h"
#include "utils/ini_file.h"
#include "utils/text.h"

namespace {

// "language.json" is read only up to this size.
constexpr std::size_t kMaxLanguageFileBytes = 4194304;

// The labels whose width follows their text.
constexpr const wchar_t* kFittedLabels[] = {L"lbLanguage", L"lbInstallPath", L"backBtn"};

bool IsListed(int index) { return index >= 0 && static_cast<std::size_t>(index) < LanguageCodes().size(); }

// The index of the language whose code equals code in the ANSI code page, or -1. A code the
// code page cannot hold converts to nothing and matches no language.
int FindLanguageCode(const std::wstring& code) {
  const std::string wanted = Utils::ToNarrow(code, Utils::kCodePageAnsi);
  if (wanted.empty()) return -1;
  const auto& codes = LanguageCodes();
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (Utils::ToNarrow(codes[i], Utils::kCodePageAnsi) == wanted) return static_cast<int>(i);
  }
  return -1;
}

// Sets the control's fixed width to its text's width in its font plus its left text padding.
void FitWidthToText(SkinUI::SkinWindow& window, const wchar_t* name) {
  SkinUI::Control* control = window.FindControl(name);
  if (control == nullptr) return;  // the skin lacks this label
  const int width = window.Manager().MeasureTextWidth(control->Text(), control->Font());
  control->SetFixedWidth(width + control->TextPadding().left);
}

}  // namespace

const std::vector<std::wstring>& LanguageCodes() {
  static const std::vector<std::wstring> codes{L"en-US", L"zh-CN", L"zh-TW", L"id-ID", L"tr-TR",
                                               L"de-DE", L"fr-FR", L"es-ES", L"pt-PT", L"ja-JP",
                                               L"ko-KR", L"pl-PL", L"nl-NL", L"it-IT"};
  return codes;
}

int LanguageIndexForLangId(unsigned langId) {
  switch (langId) {
    case 1033: return 0;
    case 1028: return 2;
    case 1057: return 3;
    case 1055: return 4;
    case 1031: return 5;
    case 1036: return 6;
    case 1034: case 2058: case 3082: case 4106: case 5130: case 6154: case 7178: case 8202: case 9226:
    case 10250: case 11274: case 12298: case 13322: case 14346: case 15370: case 16394: case 17418:
    case 18442: case 19466: case 20490:
      return 7;
    case 1046: return 8;
    case 1041: return 9;
    case 1042: return 10;
    case 1045: return 11;
    case 1043: case 2067: return 12;
    case 1040: return 13;
    default: return 0;  // Chinese (PRC) 2052 among them
  }
}

int DetectSystemLanguage() { return LanguageIndexForLangId(localisation_detail::SystemUiLanguageId()); }

int LoadLanguageTexts(SkinUI::SkinWindow& window, int index, const std::wstring& code) {
  const std::vector<unsigned char>* file = window.FindSkinFile(L"language.json");
  if (file == nullptr || file->empty() || file->size() > kMaxLanguageFileBytes) return 0;
  // The text ends at its first zero byte, as a zero-terminated text would.
  const char* begin = reinterpret_cast<const char*>(file->data());
  const char* end = std::find(begin, begin + file->size(), '\0');

  // With a code, the language of that code; a code that is not listed keeps the given index
  // and names the member itself, which the file does not hold. Without a code, the index.
  std::string member;
  if (!code.empty()) {
    const int found = FindLanguageCode(code);
    if (found >= 0) index = found;
    member = Utils::ToNarrow(found >= 0 ? LanguageCodes()[static_cast<std::size_t>(found)] : code,
                             Utils::kCodePageUtf8);
  } else {
    if (!IsListed(index)) index = 0;
    member = Utils::ToNarrow(LanguageCodes()[static_cast<std::size_t>(index)], Utils::kCodePageUtf8);
  }

  // Text that is no JSON leaves the skin's own texts.
  static_cast<void>(RegisterLanguageTexts(std::string_view(begin, static_cast<std::size_t>(end - begin)), member));
  return index;
}

bool RegisterLanguageTexts(std::string_view json, const std::string& member) {
  const std::optional<std::vector<language_json::Entry>> entries = language_json::ReadEntries(json, member);
  if (!entries) return false;
  for (const language_json::Entry& entry : *entries) {
    SkinUI::SetLanguageText(std::to_wstring(entry.id), Utils::ToWide(entry.text, Utils::kCodePageUtf8));
  }
  return true;
}

void ApplyLanguage(SkinUI::SkinWindow& window, int index) {
  const int applied = LoadLanguageTexts(window, index, L"");
  window.Manager().RefreshTexts();
  for (const wchar_t* name : kFittedLabels) FitWidthToText(window, name);
  g_InstallerConfig.Language = applied;
}

void ChooseInitialLanguage(SkinUI::SkinWindow& window, SkinUI::Combo& combo) {
  const int index = g_InstallerConfig.Language != -1 ? g_InstallerConfig.Language : DetectSystemLanguage();
  // An index the combo does not hold selects nothing; the language is applied all the same.
  static_cast<void>(combo.SelectItem(index, true));
  ApplyLanguage(window, index);
}

int GetExistingInstallLanguage(SkinUI::SkinWindow& window, const std::wstring& installDir) {
  const std::wstring configPath = Utils::JoinPath(installDir, L"config.ini");
  // Without the file there is no code; a file without the key stands for English.
  const std::wstring code =
      Utils::PathExists(configPath) ? Utils::ReadIniString(configPath, L"Install", L"Language", L"en-US") : L"";
  return LoadLanguageTexts(window, 0, code);
}

std::wstring GetSelectedLanguageCode(const SkinUI::Combo* combo) {
  if (combo == nullptr) return L"";
  const int selected = combo->CurrentSel();
  return IsListed(selected) ? LanguageCodes()[static_cast<std::size_t>(selected)] : L"";
}

std::wstring GetLanguageText(int id) { return SkinUI::GetLanguageText(std::to_wstring(id)); }

namespace localisation_detail {
namespace {

struct LocaleLangId {
  std::string_view language;
  std::string_view territory;
  unsigned langId;
};

// Locales by language and territory; the first row of a language is its main variant, taken
// for a territory the table lacks or for the language alone.
constexpr LocaleLangId kLocaleLangIds[] = {
    {"en", "US", 1033}, {"en", "GB", 2057}, {"en", "AU", 3081}, {"en", "CA", 4105}, {"en", "NZ", 5129},
    {"en", "IE", 6153}, {"en", "ZA", 7177}, {"en", "IN", 16393}, {"en", "SG", 18441},
    {"zh", "CN", 2052}, {"zh", "TW", 1028}, {"zh", "HK", 3076}, {"zh", "SG", 4100}, {"zh", "MO", 5124},
    {"id", "ID", 1057},
    {"tr", "TR", 1055},
    {"de", "DE", 1031}, {"de", "CH", 2055}, {"de", "AT", 3079}, {"de", "LU", 4103}, {"de", "LI", 5127},
    {"fr", "FR", 1036}, {"fr", "BE", 2060}, {"fr", "CA", 3084}, {"fr", "CH", 4108}, {"fr", "LU", 5132},
    {"fr", "MC", 6156},
    {"es", "ES", 3082}, {"es", "MX", 2058}, {"es", "GT", 4106}, {"es", "CR", 5130}, {"es", "PA", 6154},
    {"es", "DO", 7178}, {"es", "VE", 8202}, {"es", "CO", 9226}, {"es", "PE", 10250}, {"es", "AR", 11274},
    {"es", "EC", 12298}, {"es", "CL", 13322}, {"es", "UY", 14346}, {"es", "PY", 15370}, {"es", "BO", 16394},
    {"es", "SV", 17418}, {"es", "HN", 18442}, {"es", "NI", 19466}, {"es", "PR", 20490}, {"es", "US", 21514},
    {"pt", "BR", 1046}, {"pt", "PT", 2070},
    {"ja", "JP", 1041},
    {"ko", "KR", 1042},
    {"pl", "PL", 1045},
    {"nl", "NL", 1043}, {"nl", "BE", 2067},
    {"it", "IT", 1040}, {"it", "CH", 2064},
    {"ru", "RU", 1049}, {"uk", "UA", 1058}, {"ar", "SA", 1025}, {"th", "TH", 1054}, {"vi", "VN", 1066},
    {"cs", "CZ", 1029}, {"sv", "SE", 1053}, {"da", "DK", 1030}, {"fi", "FI", 1035}, {"nb", "NO", 1044},
    {"el", "GR", 1032}, {"hu", "HU", 1038}, {"he", "IL", 1037}, {"ro", "RO", 1048},
};

// ASCII letters folded to one case, whatever the C locale.
std::string Folded(std::string_view text, bool upper) {
  std::string out(text);
  for (char& c : out) {
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace

unsigned LangIdForLocaleName(std::string_view name) {
  // The codeset and the modifier do not change the language.
  name = name.substr(0, name.find_first_of(".@"));
  const std::size_t split = name.find_first_of("_-");
  const std::string language = Folded(name.substr(0, split), false);
  const std::string territory = split == std::string_view::npos ? std::string() : Folded(name.substr(split + 1), true);

  const LocaleLangId* mainVariant = nullptr;
  for (const LocaleLangId& row : kLocaleLangIds) {
    if (row.language != language) continue;
    if (row.territory == territory) return row.langId;
    if (mainVariant == nullptr) mainVariant = &row;
  }
  return mainVariant != nullptr ? mainVariant->langId : kLangIdEnglishUs;
}

}  // namespace localisation_detail
