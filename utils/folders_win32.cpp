// Windows folder primitives.
#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "utils/folders.h"

namespace Utils {

wchar_t PathSeparator() { return L'\\'; }
// Windows accepts both separators in paths.
bool IsPathSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring GetExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

bool DirectoryExists(const std::wstring& path) {
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PathExists(const std::wstring& path) {
  return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring EnvironmentValue(const std::wstring& name) {
  std::vector<wchar_t> value(kMaxPathLength);
  while (true) {
    const DWORD length = GetEnvironmentVariableW(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) return L"";
    if (length < value.size()) return std::wstring(value.data(), length);
    value.resize(length);  // the length needed, with its terminator
  }
}

std::wstring ProgramFilesFolder() {
  wchar_t path[MAX_PATH] = {};
  if (SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAM_FILESX86, FALSE)) return path;
  if (SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAM_FILES, FALSE)) return path;
  return L"";
}

namespace folders_detail {

bool MakeOneDirectory(const std::wstring& path) {
  if (CreateDirectoryW(path.c_str(), nullptr)) return true;
  // Another process may have made it in between.
  return GetLastError() == ERROR_ALREADY_EXISTS && DirectoryExists(path);
}

std::wstring UserTempFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  if (n == 0 || n > MAX_PATH) return {};
  return std::wstring(buffer, n);
}

}  // namespace folders_detail
}  // namespace Utils
