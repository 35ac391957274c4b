// Windows device queries: the user default locale through GetLocaleInfoA and the base folder
// through the shell's special folders.
#include <windows.h>
#include <shlobj.h>

#include <memory>

#include "analytics/device_info.h"
#include "utils/text.h"

namespace usage::zelkor {
namespace {

// An item id list from the shell, freed with the task allocator.
struct ItemIdListFree {
  void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};
using UniqueItemIdList = std::unique_ptr<ITEMIDLIST, ItemIdListFree>;

// The ISO names are ASCII, so the narrow query loses nothing.
bool localeName(LCTYPE type, std::string& text) {
  char buffer[16] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof(buffer)) == 0) return false;
  text = buffer;
  return true;
}

int baseFolderId() {
  std::optional<NtVersion> version;
  NtVersion numbers;
  if (ntVersion(numbers.major, numbers.minor, numbers.build)) version = numbers;
  return baseFolderKindFor(version) == BaseFolderKind::kLocalAppData ? CSIDL_LOCAL_APPDATA : CSIDL_COMMON_DOCUMENTS;
}

// The folder's path in its short form, which stays within the ANSI code page on systems
// that keep short names, so the narrow profile functions can reach files below it.
std::wstring shortFolderPath(const ITEMIDLIST* list) {
  wchar_t path[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(list, path)) return {};
  wchar_t shortPath[MAX_PATH] = {};
  const DWORD n = GetShortPathNameW(path, shortPath, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::wstring(shortPath, n);
}

}  // namespace

bool systemLocale(std::string& language, std::string& country, std::string& locale) {
  std::string isoLanguage, isoCountry;
  if (!localeName(LOCALE_SISO639LANGNAME, isoLanguage) || !localeName(LOCALE_SISO3166CTRYNAME, isoCountry)) {
    return false;
  }
  language = isoLanguage;
  country = isoCountry;
  locale = isoLanguage + "_" + isoCountry;
  return true;
}

std::string baseFolder() {
  LPITEMIDLIST raw = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, baseFolderId(), &raw)) || raw == nullptr) return {};
  const UniqueItemIdList list(raw);
  const std::wstring path = shortFolderPath(list.get());
  return path.empty() ? std::string() : Utils::ToNarrow(path, Utils::kCodePageUtf8);
}

}  // namespace usage::zelkor
