// POSIX free space: statvfs (blocks available to unprivileged users, all blocks, free blocks).
#include <sys/statvfs.h>

#include <cerrno>

#include "utils/disk.h"
#include "utils/text.h"

namespace Utils::disk_detail {

bool QueryDiskSpace(const std::wstring& directory, std::uint64_t& available, std::uint64_t& total,
                    std::uint64_t& totalFree, long& errorCode) {
  const std::string path = ToNarrow(directory, kCodePageAnsi);
  if (path.empty()) {
    errorCode = EINVAL;
    return false;
  }
  struct statvfs info {};
  if (statvfs(path.c_str(), &info) != 0) {
    errorCode = errno;
    return false;
  }
  const std::uint64_t unit = info.f_frsize != 0 ? info.f_frsize : info.f_bsize;
  available = static_cast<std::uint64_t>(info.f_bavail) * unit;
  total = static_cast<std::uint64_t>(info.f_blocks) * unit;
  totalFree = static_cast<std::uint64_t>(info.f_bfree) * unit;
  return true;
}

}  // namespace Utils::disk_detail

namespace Utils {

// One tree of mounted file systems: the query finds the volume from the path itself.
std::wstring DriveOf(const std::wstring& path) { return path; }

}  // namespace Utils
