// Profile-file lookup and edit over decoded text, with the observable rules of the Windows
// profile functions (GetPrivateProfileStringW, WritePrivateProfileStringW), so the POSIX
// reader and writer give the same answers.
#include <string_view>

#include "utils/ini_file.h"

namespace Utils::ini_detail {
namespace {

// The profile functions trim only the ASCII blanks (tab, line feed, vertical tab, form
// feed, carriage return, space); Unicode spaces such as U+00A0 or U+3000 are kept.
bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

std::wstring_view TrimBlanks(std::wstring_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Names and values are kept as C strings: whatever follows a NUL is not part of them.
// Trimming comes first, so "ab \0cd" keeps its blank ("ab ").
std::wstring_view UpToNul(std::wstring_view text) { return text.substr(0, text.find(L'\0')); }

std::wstring_view NameOf(std::wstring_view text) { return UpToNul(TrimBlanks(text)); }

// Only A-Z and a-z are folded; other letters (U+00C4 and U+00E4) stay distinct.
wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool SameName(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

// The line a located key stands on, blanks trimmed.
std::wstring_view KeyLine(const std::wstring& text, const IniKeySpot& spot) {
  return TrimBlanks(std::wstring_view(text).substr(spot.lineBegin, spot.lineEnd - spot.lineBegin));
}

// The line end the file already uses (the first one in it), else CR LF as Windows writes.
std::wstring_view LineEndOf(std::wstring_view text) {
  const std::size_t at = text.find_first_of(L"\r\n");
  if (at == std::wstring_view::npos) return L"\r\n";
  if (text.compare(at, 2, L"\r\n") == 0) return L"\r\n";
  return text[at] == L'\r' ? L"\r" : L"\n";
}

}  // namespace

IniKeySpot LocateIniKey(const std::wstring& text, const std::wstring& section, const std::wstring& key) {
  // The names asked for are C strings too, trimmed like the names in the file.
  const std::wstring_view wantedSection = NameOf(section);
  const std::wstring_view wantedKey = NameOf(key);
  IniKeySpot spot;
  // Lines before the first header form a nameless section that always comes first, so an
  // empty section name finds them and never a later "[]" header.
  bool inSection = wantedSection.empty();
  spot.sectionFound = inSection;
  const std::wstring_view all(text);
  std::size_t start = 0;
  while (start < all.size()) {
    // A carriage return or a line feed ends a line, alone or in any combination; a NUL
    // does not.
    std::size_t end = all.find_first_of(L"\r\n", start);
    if (end == std::wstring_view::npos) end = all.size();
    const std::size_t lineBegin = start;
    const std::wstring_view line = TrimBlanks(all.substr(start, end - start));
    start = end + 1;
    if (line.empty()) continue;
    // A header needs both brackets: its name runs to the last ']' on the line and the text
    // after that is ignored. "[name" without ']' is an ordinary key line.
    const std::size_t close = line.front() == L'[' ? line.rfind(L']') : std::wstring_view::npos;
    if (close != std::wstring_view::npos) {
      // Only the first section of a name counts, so its end ends the search.
      if (inSection) return spot;
      inSection = SameName(NameOf(line.substr(1, close - 1)), wantedSection);
      if (inSection) {
        spot.sectionFound = true;
        spot.sectionEnd = end;
      }
      continue;
    }
    if (!inSection) continue;
    spot.sectionEnd = end;
    // The first line of the key wins, with or without '='.
    if (!SameName(NameOf(line.substr(0, line.find(L'='))), wantedKey)) continue;
    spot.keyFound = true;
    spot.lineBegin = lineBegin;
    spot.lineEnd = end;
    return spot;
  }
  return spot;
}

bool FindIniValue(const std::wstring& text, const std::wstring& section, const std::wstring& key, std::wstring& value) {
  const IniKeySpot spot = LocateIniKey(text, section, key);
  if (!spot.keyFound) return false;
  // A key line without '=' has no value, so the caller's fallback applies even when a later
  // line gives the key a value.
  const std::wstring_view line = KeyLine(text, spot);
  const std::size_t equals = line.find(L'=');
  if (equals == std::wstring_view::npos) return false;
  value = std::wstring(NameOf(line.substr(equals + 1)));
  return true;
}

std::wstring IniFallback(const std::wstring& fallback) {
  // Trailing spaces (not tabs) are dropped, but never the first character, so "  " gives " ".
  std::wstring_view text = UpToNul(fallback);
  while (text.size() > 1 && text.back() == L' ') text.remove_suffix(1);
  return std::wstring(text);
}

std::wstring CopyIniValue(const std::wstring& value, std::size_t capacity) {
  if (capacity == 0) return {};
  const std::wstring_view text = UpToNul(value);
  const bool quoted = text.size() >= 2 && (text.front() == L'"' || text.front() == L'\'') && text.back() == text.front();
  if (!quoted) return std::wstring(text.substr(0, capacity - 1));
  // The opening quote is skipped and the rest, closing quote included, is cut to the
  // buffer; the last character copied is then dropped whenever the buffer holds at least
  // as many characters as that rest. So the closing quote goes when it fits, and when the
  // buffer is exactly one short of it the last inner character goes instead ("ab" in a
  // buffer of 3 gives "a"), as Windows does.
  const std::wstring_view rest = text.substr(1);
  std::wstring copied(rest.substr(0, capacity - 1));
  if (capacity >= rest.size() && !copied.empty()) copied.pop_back();
  return copied;
}

std::wstring SetIniValue(const std::wstring& text, const std::wstring& section, const std::wstring& key,
                         const std::wstring& value) {
  const std::wstring_view lineEnd = LineEndOf(text);
  const std::wstring_view setValue = UpToNul(value);
  const IniKeySpot spot = LocateIniKey(text, section, key);
  std::wstring out = text;
  if (spot.keyFound) {
    // The line keeps the key's name as the file spells it; only the value changes.
    const std::wstring_view line = KeyLine(text, spot);
    std::wstring entry(TrimBlanks(line.substr(0, line.find(L'='))));
    entry.append(L"=").append(setValue);
    return out.replace(spot.lineBegin, spot.lineEnd - spot.lineBegin, entry);
  }
  std::wstring entry(NameOf(key));
  entry.append(L"=").append(setValue);
  if (spot.sectionFound) {
    // After the section's last line, so blank lines before the next header stay there.
    return out.insert(spot.sectionEnd, std::wstring(lineEnd) + entry);
  }
  if (!out.empty() && out.back() != L'\r' && out.back() != L'\n') out.append(lineEnd);
  out.append(L"[").append(NameOf(section)).append(L"]").append(lineEnd);
  return out.append(entry).append(lineEnd);
}

}  // namespace Utils::ini_detail
