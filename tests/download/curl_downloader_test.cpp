// The single-stream downloader against the stand-in servers: event sequences and files on
// disk for good runs and for every kind of fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "download/tls_trust.h"
#include "tests/download/curl_downloader_fixture.h"
#include "tests/download/test_timings.h"

using namespace curl_test;
using testsupport::EventRecorder;


TEST_F(CurlDownloaderTest, RedirectedPackageArrivesChecked) {
  const std::string md5 = server_.WritePackage(L"download_silent_64/Tavelo_setup.exe", 3 * 1048576 + 5);
  Run(server_.Url(L"/redirect/ver1/tavelo/download_silent_64/1.0/installer/123456"));
  EXPECT_EQ(events_.CodesWithoutProgress(), (std::vector<int>{kStart, kSuccess}));
  EXPECT_EQ(FinalText(), L"LibCurl");
  EXPECT_EQ(TargetMd5(), md5);
  EXPECT_FALSE(Exists(Target() + L".part"));
  for (double v : events_.ProgressValues()) {
    EXPECT_GT(v, 0.0);
    EXPECT_LE(v, 1.0);
  }
  const std::string log = server_.Log();
  EXPECT_EQ(log.find("user-agent"), std::string::npos) << "no User-Agent header is sent";
}

TEST_F(CurlDownloaderTest, UrlWithoutDigestIsAcceptedWithANotice) {
  const std::string md5 = server_.WritePackage(L"plain.exe", 1048576 + 1);
  Run(server_.Url(L"/files/plain.exe"));
  EXPECT_EQ(events_.CodesWithoutProgress(), (std::vector<int>{kStart, kNotice, kSuccess}));
  // The notice's place among the progress events depends on timing: look it up by its code.
  const std::vector<testsupport::RecordedEvent> events = events_.Events();
  const auto notice = std::find_if(events.begin(), events.end(), [](const auto& e) { return e.code == kNotice; });
  ASSERT_NE(notice, events.end());
  EXPECT_EQ(notice->text, L"curl获取url-md5失败");
  EXPECT_EQ(TargetMd5(), md5);
}

TEST_F(CurlDownloaderTest, DigestMismatchRetriesOnceThenFails) {
  server_.WritePackage(L"bad.exe", 1048576 + 7);
  Run(server_.Url(L"/pkg/00000000000000000000000000000000/bad.exe"), 2);
  EXPECT_EQ(events_.CodesWithoutProgress(), (std::vector<int>{kStart, kNotice, kRetry, kStart, kNotice, kFail}));
  for (const auto& e : events_.Events()) {
    if (e.code == kNotice) EXPECT_EQ(e.text, L"curl文件md5校验失败");
    if (e.code == kRetry || e.code == kFail) {
      EXPECT_EQ(e.value, 0.0);
      EXPECT_EQ(e.text, L"LibCurl");
    }
  }
  // The repeated run fetched the whole file again.
  const std::string log = server_.Log();
  EXPECT_EQ(log.find("\"range\": \"bytes="), std::string::npos) << log.substr(0, 400);
}

TEST_F(CurlDownloaderTest, CutTransferResumesFromThePartFile) {
  const std::string md5 = server_.WritePackage(L"cut.exe", 2 * 1048576);
  ASSERT_TRUE(server_.Control("cut=700000&cut_times=1&path_prefix=/pkg/"));
  Run(server_.Url(L"/pkg/" + Utils::ToWide(md5, 65001) + L"/cut.exe"));
  EXPECT_EQ(events_.CodesWithoutProgress(), (std::vector<int>{kStart, kSuccess}));
  EXPECT_EQ(TargetMd5(), md5);
  EXPECT_NE(server_.Log().find("bytes=700000-"), std::string::npos) << "the resumed request starts at the part size";
}

