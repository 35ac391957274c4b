// POSIX environment variables: setenv and unsetenv.
#include <cstdlib>

#include "tests/support/environment.h"

namespace testsupport {

std::optional<std::string> GetEnvironment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

void SetEnvironment(const std::string& name, const std::optional<std::string>& value) {
  if (value) setenv(name.c_str(), value->c_str(), 1);
  else unsetenv(name.c_str());
}

}  // namespace testsupport
