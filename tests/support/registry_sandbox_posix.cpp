// POSIX registry sandbox: XDG_CONFIG_HOME moved to a temporary folder for the test's life.
#include <cstdlib>
#include <optional>
#include <string>

#include "tests/support/registry_sandbox.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

struct RegistrySandbox::State {
  TempDir dir;
  std::optional<std::string> previous;
};

RegistrySandbox::RegistrySandbox() : state_(std::make_unique<State>()) {
  if (const char* old = std::getenv("XDG_CONFIG_HOME")) state_->previous = old;
  setenv("XDG_CONFIG_HOME", state_->dir.Path().c_str(), 1);
}

RegistrySandbox::~RegistrySandbox() {
  if (state_->previous) setenv("XDG_CONFIG_HOME", state_->previous->c_str(), 1);
  else unsetenv("XDG_CONFIG_HOME");
}

}  // namespace testsupport
