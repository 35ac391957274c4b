// The expected package digest taken from the final URL (…/{md5}/{file name}) and the
// check of a downloaded file against it.
#pragma once

#include <string>

// The path segment before the last one; "" for a URL with fewer than two "/".
std::string UrlMd5(const std::string& realUrl);

enum class DigestCheck {
  kMatched,            // the file's digest equals the expected one
  kNoExpectedDigest,   // the URL carries no 32-character digest: accepted unchecked
  kMismatch,           // the file differs from the expected digest, or cannot be read
};
DigestCheck CheckPackageDigest(const std::string& expectedMd5, const std::wstring& path);

// Narrow forms of the package URL for libcurl: UTF-8, or the file-name encoding for
// "file:///" URLs.
std::string UrlForCurl(const std::wstring& url);
