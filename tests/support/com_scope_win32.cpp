// COM apartment for a test thread.
#include <objbase.h>

#include "tests/support/com_scope.h"

namespace testsupport {
ComScope::ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
ComScope::~ComScope() {
  if (initialised_) CoUninitialize();
}
}  // namespace testsupport
