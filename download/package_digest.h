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
// The same check of a digest made while the file was written ("" when none could be made).
DigestCheck CompareDigest(const std::string& expectedMd5, const std::string& actualMd5);
// True when the URL names a digest to check against, so one is worth computing.
inline bool HasExpectedDigest(const std::string& expectedMd5) { return expectedMd5.size() == 32; }

// Narrow forms of the package URL for libcurl: UTF-8, or the file-name encoding for
// "file:///" URLs.
std::string UrlForCurl(const std::wstring& url);
