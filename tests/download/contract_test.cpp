// The downloader contract: the digest taken from the URL, the digest check and the choice
// of downloader.
#include <gtest/gtest.h>

#include "download/curl_downloader.h"
#include "download/mt_curl_downloader.h"
#include "download/package_digest.h"
#include "download/win_downloader.h"
#include "tests/support/temp_dir.h"
#include "utils/folders.h"
#include "utils/md5.h"

TEST(UrlMd5, IsTheSegmentBeforeTheFileName) {
  const std::pair<std::string, std::string> cases[] = {
      {"http://h/pkg/0123456789abcdef0123456789abcdef/Tavelo.exe", "0123456789abcdef0123456789abcdef"},
      {"http://h/a/b/c", "b"},
      {"http://h/file.exe", "h"},
      {"file.exe", ""},
      {"/file.exe", ""},
      {"", ""},
      {"http://h/md5//x", ""},
  };
  for (const auto& [url, md5] : cases) EXPECT_EQ(UrlMd5(url), md5) << url;
}

TEST(CheckPackageDigest, ComparesExactlyAndNeverPassesWhatItCannotRead) {
  testsupport::TempDir dir;
  const std::wstring file = dir.Write("p.exe", "package").wstring();
  const std::string md5 = Utils::Md5Hex("package", 7);
  std::string upper = md5;
  for (char& c : upper) c = static_cast<char>(toupper(c));
  const struct {
    const char* name;
    std::string expected;
    std::wstring path;
    DigestCheck result;
  } cases[] = {
      {"same digest", md5, file, DigestCheck::kMatched},
      {"upper-case hex never matches", upper, file, DigestCheck::kMismatch},
      {"another digest", std::string(32, '0'), file, DigestCheck::kMismatch},
      {"short expected digest", "abc", file, DigestCheck::kNoExpectedDigest},
      {"no expected digest", "", file, DigestCheck::kNoExpectedDigest},
      {"missing file", md5, (dir.Path() / "missing").wstring(), DigestCheck::kMismatch},
      {"a folder, not a file", md5, dir.WPath(), DigestCheck::kMismatch},
      {"empty path", md5, L"", DigestCheck::kMismatch},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckPackageDigest(c.expected, c.path), c.result) << c.name;
}

TEST(CreateDownloader, DownloadTypeChoosesTheClass) {
  testsupport::TempDir dir;
  const std::wstring path = Utils::JoinPath(dir.WPath(), L"__Package_Tavelo.exe");
  for (int type : {0, 1, 4, -1, 99}) {
    auto downloader = CreateDownloader(type, nullptr, L"http://127.0.0.1:9/x", path);
    EXPECT_NE(dynamic_cast<CCurlDownloader*>(downloader.get()), nullptr) << type;
  }
  EXPECT_NE(dynamic_cast<CWinDownloader*>(CreateDownloader(2, nullptr, L"http://127.0.0.1:9/x", path).get()), nullptr);
  EXPECT_NE(dynamic_cast<CMTCurlDownloader*>(CreateDownloader(3, nullptr, L"http://127.0.0.1:9/x", path).get()), nullptr);
}

TEST(UrlForCurl, FileUrlsKeepTheFileNameEncoding) {
  EXPECT_EQ(UrlForCurl(L"http://h/\x4E2D"), "http://h/\xE4\xB8\xAD");
  EXPECT_EQ(UrlForCurl(L"file:///C:/a.exe"), "file:///C:/a.exe");
}
