// Portable folder helpers over the platform's primitives.
#include "utils/folders.h"

namespace Utils {

std::wstring JoinPath(const std::wstring& a, const std::wstring& b) {
  if (a.empty()) return b;
  if (IsPathSeparator(a.back())) return a + b;
  return a + PathSeparator() + b;
}

std::wstring DirectoryOf(const std::wstring& path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (IsPathSeparator(path[i - 1])) return path.substr(0, i - 1);
  }
  return {};
}

std::wstring FileNameOf(const std::wstring& path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (IsPathSeparator(path[i - 1])) return path.substr(i);
  }
  return path;
}

std::wstring GetInstallerTempFolder() {
  const std::wstring base = folders_detail::UserTempFolder();
  if (base.empty()) return {};
  const std::wstring folder = JoinPath(base, L"~ZelkorTemp.92482B06FB471E17") + PathSeparator();
  if (DirectoryExists(folder) || folders_detail::MakeOneDirectory(folder)) return folder;
  return {};
}

bool CreateDirectoryTree(const std::wstring& path) {
  if (path.empty() || path.size() > kMaxPathLength) return false;
  // Every prefix that ends in a separator, then the whole path.
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (!IsPathSeparator(path[i])) continue;
    const std::wstring prefix = path.substr(0, i + 1);
    if (PathExists(prefix)) {
      if (!DirectoryExists(prefix)) return false;
      continue;
    }
    if (!folders_detail::MakeOneDirectory(prefix)) return false;
  }
  if (IsPathSeparator(path.back())) return true;
  if (PathExists(path)) return DirectoryExists(path);
  return folders_detail::MakeOneDirectory(path);
}

}  // namespace Utils
