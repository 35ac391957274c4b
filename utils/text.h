// Text helpers: code-page conversions and small string operations.
#pragma once

#include <string>

namespace Utils {

constexpr unsigned kCodePageAnsi = 0;  // the system's ANSI code page
constexpr unsigned kCodePageUtf8 = 65001;

// Conversions with a code page; an empty text when the conversion fails (undecodable input,
// a character the target code page cannot represent, an unknown code page).
std::wstring ToWide(const std::string& text, unsigned codePage);
std::string ToNarrow(const std::wstring& text, unsigned codePage);

// White space removed at both ends.
std::wstring Trim(const std::wstring& text);

// Every occurrence replaced, scanning on after each inserted replacement (so a replacement
// that contains the pattern terminates). An empty pattern leaves the text unchanged.
std::wstring ReplaceAll(std::wstring text, const std::wstring& pattern, const std::wstring& replacement);

}  // namespace Utils
