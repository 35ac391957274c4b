// POSIX folder comparison with the outcome of the Windows relative-path rule: the relative
// path between two folders is "." only when both are written the same way. A separator at
// the end of one of them only makes it "./" or "", and an empty path has no relative path
// at all. Names compare exactly, as the file system compares them.
#include "pipeline/install_record.h"

namespace pipeline::record_detail {

bool IsSameDirectory(const std::wstring& fromDir, const std::wstring& toDir) {
  return !fromDir.empty() && fromDir == toDir;
}

}  // namespace pipeline::record_detail
