// A test root certificate that the system trusts while the object lives, for the checks of
// Authenticode signatures made with it. Only Windows checks such signatures.
#pragma once

#include <string>

namespace testsupport {

class TrustedTestRoot {
 public:
  // Adds the DER certificate in the file to the local machine's trusted roots.
  explicit TrustedTestRoot(const std::wstring& derFile);
  // Removes it again.
  ~TrustedTestRoot();
  TrustedTestRoot(const TrustedTestRoot&) = delete;
  TrustedTestRoot& operator=(const TrustedTestRoot&) = delete;

  bool Trusted() const { return context_ != nullptr; }
  // True where the system itself checks Authenticode signatures.
  static bool SystemChecksSignatures();

 private:
  const void* context_ = nullptr;  // the certificate as added to the store
};

}  // namespace testsupport