// With the product's own pauses: 500 ms each.
TEST_F(CurlDownloaderTest, PackageBelowOneMebibyteIsRefusedAfterSixAttempts) {
  download_test::ScopedDownloadTimings product{DownloadTimings{}};
  server_.WritePackage(L"small.exe", 500 * 1024);
  const auto began = std::chrono::steady_clock::now();
  Run(server_.Url(L"/files/small.exe"));
  const auto took = std::chrono::steady_clock::now() - began;
  EXPECT_EQ(events_.CodesWithoutProgress(), (std::vector<int>{kStart, kFail}));
  EXPECT_EQ(FinalValue(), CurlClient::kLengthRefused);
  EXPECT_GE(took, 5 * DownloadTimings{}.curlRetryPause) << "five pauses between six attempts";
  EXPECT_FALSE(Exists(Target()));
}

// Faults that end the run in 1004, with the value they must carry (nullopt: any code).
TEST_F(CurlDownloaderTest, FaultsEndInFailureAndNeverInACorruptFile) {
  server_.WritePackage(L"f.exe", 1048576 + 3);
  const struct {
    const char* name;
    std::string control;
    std::wstring url;
    std::optional<double> value;
  } cases[] = {
      {"HEAD answered 404", "head_status=404", server_.Url(L"/files/f.exe"), CurlClient::kLengthRefused},
      {"server error", "status=500", server_.Url(L"/files/f.exe"), CurlClient::kLengthRefused},
      {"no length", "no_length=1", server_.Url(L"/files/f.exe"), CurlClient::kLengthRefused},
      {"redirect loop", "", server_.Url(L"/loop"), CurlClient::kLengthRefused},
      {"empty url", "", L"", CurlClient::kLengthRefused},
      {"not a url", "", L"not a url", CurlClient::kLengthRefused},
      {"unknown scheme", "", L"gopher://127.0.0.1/x", CurlClient::kLengthRefused},
      {"missing file url", "", L"file:///no/such/package.exe", CurlClient::kLengthRefused},
      {"dead port", "", L"http://127.0.0.1:9/x.exe", CurlClient::kLengthRefused},
      {"length announced longer", "wrong_length=1600000&path_prefix=/files/", server_.Url(L"/files/f.exe"), std::nullopt},
      {"body longer than announced", "wrong_length=1048576", server_.Url(L"/files/f.exe"), CurlClient::kLengthMismatch},
      // A coded body is held to the length of the uncoded lookup once decoded, as any other.
      {"coded body shorter than announced", "gzip=1&gzip_get=1&wrong_length=1600000&path_prefix=/files/",
       server_.Url(L"/files/f.exe"), std::nullopt},
      {"coded body longer than announced", "gzip=1&gzip_get=1&wrong_length=1048576", server_.Url(L"/files/f.exe"),
       CurlClient::kLengthMismatch},
      // A server that codes its HEAD answers too announces the coded length, which the
      // decoded body never has.
      {"coded lookup", "gzip=1", server_.Url(L"/files/f.exe"), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EventRecorder events;
    ASSERT_TRUE(server_.Control(c.control));
    {
      CCurlDownloader downloader(events.Callback(), c.url, Target());
      downloader.Start();
      ASSERT_TRUE(events.WaitForFinals(1));
    }
    const auto all = events.Events();
    std::vector<int> codes = events.CodesWithoutProgress();
    EXPECT_EQ(codes, (std::vector<int>{kStart, kFail}));
    EXPECT_EQ(all.back().text, L"LibCurl");
    if (c.value) EXPECT_EQ(all.back().value, *c.value);
    EXPECT_FALSE(Exists(Target())) << "no file is put in place";
  }
}

TEST_F(CurlDownloaderTest, TransientFaultsAreRetriedToAGoodFile) {
  const std::string md5 = server_.WritePackage(L"t.exe", 2 * 1048576 + 11);
  const std::wstring url = server_.Url(L"/pkg/" + Utils::ToWide(md5, 65001) + L"/t.exe");
  const struct {
    const char* name;
    std::string control;
  } cases[] = {
      {"reset sockets", "reset=1&reset_times=2"},
      {"gzip body", "gzip=1&gzip_get=1&path_prefix=/pkg/"},
      {"gzip body cut, resumed coded", "gzip=1&gzip_get=1&cut=300000&cut_times=1&path_prefix=/pkg/"},
      {"cut, then the range is ignored", "cut=500000&cut_times=1&ignore_range=1&path_prefix=/pkg/"},
      {"server errors on the transfer", "status=503&status_times=1&path_prefix=/pkg/"},
      // The first lookup times out; the second one finds the package.
      {"a HEAD that never answers", "head_stall=1&head_stall_times=1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server_.Control(c.control));
    EventRecorder events;
    {
      CCurlDownloader downloader(events.Callback(), url, Target());
      downloader.Start();
      ASSERT_TRUE(events.WaitForFinals(1));
    }
    EXPECT_EQ(events.CodesWithoutProgress(), (std::vector<int>{kStart, kSuccess}));
    EXPECT_EQ(TargetMd5(), md5);
    Utils::DeleteFileAt(Target());
  }
}

TEST_F(CurlDownloaderTest, StalledTransferIsAbandonedAndResumed) {
  const std::string md5 = server_.WritePackage(L"stall.exe", 1048576 + 99);
  ASSERT_TRUE(server_.Control("stall_after=400000&stall_after_times=1&path_prefix=/pkg/"));
  Run(server_.Url(L"/pkg/" + Utils::ToWide(md5, 65001) + L"/stall.exe"));
  EXPECT_EQ(events_.CodesWithoutProgress(), (std::vector<int>{kStart, kSuccess}));
  EXPECT_EQ(TargetMd5(), md5);
}

TEST_F(CurlDownloaderTest, EmptyTargetPathIsReportedAndTheRunGoesOn) {
  downloader_ = std::make_unique<CCurlDownloader>(events_.Callback(), L"", L"");
  downloader_->Start();
  ASSERT_TRUE(events_.WaitForFinals(1));
  const auto all = events_.Events();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].code, kStart);
  EXPECT_EQ(all[1].code, kFail);
  EXPECT_EQ(all[1].value, 1.0);
  EXPECT_EQ(all[1].text, L"");
  EXPECT_EQ(all[2].code, kFail);
}

