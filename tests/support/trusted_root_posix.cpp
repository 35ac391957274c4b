// Nothing here checks Authenticode signatures, so there is no root to trust.
#include "tests/support/trusted_root.h"

namespace testsupport {

TrustedTestRoot::TrustedTestRoot(const std::wstring&) {}
TrustedTestRoot::~TrustedTestRoot() = default;
bool TrustedTestRoot::SystemChecksSignatures() { return false; }

}  // namespace testsupport
