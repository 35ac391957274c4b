// WinVerifyTrust with the generic Authenticode policy (no user interface, no revocation
// lookups: the installer must not wait on a certificate server), then the signer's
// certificate from the verification's own state, so the name read is the one verified.
#include <windows.h>
// After windows.h:
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "pipeline/package_signature.h"
#include "utils/log.h"

namespace pipeline {
namespace {

// The simple display name of the first signer of a verified file; "" when there is none.
std::wstring SignerName(HANDLE state) {
  CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(state);
  CRYPT_PROVIDER_SGNR* signer = provider != nullptr ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
  CRYPT_PROVIDER_CERT* cert = signer != nullptr ? WTHelperGetProvCertFromChain(signer, 0) : nullptr;
  if (cert == nullptr || cert->pCert == nullptr) return {};
  wchar_t name[512] = L"";
  const DWORD length = CertGetNameStringW(cert->pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 512);
  return length > 1 ? std::wstring(name) : std::wstring();
}

}  // namespace

PackageSignature CheckPackageSignature(const std::wstring& path, const std::wstring& signer) {
  WINTRUST_FILE_INFO file{};
  file.cbStruct = sizeof(file);
  file.pcwszFilePath = path.c_str();
  WINTRUST_DATA data{};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG status = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  PackageSignature result = PackageSignature::kInvalid;
  if (status == ERROR_SUCCESS) {
    const std::wstring name = SignerName(data.hWVTStateData);
    result = !name.empty() && name == signer ? PackageSignature::kBySigner : PackageSignature::kAnotherSigner;
    TLOGLN(L"package signed by \"%ls\"", name.c_str());
  } else {
    TLOGLN(L"package signature refused: 0x%08lx", static_cast<unsigned long>(status));
  }
  // The verification's state is released whatever the outcome.
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  (void)WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return result;
}

}  // namespace pipeline
