// Free-space check with its failure line.
#include "utils/disk.h"

#include "utils/log.h"

namespace Utils {

bool HardDiskManager::CheckFreeSpace(const std::wstring& directory) {
  std::uint64_t available = 0, total = 0, totalFree = 0;
  long errorCode = 0;
  if (!disk_detail::QueryDiskSpace(directory, available, total, totalFree, errorCode)) {
    TLOG(L"HardDiskManager::CheckFreeSpace FAIL code=%ld\r\n", errorCode);
    return false;
  }
  freeBytesAvailable_ = available;
  totalBytes_ = total;
  totalFreeBytes_ = totalFree;
  return true;
}

double FreeGigabytesOn(const std::wstring& path) {
  HardDiskManager disk;
  if (!disk.CheckFreeSpace(DriveOf(path))) return 0.0;
  return static_cast<double>(disk.FreeBytesAvailableToCaller()) / 1073741824.0;
}

}  // namespace Utils
