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
  if (expectedMd5.size() != 32) return DigestCheck::kNoExpectedDigest;
  // A file that cannot be read was not verified: it counts as a mismatch, never as checked.
  const std::string actual = Utils::FileMd5Hex(path);
  return actual.size() == 32 && actual == expectedMd5 ? DigestCheck::kMatched : DigestCheck::kMismatch;
}

std::string UrlForCurl(const std::wstring& url) {
  const bool file = url.rfind(L"file:///", 0) == 0;
  return Utils::ToNarrow(url, file ? Utils::kCodePageAnsi : Utils::kCodePageUtf8);
}
