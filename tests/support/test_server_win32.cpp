// Under Wine the servers run on the Linux host, whose root is drive Z:.
#include <string>

#include "utils/text.h"

namespace testsupport {
std::wstring HostPathToLocal(const std::string& hostPath) {
  std::wstring path = L"Z:" + Utils::ToWide(hostPath, Utils::kCodePageUtf8);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}
}  // namespace testsupport
