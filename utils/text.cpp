// Portable string helpers.
#include "utils/text.h"

#include <cwctype>

namespace Utils {

std::wstring Trim(const std::wstring& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && std::iswspace(static_cast<wint_t>(text[begin]))) ++begin;
  while (end > begin && std::iswspace(static_cast<wint_t>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& pattern, const std::wstring& replacement) {
  if (pattern.empty()) return text;
  std::size_t at = 0;
  while ((at = text.find(pattern, at)) != std::wstring::npos) {
    text.replace(at, pattern.size(), replacement);
    at += replacement.size();
  }
  return text;
}

}  // namespace Utils
