// The test root in the local machine's "Root" store (under Wine: the project's prefix),
// deleted again when the test ends.
#include <windows.h>
// After windows.h:
#include <wincrypt.h>

#include <vector>

#include "tests/support/trusted_root.h"
#include "utils/file_ops.h"

namespace testsupport {
namespace {

HCERTSTORE OpenRootStore() {
  return CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
}

}  // namespace

TrustedTestRoot::TrustedTestRoot(const std::wstring& derFile) {
  std::vector<unsigned char> der(64 * 1024);
  Utils::UniqueFile file = Utils::OpenFile(derFile, "rb");
  if (!file) return;
  der.resize(std::fread(der.data(), 1, der.size(), file.get()));
  HCERTSTORE store = OpenRootStore();
  if (store == nullptr) return;
  PCCERT_CONTEXT added = nullptr;
  if (CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                       CERT_STORE_ADD_REPLACE_EXISTING, &added)) {
    context_ = added;
  }
  CertCloseStore(store, 0);
}

TrustedTestRoot::~TrustedTestRoot() {
  // Deleting frees the context as well; a root left behind only trusts a test certificate.
  if (context_ != nullptr) (void)CertDeleteCertificateFromStore(static_cast<PCCERT_CONTEXT>(context_));
}

bool TrustedTestRoot::SystemChecksSignatures() { return true; }

}  // namespace testsupport
