// Windows file operations.
#include <windows.h>

#include <cstdio>
#include <string>

#include "utils/file_ops.h"

namespace Utils {

bool DeleteFileAt(const std::wstring& path) {
  if (DeleteFileW(path.c_str())) return true;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool MoveFileTo(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != FALSE;
}

std::int64_t FileSizeAt(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

UniqueFile OpenFile(const std::wstring& path, const char* mode) {
  if (path.empty() || mode == nullptr) return nullptr;
  const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));  // ASCII letters
  return UniqueFile(_wfopen(path.c_str(), wideMode.c_str()));
}

int SeekFile(std::FILE* file, std::int64_t offset) { return _fseeki64(file, offset, SEEK_SET); }

std::int64_t TellFile(std::FILE* file) { return _ftelli64(file); }

}  // namespace Utils
