// Windows parts of the installation records: APPDATA or the common documents folder as the
// analytics base, and the C runtime locale.
#include <windows.h>

#include <shlobj.h>

#include <clocale>

#include "pipeline/install_record.h"

namespace pipeline::record_detail {

std::wstring ApplicationDataBase() {
  // APPDATA is taken when it fits a path buffer; a longer value counts as unreadable.
  wchar_t buffer[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableW(L"APPDATA", buffer, MAX_PATH);
  if (n > 0 && n < MAX_PATH) return std::wstring(buffer, n);
  if (SHGetFolderPathW(nullptr, CSIDL_COMMON_DOCUMENTS, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK) return {};
  return buffer;
}

void UseRecordLocale() {
  // The C runtime may not know this locale (the result is then null and the locale stays);
  // nothing the records write depends on it, so the result is not needed.
  static_cast<void>(_wsetlocale(LC_ALL, L"en_GB.UTF-8"));
}

}  // namespace pipeline::record_detail