TEST_F(CurlDownloaderTest, TeardownDuringATransferStopsItAndSendsNothingMore) {
  server_.WritePackage(L"slow.exe", 4 * 1048576);
  ASSERT_TRUE(server_.Control("throttle=300000&path_prefix=/files/"));
  std::atomic<bool> destroying{false};
  std::atomic<int> lateEvents{0};
  EventRecorder events;
  auto downloader = std::make_unique<CCurlDownloader>(
      events.Callback([&](const testsupport::RecordedEvent&) {
        if (destroying) ++lateEvents;
      }),
      server_.Url(L"/files/slow.exe"), Target());
  downloader->Start();
  for (int i = 0; i < 100 && events.ProgressValues().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_FALSE(events.ProgressValues().empty());
  destroying = true;
  const auto began = std::chrono::steady_clock::now();
  downloader.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(5));
  EXPECT_EQ(lateEvents.load(), 0);
  EXPECT_FALSE(Exists(Target()));
  EXPECT_FALSE(Exists(Target() + L".part")) << "the client removes its part file at teardown";
}

TEST_F(CurlDownloaderTest, CertificateIsVerified) {
  if (!testsupport::CertificateChecksObservable()) GTEST_SKIP() << "certificate checks cannot be observed here";
  const std::string md5 = server_.WritePackage(L"tls.exe", 1048576 + 1);
  const std::wstring url = server_.TlsUrl(L"/pkg/" + Utils::ToWide(md5, 65001) + L"/tls.exe");
  {
    EventRecorder untrusted;
    CCurlDownloader downloader(untrusted.Callback(), url, Target());
    downloader.Start();
    ASSERT_TRUE(untrusted.WaitForFinals(1));
    EXPECT_EQ(untrusted.CodesWithoutProgress(), (std::vector<int>{kStart, kFail}));
    EXPECT_FALSE(Exists(Target()));
  }
  SetTrustedCaFile(server_.CaFile());
  EventRecorder trusted;
  {
    CCurlDownloader downloader(trusted.Callback(), url, Target());
    downloader.Start();
    ASSERT_TRUE(trusted.WaitForFinals(1));
  }
  SetTrustedCaFile("");
  EXPECT_EQ(trusted.CodesWithoutProgress(), (std::vector<int>{kStart, kSuccess}));
  EXPECT_EQ(TargetMd5(), md5);
}

