// The servers run on this machine: host paths are local paths.
#include <string>

#include "utils/text.h"

namespace testsupport {
std::wstring HostPathToLocal(const std::string& hostPath) { return Utils::ToWide(hostPath, Utils::kCodePageUtf8); }
bool RunningUnderWine() { return false; }
}  // namespace testsupport
