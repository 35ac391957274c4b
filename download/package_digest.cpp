// Expected digest of a package URL and the check of a file against it.
#include "download/package_digest.h"

#include "utils/md5.h"
#include "utils/text.h"

std::string UrlMd5(const std::string& realUrl) {
  const std::size_t last = realUrl.rfind('/');
  if (last == std::string::npos) return {};
  const std::string prefix = realUrl.substr(0, last);
  const std::size_t before = prefix.rfind('/');
  if (before == std::string::npos) return {};
  return prefix.substr(before + 1);
}

DigestCheck CheckPackageDigest(const std::string& expectedMd5, const std::wstring& path) {
  if (!HasExpectedDigest(expectedMd5)) return DigestCheck::kNoExpectedDigest;
  return CompareDigest(expectedMd5, Utils::FileMd5Hex(path));
}

DigestCheck CompareDigest(const std::string& expectedMd5, const std::string& actualMd5) {
  if (!HasExpectedDigest(expectedMd5)) return DigestCheck::kNoExpectedDigest;
  // A file that could not be read was not verified: it counts as a mismatch, never as checked.
  return actualMd5.size() == 32 && actualMd5 == expectedMd5 ? DigestCheck::kMatched : DigestCheck::kMismatch;
}

std::string UrlForCurl(const std::wstring& url) {
  const bool file = url.rfind(L"file:///", 0) == 0;
  return Utils::ToNarrow(url, file ? Utils::kCodePageAnsi : Utils::kCodePageUtf8);
}
