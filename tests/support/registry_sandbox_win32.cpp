// Windows registry sandbox: the test prefix's own registry is the sandbox.
#include "tests/support/registry_sandbox.h"

namespace testsupport {
struct RegistrySandbox::State {};
RegistrySandbox::RegistrySandbox() = default;
RegistrySandbox::~RegistrySandbox() = default;
}  // namespace testsupport
