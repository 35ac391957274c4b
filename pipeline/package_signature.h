// The signer check of a downloaded package: an Authenticode signature that the system
// trusts, made by the signer named in the configuration.
#pragma once

#include <string>

namespace pipeline {

enum class PackageSignature {
  kBySigner,        // a valid, trusted signature whose signer has the name asked for
  kInvalid,         // unsigned, changed after signing, or signed by an untrusted certificate
  kAnotherSigner,   // valid and trusted, but made by someone else
  kUncheckable,     // this system has no way to check one
};

// The signature of the file at `path`, against the signer's subject name (its simple
// display name, usually the common name, compared exactly).
PackageSignature CheckPackageSignature(const std::wstring& path, const std::wstring& signer);

}  // namespace pipeline
