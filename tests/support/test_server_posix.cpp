// The servers run on this machine: host paths are local paths.
#include <unistd.h>

#include <string>

#include "utils/text.h"

namespace testsupport {
std::wstring HostPathToLocal(const std::string& hostPath) { return Utils::ToWide(hostPath, Utils::kCodePageUtf8); }
unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }
bool RunningUnderWine() { return false; }
}  // namespace testsupport
