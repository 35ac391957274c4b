// Strict UTF-8 codec between bytes and wide text (UTF-16 or UTF-32, whichever wchar_t is).
#pragma once

#include <cstddef>
#include <string>

namespace Utils {

// Appends the UTF-8 form of text; a character that is not a valid code point (a lone
// surrogate) becomes U+FFFD. Used where a line must go out whatever it holds.
void AppendUtf8(std::string& out, const wchar_t* text, std::size_t length);

// Appends the UTF-8 form of one code point up to U+10FFFF, as it is: a surrogate too (which
// strict UTF-8 would refuse), for readers that must keep one as they found it.
void AppendCodePointUtf8(std::string& out, char32_t codePoint);

// Strict conversions: false on an invalid sequence, a lone surrogate or an overlong form.
bool Utf8ToWide(const std::string& in, std::wstring& out);
bool WideToUtf8(const std::wstring& in, std::string& out);

}  // namespace Utils
