// Windows code-page conversions through MultiByteToWideChar and WideCharToMultiByte.
#include <windows.h>

#include "utils/text.h"

namespace Utils {

std::wstring ToWide(const std::string& text, unsigned codePage) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, out.data(), n) != n) return {};
  return out;
}

std::string ToNarrow(const std::wstring& text, unsigned codePage) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  // UTF-8 rejects lone surrogates; other code pages report characters they cannot hold
  // through the default-character flag (which UTF-8 does not accept).
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
  const int n = WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, usedDefaultOut);
  if (n <= 0 || usedDefault) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  if (WideCharToMultiByte(codePage, flags, text.data(), size, out.data(), n, nullptr, usedDefaultOut) != n ||
      usedDefault) {
    return {};
  }
  return out;
}

}  // namespace Utils
