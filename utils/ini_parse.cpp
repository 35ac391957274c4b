// Profile-file lookup over decoded text, with the Windows profile functions' rules.
#include <cwctype>

#include "utils/ini_file.h"
#include "utils/text.h"

namespace Utils::ini_detail {
namespace {

bool SameName(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  }
  return true;
}

// One pair of matching enclosing quotes is dropped.
std::wstring Unquote(const std::wstring& value) {
  if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

bool FindIniValue(const std::wstring& text, const std::wstring& section, const std::wstring& key, std::wstring& value) {
  bool inSection = false;
  bool sectionSeen = false;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    const std::wstring trimmed = Trim(line);
    if (!trimmed.empty() && trimmed.front() == L'[') {
      // Only the first section of that name counts.
      if (inSection) return false;
      const std::size_t close = trimmed.find(L']');
      const std::wstring name = Trim(trimmed.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
      inSection = !sectionSeen && SameName(name, section);
      sectionSeen = sectionSeen || inSection;
      continue;
    }
    if (!inSection || trimmed.empty()) continue;
    const std::size_t equals = trimmed.find(L'=');
    const std::wstring name = Trim(trimmed.substr(0, equals));
    if (!SameName(name, key)) continue;
    value = equals == std::wstring::npos ? std::wstring() : Unquote(Trim(trimmed.substr(equals + 1)));
    return true;
  }
  return false;
}

}  // namespace Utils::ini_detail
