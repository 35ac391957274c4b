// POSIX has no COM.
#include "tests/support/com_scope.h"

namespace testsupport {
ComScope::ComScope() = default;
ComScope::~ComScope() = default;
}  // namespace testsupport
