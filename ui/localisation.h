// The interface language: the fourteen languages, the system's interface language, the texts
// of "language.json" in the skin archive registered in the toolkit's language table, and the
// language combo box of a skin that has one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace SkinUI {
class Combo;
class SkinWindow;
}  // namespace SkinUI

// The language codes by index ("en-US", "zh-CN", ...); built on first use.
const std::vector<std::wstring>& LanguageCodes();
// The index for a Windows language identifier (0 for one the table lacks).
int LanguageIndexForLangId(unsigned langId);
// The index for the system's interface language.
int DetectSystemLanguage();

// Loads "language.json" from the window's skin archive and registers the texts of one
// language: the one with that code when code is not empty (else the given index). Returns
// the language's index; 0 and nothing registered when the file is missing, empty, over
// 4,194,304 bytes or unreadable.
int LoadLanguageTexts(SkinUI::SkinWindow& window, int index, const std::wstring& code);
// Registers the texts of one language from the bytes of a "language.json": for each element
// of the root, its member `member` (a language code) under its "id". False, and nothing
// registered, when the bytes are no JSON (nesting beyond the reader's limit included).
bool RegisterLanguageTexts(std::string_view json, const std::string& member);
// Loads the language's texts, refreshes the window's texts, refits the labels whose width
// follows their text, and stores the index in the configuration's Language.
void ApplyLanguage(SkinUI::SkinWindow& window, int index);
// The first language of a window with a language combo: the configuration's Language when
// set, else the system's; selected in the combo (with its notification) and applied.
void ChooseInitialLanguage(SkinUI::SkinWindow& window, SkinUI::Combo& combo);
// The language a previous installation recorded in its "config.ini" (its texts loaded).
int GetExistingInstallLanguage(SkinUI::SkinWindow& window, const std::wstring& installDir);
// The code of the combo's selected language; "" without a combo or for an index not listed.
std::wstring GetSelectedLanguageCode(const SkinUI::Combo* combo);
// The text registered under the id, or "".
std::wstring GetLanguageText(int id);
