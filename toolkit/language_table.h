// The process-wide multi-language table: texts registered under ids, which a control text
// "%[id]" refers to.
#pragma once

#include <string>

namespace SkinUI {

// Registers text under id, replacing an earlier one.
void SetLanguageText(const std::wstring& id, const std::wstring& text);
// The text under id, or "" when none is registered.
std::wstring GetLanguageText(const std::wstring& id);
void ClearLanguageTexts();

// text itself, or the registered text when text is a reference "%[id]".
std::wstring ResolveLanguageText(const std::wstring& text);

}  // namespace SkinUI