TEST_F(CurlDownloaderTest, NginxServesThePackage) {
  const std::string md5 = server_.WritePackage(L"nginx.exe", 2 * 1048576 + 1);
  Run(server_.NginxUrl(L"/pkg/" + Utils::ToWide(md5, 65001) + L"/nginx.exe"));
  EXPECT_EQ(events_.CodesWithoutProgress(), (std::vector<int>{kStart, kSuccess}));
  EXPECT_EQ(TargetMd5(), md5);
}

namespace {
int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}
}  // namespace

// A server that accepts every lookup and never answers: the lookups of a run end together
// after the lookup phase, not after six attempts of three lookups each.
TEST_F(CurlDownloaderTest, LookupsThatNeverAnswerEndTheRunAfterTheLookupPhase) {
  const DownloadTimings timings = download_test::FastTimings();
  server_.WritePackage(L"silent.exe", 1048576 + 1);
  ASSERT_TRUE(server_.Control("head_stall=1&stall_seconds=60"));
  const auto began = std::chrono::steady_clock::now();
  Run(server_.Url(L"/files/silent.exe"));
  const auto took = std::chrono::steady_clock::now() - began;
  EXPECT_EQ(events_.CodesWithoutProgress(), (std::vector<int>{kStart, kFail}));
  EXPECT_EQ(FinalValue(), CurlClient::kLengthRefused);
  EXPECT_GE(took, timings.lookupPhase - std::chrono::milliseconds(500));
  EXPECT_LT(took, timings.lookupPhase + 6 * timings.curlRetryPause + std::chrono::seconds(2))
      << "18 lookups would take " << 18 * timings.lookupTimeout.count() << " ms";
  const int heads = Count(server_.Log(), "\"method\": \"HEAD\"");
  EXPECT_LE(heads, timings.lookupPhase / timings.lookupTimeout + 1);
  EXPECT_FALSE(Exists(Target()));
}

// 200 bytes a second would take days for a real package: below 1 KiB/s over the stall
// window the transfer is cut and resumed, and the resumed request runs at full speed.
TEST_F(CurlDownloaderTest, TrickleIsCutAndResumed) {
  const std::string md5 = server_.WritePackage(L"trickle.exe", 1048576 + 5);
  ASSERT_TRUE(server_.Control("throttle=200&throttle_times=1&path_prefix=/pkg/"));
  Run(server_.Url(L"/pkg/" + Utils::ToWide(md5, 65001) + L"/trickle.exe"));
  EXPECT_EQ(events_.CodesWithoutProgress(), (std::vector<int>{kStart, kSuccess}));
  EXPECT_EQ(TargetMd5(), md5);
  const std::string log = server_.Log();
  // The entry's own "range" follows its header map (which holds the header once more).
  EXPECT_EQ(Count(log, "}, \"range\": \"bytes="), 1) << "one resumed request: " << log.substr(0, 600);
}

// A folder that the ANSI code page cannot name, as under a user name in another script:
// the part file, the move and the digest all work through wide paths.
TEST_F(CurlDownloaderTest, DownloadsIntoAFolderTheAnsiCodePageCannotName) {
  const std::string md5 = server_.WritePackage(L"wide.exe", 1048576 + 9);
  const std::wstring folder = Utils::JoinPath(dir_.WPath(), testsupport::kNameOutsideAnsiCodePage);
  ASSERT_TRUE(Utils::CreateDirectoryTree(folder));
  const std::wstring target = Utils::JoinPath(folder, L"__Package_Tavelo.exe");
  ASSERT_TRUE(server_.Control("cut=400000&cut_times=1&path_prefix=/pkg/"));  // the part file is resumed too
  CCurlDownloader downloader(events_.Callback(), server_.Url(L"/pkg/" + Utils::ToWide(md5, 65001) + L"/wide.exe"), target);
  downloader.Start();
  ASSERT_TRUE(events_.WaitForFinals(1));
  EXPECT_EQ(events_.CodesWithoutProgress(), (std::vector<int>{kStart, kSuccess}));
  EXPECT_EQ(Utils::FileMd5Hex(target), md5);
  EXPECT_FALSE(Exists(target + L".part"));
}
