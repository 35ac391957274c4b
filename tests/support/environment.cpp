// Scoped environment variables for tests.
#include "tests/support/environment.h"

namespace testsupport {

ScopedEnvironment::ScopedEnvironment(const std::string& name, const std::string& value)
    : name_(name), previous_(GetEnvironment(name)) {
  SetEnvironment(name, value.empty() ? std::nullopt : std::optional<std::string>(value));
}

ScopedEnvironment::~ScopedEnvironment() { SetEnvironment(name_, previous_); }

}  // namespace testsupport
