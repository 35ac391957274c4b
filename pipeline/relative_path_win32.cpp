// Windows folder comparison: the relative path from one folder to the other
// (PathRelativePathToW, both taken as folders) is ".".
#include <windows.h>

#include <shlwapi.h>

#include <cwchar>

#include "pipeline/install_record.h"

namespace pipeline::record_detail {

bool IsSameDirectory(const std::wstring& fromDir, const std::wstring& toDir) {
  // The function copies at most MAX_PATH characters of each path, so two longer paths could
  // be cut to the same text: they are never taken for the same folder.
  if (fromDir.size() >= MAX_PATH || toDir.size() >= MAX_PATH) return false;
  wchar_t relative[MAX_PATH] = {};
  if (!PathRelativePathToW(relative, fromDir.c_str(), FILE_ATTRIBUTE_DIRECTORY, toDir.c_str(),
                           FILE_ATTRIBUTE_DIRECTORY)) {
    return false;  // no common root, or an empty path
  }
  return std::wcscmp(relative, L".") == 0;
}

}  // namespace pipeline::record_detail
