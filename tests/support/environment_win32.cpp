// Windows environment variables: the process block that CreateProcess hands to children.
#include <windows.h>

#include <vector>

#include "tests/support/environment.h"

namespace testsupport {

std::optional<std::string> GetEnvironment(const std::string& name) {
  const DWORD size = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (size == 0) return std::nullopt;
  std::vector<char> value(size);
  const DWORD got = GetEnvironmentVariableA(name.c_str(), value.data(), size);
  return std::string(value.data(), got < size ? got : 0);
}

void SetEnvironment(const std::string& name, const std::optional<std::string>& value) {
  SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
}

}  // namespace testsupport
