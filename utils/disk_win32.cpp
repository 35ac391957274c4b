// Windows free space: GetDiskFreeSpaceExW.
#include <windows.h>

#include <cwctype>

#include "utils/disk.h"

namespace Utils::disk_detail {

bool QueryDiskSpace(const std::wstring& directory, std::uint64_t& available, std::uint64_t& total,
                    std::uint64_t& totalFree, long& errorCode) {
  if (directory.empty()) {  // an empty text would silently mean the current directory
    errorCode = ERROR_INVALID_NAME;
    return false;
  }
  ULARGE_INTEGER a{}, t{}, f{};
  if (!GetDiskFreeSpaceExW(directory.c_str(), &a, &t, &f)) {
    errorCode = static_cast<long>(GetLastError());
    return false;
  }
  available = a.QuadPart;
  total = t.QuadPart;
  totalFree = f.QuadPart;
  return true;
}

}  // namespace Utils::disk_detail

namespace Utils {

std::wstring DriveOf(const std::wstring& path) {
  if (path.size() >= 2 && path[1] == L':' && std::iswalpha(path[0])) return path.substr(0, 2);
  return L"";
}

}  // namespace Utils
