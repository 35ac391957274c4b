// Free space on the volume that holds a directory.
#pragma once

#include <cstdint>
#include <string>

namespace Utils {

class HardDiskManager {
 public:
  virtual ~HardDiskManager() = default;

  // Asks for the three sizes of the volume holding `directory`; on success stores them and
  // returns true, on failure logs the system error code and returns false.
  bool CheckFreeSpace(const std::wstring& directory);

  std::uint64_t FreeBytesAvailableToCaller() const { return freeBytesAvailable_; }
  std::uint64_t TotalBytes() const { return totalBytes_; }
  std::uint64_t TotalFreeBytes() const { return totalFreeBytes_; }

 private:
  std::uint64_t freeBytesAvailable_ = 0;
  std::uint64_t totalBytes_ = 0;
  std::uint64_t totalFreeBytes_ = 0;
};

// The volume a path lies on as the free-space query takes it: its drive ("C:") on Windows,
// "" for a path without one (a network path); the path itself on POSIX.
std::wstring DriveOf(const std::wstring& path);
// Free space available to the caller on the volume of path, in units of 2^30 bytes; 0 when
// it cannot be read.
double FreeGigabytesOn(const std::wstring& path);

namespace disk_detail {
// Platform query; errorCode is the system's error number on failure.
bool QueryDiskSpace(const std::wstring& directory, std::uint64_t& available, std::uint64_t& total,
                    std::uint64_t& totalFree, long& errorCode);
}  // namespace disk_detail

}  // namespace Utils
