// The ranged downloader against the stand-in servers: event sequences, range requests and
// files on disk for good runs, digest failures, resumed runs, teardown and every kind of
// fault; and the split of a package into ranges.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "download/mt_curl_downloader.h"
#include "download/tls_trust.h"
#include "startup/installer_config.h"
#include "tests/download/test_timings.h"
#include "tests/support/server_test.h"
#include "utils/file_ops.h"
#include "utils/folders.h"
#include "utils/md5.h"
#include "utils/text.h"

namespace {

using testsupport::EventRecorder;
using testsupport::RecordedEvent;
using testsupport::TestServer;

constexpr int kStart = DL_CODE_START, kProgress = DL_CODE_PROGRESS, kSuccess = DL_CODE_SUCCESS,
              kFail = DL_CODE_FAIL, kRetry = DL_CODE_RETRY, kNotice = DL_CODE_NOTICE;
constexpr std::int64_t kMiB = 1048576;

const std::wstring kMismatchNotice = L"mtcurl文件md5校验失败";
const std::wstring kNoDigestNotice = L"mtcurl获取url-md5失败";
const std::string kWrongMd5 = "0123456789abcdef0123456789abcdef";

bool IsFinal(int code) { return code == kSuccess || code == kFail || code == kRetry; }

std::wstring Wide(const std::string& text) { return Utils::ToWide(text, Utils::kCodePageUtf8); }

// One request of the package server's log.
struct Request {
  std::string method;
  std::string path;
  std::string range;  // "" without a Range header
};

std::vector<Request> ParseLog(const std::string& json) {
  // The log is a JSON list of flat objects (json.dumps, keys in a fixed order); the headers
  // object holds no braces.
  static const std::regex entry(
      R"re("method": "([A-Z]+)", "path": "([^"]*)", "headers": \{[^{}]*\}, "range": (null|"([^"]*)"))re");
  std::vector<Request> requests;
  for (auto it = std::sregex_iterator(json.begin(), json.end(), entry); it != std::sregex_iterator(); ++it) {
    requests.push_back({(*it)[1].str(), (*it)[2].str(), (*it)[4].matched ? (*it)[4].str() : ""});
  }
  return requests;
}

std::vector<std::string> GetRanges(const std::vector<Request>& requests) {
  std::vector<std::string> ranges;
  for (const Request& r : requests) {
    if (r.method == "GET") ranges.push_back(r.range);
  }
  std::sort(ranges.begin(), ranges.end());
  return ranges;
}

std::string RangeText(std::int64_t first, std::int64_t last) {
  return "bytes=" + std::to_string(first) + "-" + std::to_string(last);
}

// The order every run keeps: 1001 first, progress only inside a run, nothing after a final
// event but the next run's 1001, progress rising by at least one point at a time.
void ExpectWellFormedRuns(const std::vector<RecordedEvent>& events, bool progressCarriesOver) {
  bool inRun = false;
  double lastProgress = 0;
  for (const RecordedEvent& e : events) {
    if (e.code == kStart) {
      EXPECT_FALSE(inRun) << "a run began before the previous one ended";
      EXPECT_EQ(e.value, 1.0);
      EXPECT_EQ(e.text, L"");
      inRun = true;
      if (!progressCarriesOver) lastProgress = 0;
      continue;
    }
    EXPECT_TRUE(inRun) << "event " << e.code << " outside a run";
    if (e.code == kProgress) {
      EXPECT_GE(e.value, lastProgress + 0.01 - 1e-9) << "progress must rise by a point at least";
      EXPECT_LE(e.value, 1.0);
      EXPECT_EQ(e.text, L"");
      lastProgress = e.value;
    }
    if (IsFinal(e.code)) {
      EXPECT_EQ(e.text, kLibCurlName);
      inRun = false;
    }
  }
  EXPECT_FALSE(inRun) << "the last run has no final event";
}

class MtCurlDownloaderTest : public testsupport::ServerTest {
 protected:
  std::wstring Target() const { return Utils::JoinPath(dir_.WPath(), L"__Package_Tavelo ü.exe"); }
  std::wstring Part(int index) const { return Target() + L"_" + std::to_wstring(index); }
  std::string TargetMd5() const { return Utils::FileMd5Hex(Utils::ToNarrow(Target(), Utils::kCodePageAnsi)); }
  static bool Exists(const std::wstring& path) { return Utils::FileSizeAt(path) >= 0; }
  // Packages live in the folder "mt" of the server's root; their URLs carry the digest
  // right before the file name.
  std::wstring PkgUrl(const std::string& md5, const std::wstring& file) const {
    return server_.Url(L"/pkg/mt/" + Wide(md5) + L"/" + file);
  }

  // A downloader whose owner restarts it on 1005, as the orchestrator does; onRetry runs
  // first, on the finishing thread, inside the event.
  void Make(const std::wstring& url, std::function<void()> onRetry = nullptr) {
    downloader_ = std::make_unique<CMTCurlDownloader>(events_.Callback([this, onRetry](const RecordedEvent& e) {
      if (e.code != kRetry) return;
      if (onRetry) onRetry();
      downloader_->Start();
    }), url, Target());
  }

  std::unique_ptr<CMTCurlDownloader> downloader_;
};

// ---- the split ------------------------------------------------------------------------

TEST(MtCurlSplit, OneRangeBelowTwentyMebibytesTwoFromThere) {
  using R = CMTCurlDownloader::ByteRange;
  const auto expect = [](std::int64_t length, std::vector<R> want) {
    SCOPED_TRACE(length);
    const std::vector<R> got = CMTCurlDownloader::SplitRanges(length);
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].first, want[i].first);
      EXPECT_EQ(got[i].last, want[i].last);
    }
  };
  expect(0, {});
  expect(256, {{0, 255}});
  expect(15 * kMiB, {{0, 15 * kMiB - 1}});
  expect(20971519, {{0, 20971518}});
  expect(20971520, {{0, 10485759}, {10485760, 20971519}});
  expect(20971521, {{0, 10485759}, {10485760, 20971520}});
  // Beyond 32 bits: 5 GiB + 3 bytes, the odd byte in the second range.
  const std::int64_t large = (5ll << 30) + 3;
  expect(large, {{0, large / 2 - 1}, {large / 2, large - 1}});
  const auto ranges = CMTCurlDownloader::SplitRanges(large);
  EXPECT_EQ((ranges[0].last - ranges[0].first + 1) + (ranges[1].last - ranges[1].first + 1), large);
  EXPECT_EQ(ranges[1].last - ranges[1].first, ranges[0].last - ranges[0].first + 1);
}

// ---- runs against the servers, one table ------------------------------------------------

enum class UrlKind {
  kPkg,        // /pkg/{md5}/{name}
  kWrongMd5,   // /pkg/{another md5}/{name}
  kFiles,      // /files/{name}: no digest in the URL
  kRoute,      // the redirect service, package in a route folder
  kNginx,      // nginx: /pkg/{md5}/{name}
  kTls,        // HTTPS: /pkg/{md5}/{name}
  kFileScheme, // file:/// URL of the package file
  kRaw,        // the text in raw
};

struct RunCase {
  const char* name;
  std::int64_t size;      // package bytes
  UrlKind url;
  const wchar_t* raw;     // the URL for kRaw, a path for the server otherwise ("/loop")
  const char* faults;     // set before the run (after the priming run when prime is set)
  bool prime;             // first one clean run to 1003, so that the lookup is done and the
                          // faults hit the range requests only (the owner starts it again)
  std::vector<int> codes; // without progress, after the priming run
  double value;           // of every 1004 and 1005
  const wchar_t* notice;  // text of every 1006
  std::vector<std::string> ranges;  // Range headers of the GETs after priming (sorted); {"*"}: unchecked
  bool trustCa = false;   // name the HTTPS server's CA for the run
};

// Every range text of a package of this size split in the usual way.
std::vector<std::string> Ranges(std::int64_t size, int runs = 1) {
  std::vector<std::string> texts;
  for (int i = 0; i < runs; ++i) {
    for (const auto& r : CMTCurlDownloader::SplitRanges(size)) texts.push_back(RangeText(r.first, r.last));
  }
  std::sort(texts.begin(), texts.end());
  return texts;
}
std::vector<std::string> Repeat(const std::string& text, int times) { return std::vector<std::string>(times, text); }

const std::int64_t kOdd = 20971521;      // two ranges: 10485760 + 10485761
const std::int64_t kHuge = (5ll << 30) + 3;  // announced by a lying HEAD only

const RunCase kRunCases[] = {
    {"OneRange", 3 * kMiB + 5, UrlKind::kPkg, nullptr, "", false, {kStart, kSuccess}, 0, nullptr, Ranges(3 * kMiB + 5)},
    {"SmallestPackage", 256, UrlKind::kPkg, nullptr, "", false, {kStart, kSuccess}, 0, nullptr, {"bytes=0-255"}},
    {"TwoEqualRanges", 20971520, UrlKind::kPkg, nullptr, "", false, {kStart, kSuccess}, 0, nullptr,
     {"bytes=0-10485759", "bytes=10485760-20971519"}},
    {"TwoRangesOddByteInTheSecond", kOdd, UrlKind::kPkg, nullptr, "", false, {kStart, kSuccess}, 0, nullptr,
     {"bytes=0-10485759", "bytes=10485760-20971520"}},
    {"RedirectRoute", 2 * kMiB + 1, UrlKind::kRoute, nullptr, "", false, {kStart, kSuccess}, 0, nullptr, Ranges(2 * kMiB + 1)},
    {"Nginx", kOdd, UrlKind::kNginx, nullptr, "", false, {kStart, kSuccess}, 0, nullptr, {"*"}},
    {"UrlWithoutDigest", kMiB, UrlKind::kFiles, nullptr, "", false, {kStart, kNotice, kSuccess}, 0, kNoDigestNotice.c_str(),
     Ranges(kMiB)},
    // Both runs fetch both ranges from their first byte: nothing is kept after a mismatch.
    {"DigestMismatchRetriesOnceThenFails", kOdd, UrlKind::kWrongMd5, nullptr, "", false,
     {kStart, kNotice, kRetry, kStart, kNotice, kFail}, 0, kMismatchNotice.c_str(), Ranges(kOdd, 2)},
    {"RedirectWithWrongDigest", kMiB, UrlKind::kRoute, nullptr, "redirect_md5=0123456789abcdef0123456789abcdef", false,
     {kStart, kNotice, kRetry, kStart, kNotice, kFail}, 0, kMismatchNotice.c_str(), Ranges(kMiB, 2)},
    {"PackageBelow256Bytes", 255, UrlKind::kPkg, nullptr, "", false, {kStart, kFail}, 0, nullptr, {}},
    {"EmptyUrl", kMiB, UrlKind::kRaw, L"", "", false, {kStart, kFail}, 0, nullptr, {}},
    {"NotAUrl", kMiB, UrlKind::kRaw, L"not a url", "", false, {kStart, kFail}, 0, nullptr, {}},
    {"UnknownScheme", kMiB, UrlKind::kRaw, L"tavelo://127.0.0.1/x.exe", "", false, {kStart, kFail}, 0, nullptr, {}},
    {"DeadPort", kMiB, UrlKind::kRaw, L"http://127.0.0.1:9/x.exe", "", false, {kStart, kFail}, 0, nullptr, {}},
    // A file URL has no HTTP status, so the lookup never accepts its length.
    {"FileUrl", kMiB, UrlKind::kFileScheme, nullptr, "", false, {kStart, kFail}, 0, nullptr, {}},
    {"RedirectLoop", kMiB, UrlKind::kRaw, L"/loop", "", false, {kStart, kFail}, 0, nullptr, {}},
    {"NoContentLength", kMiB, UrlKind::kPkg, nullptr, "no_length=1", false, {kStart, kFail}, 0, nullptr, {}},
    {"HeadAnswered404", kMiB, UrlKind::kPkg, nullptr, "head_status=404", false, {kStart, kFail}, 0, nullptr, {}},
    {"ServerError", kMiB, UrlKind::kPkg, nullptr, "status=500", false, {kStart, kFail}, 0, nullptr, {}},
    {"HeadSocketReset", kMiB, UrlKind::kPkg, nullptr, "reset=1", false, {kStart, kFail}, 0, nullptr, {}},
    // Accepted and never answered: the lookup times out instead of holding the run forever.
    {"HeadNeverAnswered", kMiB, UrlKind::kPkg, nullptr, "head_stall=1", false, {kStart, kFail}, 0, nullptr, {}},
    // A HEAD that announces less than the package: every range answer names the true size,
    // so no truncated file is ever put in place, with or without a digest. Seven attempts
    // per range and run.
    {"LengthAnnouncedShorter", kMiB, UrlKind::kFiles, nullptr, "wrong_length=1047576", false,
     {kStart, kRetry, kStart, kFail}, CMTCurlDownloader::kStateSizeChanged, nullptr,
     Repeat("bytes=0-1047575", 14)},
    // Above 4 GiB announced: the range texts carry 64-bit offsets.
    {"LengthAbove4GiBAnnounced", kMiB, UrlKind::kPkg, nullptr, "wrong_length=5368709123", false,
     {kStart, kRetry, kStart, kFail}, CMTCurlDownloader::kStateSizeChanged, nullptr,
     [] {
       std::vector<std::string> v = Repeat(RangeText(0, kHuge / 2 - 1), 14);
       for (const auto& s : Repeat(RangeText(kHuge / 2, kHuge - 1), 14)) v.push_back(s);
       std::sort(v.begin(), v.end());
       return v;
     }()},
    // Bodies longer than the range: only the range is stored; the write error that ends the
    // attempt leaves nothing missing, so no second request is made.
    {"BodyLongerThanTheRange", kOdd, UrlKind::kPkg, nullptr, "long_range=70000", false, {kStart, kSuccess}, 0, nullptr,
     Ranges(kOdd)},
    // A server that codes every answer, asked or not: the HEAD announces the coded length
    // and no range answer matches it, so even without a digest no coded bytes are taken
    // for the package. Seven attempts per range and run (ranges of the coded length).
    {"GzipCodedAnswersWithoutDigest", 2 * kMiB, UrlKind::kFiles, nullptr, "gzip=1", false, {kStart, kRetry, kStart, kFail},
     CMTCurlDownloader::kStateSizeChanged, nullptr, {"*"}},
    // Coded range answers to a HEAD with the plain length: the coded bytes are refused (23,
    // libcurl's write error) instead of being stored as the package's. Seven attempts per
    // range and run.
    {"GzipCodedRangesWithoutDigest", 2 * kMiB, UrlKind::kFiles, nullptr, "gzip=1&gzip_get=1", false,
     {kStart, kRetry, kStart, kFail}, 23, nullptr, Ranges(2 * kMiB, 14)},
    // The whole package instead of the range: each range keeps only its own bytes.
    {"RangeIgnored", kOdd, UrlKind::kPkg, nullptr, "ignore_range=1", false, {kStart, kSuccess}, 0, nullptr, Ranges(kOdd)},
    {"CutTransferResumes", 2 * kMiB, UrlKind::kPkg, nullptr, "cut=500000&cut_times=1", false, {kStart, kSuccess}, 0,
     nullptr, {"bytes=0-2097151", "bytes=500000-2097151"}},
    // Silence after 300000 bytes: the stall watch ends the attempt and the range resumes.
    {"StalledTransferResumes", 2 * kMiB, UrlKind::kPkg, nullptr, "stall_after=300000&stall_after_times=1", false,
     {kStart, kSuccess}, 0, nullptr, {"bytes=0-2097151", "bytes=300000-2097151"}},
    // 200 bytes a second passes libcurl's low-speed limit of 1 byte a second for ever; below
    // 1 KiB/s over the stall window the range is cut and resumed at full speed.
    {"TrickleIsCutAndResumed", 2 * kMiB, UrlKind::kPkg, nullptr, "throttle=200&throttle_times=1", false,
     {kStart, kSuccess}, 0, nullptr, {"*"}},
    {"RangeRequestReset", kMiB, UrlKind::kPkg, nullptr, "reset=1&reset_times=1", true, {kStart, kSuccess}, 0, nullptr,
     Repeat("bytes=0-1048575", 2)},
    {"RangeRequestServerErrorsThenGood", kMiB, UrlKind::kPkg, nullptr, "status=503&status_times=2", true,
     {kStart, kSuccess}, 0, nullptr, Repeat("bytes=0-1048575", 3)},
    // 22: libcurl's code for an HTTP error status; seven attempts in each run.
    {"RangeRequestServerErrorsForGood", kMiB, UrlKind::kPkg, nullptr, "status=503", true,
     {kStart, kRetry, kStart, kFail}, 22, nullptr, Repeat("bytes=0-1048575", 14)},
    {"UntrustedCertificate", kMiB, UrlKind::kTls, nullptr, "", false, {kStart, kFail}, 0, nullptr, {"*"}},
    {"TrustedCertificate", kOdd, UrlKind::kTls, nullptr, "", false, {kStart, kSuccess}, 0, nullptr, {"*"}, true},
};

// The case's name stands for it in test names and messages.
void PrintTo(const RunCase& c, std::ostream* out) { *out << c.name; }

class MtCurlRun : public MtCurlDownloaderTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(MtCurlRun, EventsRequestsAndFiles) {
  const RunCase& c = GetParam();
  if (c.url == UrlKind::kTls && !testsupport::CertificateChecksObservable()) {
    GTEST_SKIP() << "certificate checks cannot be observed here";
  }
  const std::wstring file = Wide(c.name) + L".exe";
  const std::wstring name = L"mt/" + file;
  std::string md5;
  if (c.url == UrlKind::kRoute) {
    md5 = server_.WritePackage(L"mt_route_" + Wide(c.name) + L"/Tavelo_setup.exe", c.size);
  } else {
    md5 = server_.WritePackage(name, c.size);
  }
  std::wstring url;
  switch (c.url) {
    case UrlKind::kPkg: url = PkgUrl(md5, file); break;
    case UrlKind::kWrongMd5: url = PkgUrl(kWrongMd5, file); break;
    case UrlKind::kFiles: url = server_.Url(L"/files/" + name); break;
    case UrlKind::kRoute:
      url = server_.Url(L"/redirect/ver1/tavelo/mt_route_" + Wide(c.name) + L"/1.0/installer/123456");
      break;
    case UrlKind::kNginx: url = server_.NginxUrl(L"/pkg/mt/" + Wide(md5) + L"/" + file); break;
    case UrlKind::kTls: url = server_.TlsUrl(L"/pkg/mt/" + Wide(md5) + L"/" + file); break;
    case UrlKind::kFileScheme: {
      std::wstring file = Utils::JoinPath(server_.Root(), name);
      std::replace(file.begin(), file.end(), L'\\', L'/');
      url = L"file://" + std::wstring(file.front() == L'/' ? L"" : L"/") + file;
      break;
    }
    case UrlKind::kRaw: url = c.raw[0] == L'/' ? server_.Url(c.raw) : c.raw; break;
  }
  if (c.trustCa) SetTrustedCaFile(server_.CaFile());

  Make(url);
  std::size_t primed = 0;
  if (c.prime) {
    downloader_->Start();
    ASSERT_TRUE(events_.WaitForFinals(1));
    ASSERT_EQ(events_.CodesWithoutProgress(), (std::vector<int>{kStart, kSuccess}));
    primed = events_.Events().size();
    server_.Log(true);
  }
  ASSERT_TRUE(server_.Control(c.faults));
  downloader_->Start();
  const int finals = static_cast<int>(std::count_if(c.codes.begin(), c.codes.end(), IsFinal)) + (c.prime ? 1 : 0);
  ASSERT_TRUE(events_.WaitForFinals(finals));
  downloader_.reset();  // joins every thread: whatever was to come has come
  if (c.trustCa) SetTrustedCaFile("");

  const std::vector<RecordedEvent> all = events_.Events();
  ExpectWellFormedRuns(all, false);
  const std::vector<RecordedEvent> run(all.begin() + static_cast<std::ptrdiff_t>(primed), all.end());
  std::vector<int> codes;
  for (const RecordedEvent& e : run) {
    if (e.code != kProgress) codes.push_back(e.code);
    if (e.code == kFail || e.code == kRetry) EXPECT_EQ(e.value, c.value) << "event " << e.code;
    if (e.code == kSuccess) EXPECT_EQ(e.value, 0.0);
    if (e.code == kNotice) {
      ASSERT_NE(c.notice, nullptr);
      EXPECT_EQ(e.text, c.notice);
      EXPECT_EQ(e.value, 0.0);
    }
  }
  EXPECT_EQ(codes, c.codes);

  const bool success = c.codes.back() == kSuccess;
  if (success) {
    EXPECT_EQ(Utils::FileSizeAt(Target()), c.size);
    EXPECT_EQ(TargetMd5(), md5);
  } else {
    EXPECT_FALSE(Exists(Target())) << "no file is put in place";
  }
  // None of these runs ends after progress without success, so no part file stays.
  EXPECT_FALSE(Exists(Part(0)));
  EXPECT_FALSE(Exists(Part(1)));

  if (c.ranges != std::vector<std::string>{"*"}) {
    EXPECT_EQ(GetRanges(ParseLog(server_.Log())), c.ranges);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, MtCurlRun, ::testing::ValuesIn(kRunCases),
                         [](const ::testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

// ---- runs that need more than the table ---------------------------------------------------

TEST_F(MtCurlDownloaderTest, FailureAfterProgressKeepsThePartsAndTheRepeatedRunResumes) {
  const std::int64_t size = 21 * kMiB;
  const std::string md5 = server_.WritePackage(L"mt/resume.exe", size);
  // Every answer is cut after 100000 bytes: each range makes progress, spends its budget on
  // cut-off answers (13 attempts) and the run fails.
  ASSERT_TRUE(server_.Control("cut=100000&throttle=2000000"));
  std::int64_t kept[2] = {-1, -1};
  bool targetDuringRetry = true;
  std::string firstRunLog;
  Make(PkgUrl(md5, L"resume.exe"), [&] {
    kept[0] = Utils::FileSizeAt(Part(0));
    kept[1] = Utils::FileSizeAt(Part(1));
    targetDuringRetry = Exists(Target());
    firstRunLog = server_.Log(true);
    server_.Control("");
  });
  downloader_->Start();
  ASSERT_TRUE(events_.WaitForFinals(2));
  downloader_.reset();

  const auto all = events_.Events();
  ExpectWellFormedRuns(all, true);  // the repeated run reports only above the last percentage
  EXPECT_EQ(events_.CodesWithoutProgress(), (std::vector<int>{kStart, kRetry, kStart, kSuccess}));
  const auto retry = std::find_if(all.begin(), all.end(), [](const RecordedEvent& e) { return e.code == kRetry; });
  ASSERT_NE(retry, all.end());
  EXPECT_EQ(retry->value, 18.0) << "the first failing range's last result: a cut-off answer";
  EXPECT_TRUE(std::any_of(all.begin(), retry, [](const RecordedEvent& e) { return e.code == kProgress; }))
      << "the failed run made progress";

  const std::int64_t half = size / 2;
  EXPECT_GT(kept[0], 0);
  EXPECT_GT(kept[1], 0);
  EXPECT_LT(kept[0], half);
  EXPECT_LT(kept[1], half);
  EXPECT_FALSE(targetDuringRetry);
  EXPECT_EQ(GetRanges(ParseLog(firstRunLog)).size(), 26u) << "13 attempts per range";
  std::vector<std::string> resumed{RangeText(kept[0], half - 1), RangeText(half + kept[1], size - 1)};
  std::sort(resumed.begin(), resumed.end());
  EXPECT_EQ(GetRanges(ParseLog(server_.Log())), resumed) << "each range resumes from its part file";

  EXPECT_EQ(TargetMd5(), md5);
  EXPECT_FALSE(Exists(Part(0)));
  EXPECT_FALSE(Exists(Part(1)));
}

TEST_F(MtCurlDownloaderTest, FinalFailureAfterProgressKeepsThePartFiles) {
  const std::string md5 = server_.WritePackage(L"mt/keep.exe", 2 * kMiB);
  ASSERT_TRUE(server_.Control("cut=60000&throttle=1000000"));
  Make(PkgUrl(md5, L"keep.exe"));
  downloader_->Start();
  ASSERT_TRUE(events_.WaitForFinals(2));
  downloader_.reset();
  ExpectWellFormedRuns(events_.Events(), true);
  EXPECT_EQ(events_.CodesWithoutProgress(), (std::vector<int>{kStart, kRetry, kStart, kFail}));
  EXPECT_EQ(events_.Events().back().value, 18.0);
  EXPECT_FALSE(events_.ProgressValues().empty());
  EXPECT_FALSE(Exists(Target()));
  // 26 cut-off answers of 60000 bytes went into the one part file.
  EXPECT_EQ(Utils::FileSizeAt(Part(0)), 26 * 60000);
  EXPECT_FALSE(Exists(Part(1)));
}

TEST_F(MtCurlDownloaderTest, LibcurlNotStartedFailsWithoutARequest) {
  const std::string md5 = server_.WritePackage(L"mt/nocurl.exe", kMiB);
  struct Restore {
    ~Restore() { g_InstallerConfig.LibcurlReady = true; }
  } restore;
  g_InstallerConfig.LibcurlReady = false;
  Make(PkgUrl(md5, L"nocurl.exe"));
  downloader_->Start();
  ASSERT_TRUE(events_.WaitForFinals(1));
  downloader_.reset();
  EXPECT_EQ(events_.CodesWithoutProgress(), (std::vector<int>{kStart, kFail}));
  EXPECT_EQ(events_.Events().back().value, 0.0);
  EXPECT_TRUE(ParseLog(server_.Log()).empty());
  EXPECT_FALSE(Exists(Target()));
}

// Without a target path there is nowhere to put the parts: both runs fail with the state of
// a part file that cannot be opened, and no "_0" appears in the current folder.
TEST_F(MtCurlDownloaderTest, EmptyTargetPathFailsWithoutWritingAnything) {
  const std::string md5 = server_.WritePackage(L"mt/nopath.exe", kMiB);
  EventRecorder events;
  CMTCurlDownloader* self = nullptr;
  {
    CMTCurlDownloader downloader(events.Callback([&self](const RecordedEvent& e) {
      if (e.code == kRetry) self->Start();
    }), PkgUrl(md5, L"nopath.exe"), L"");
    self = &downloader;
    downloader.Start();
    ASSERT_TRUE(events.WaitForFinals(2));
  }
  ExpectWellFormedRuns(events.Events(), false);
  EXPECT_EQ(events.CodesWithoutProgress(), (std::vector<int>{kStart, kRetry, kStart, kFail}));
  EXPECT_EQ(events.Events().back().value, CMTCurlDownloader::kStatePartFileFailed);
  EXPECT_TRUE(GetRanges(ParseLog(server_.Log())).empty()) << "no range is attempted";
  EXPECT_FALSE(Exists(L"_0"));
}

TEST_F(MtCurlDownloaderTest, ConstructionRemovesLeftovers) {
  for (const std::wstring& leftover : {Target(), Part(0), Part(1)}) {
    std::ofstream(testsupport::FsPath(leftover), std::ios::binary) << "old";
  }
  CMTCurlDownloader downloader(events_.Callback(), server_.Url(L"/files/none.exe"), Target());
  EXPECT_FALSE(Exists(Target()));
  EXPECT_FALSE(Exists(Part(0)));
  EXPECT_FALSE(Exists(Part(1)));
  EXPECT_TRUE(events_.Events().empty()) << "construction starts nothing";
}

// Teardown at several moments of a run that cannot end by itself in time: before the
// lookup, while the second range is about to start, during a transfer, during the pauses
// between attempts. The destructor aborts the transfers instead of waiting for them, and no
// event begins once it has returned; no final event is sent at all. With the product's own
// pauses (400 ms between attempts, 100 ms between the two connections).
TEST_F(MtCurlDownloaderTest, TeardownDuringARunStopsItAndSendsNothingMore) {
  download_test::ScopedDownloadTimings product{DownloadTimings{}};
  const std::string md5 = server_.WritePackage(L"mt/slow.exe", 21 * kMiB);
  const struct {
    const char* name;
    const char* faults;
    int afterMs;           // destroy this long after Start ...
    bool afterProgress;    // ... or once the first progress event has come
  } moments[] = {
      {"right after start", "throttle=100000", 0, false},
      {"between the part starts", "throttle=100000", 60, false},
      {"during the transfers", "throttle=400000", 0, true},
      {"during the pauses between attempts", "cut=0", 1000, false},
  };
  for (const auto& m : moments) {
    SCOPED_TRACE(m.name);
    ASSERT_TRUE(server_.Control(m.faults));
    server_.Log(true);
    std::atomic<bool> destroyed{false};
    std::atomic<int> late{0};
    EventRecorder events;
    auto downloader = std::make_unique<CMTCurlDownloader>(events.Callback([&](const RecordedEvent&) {
      if (destroyed) ++late;
    }), PkgUrl(md5, L"slow.exe"), Target());
    downloader->Start();
    if (m.afterProgress) {
      for (int i = 0; i < 200 && events.ProgressValues().empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      ASSERT_FALSE(events.ProgressValues().empty());
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(m.afterMs));
    }
    const auto began = std::chrono::steady_clock::now();
    downloader.reset();
    const auto took = std::chrono::steady_clock::now() - began;
    destroyed = true;
    const std::vector<Request> requests = ParseLog(server_.Log());
    if (std::string(m.faults) == "cut=0") {
      EXPECT_LT(GetRanges(requests).size(), 26u) << "the retry loops stopped before their budget was spent";
    } else {
      // The throttled transfers need more than 50 s.
      EXPECT_LT(took, std::chrono::seconds(20)) << "teardown waited for the transfers instead of aborting them";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_EQ(late.load(), 0);
    for (const RecordedEvent& e : events.Events()) EXPECT_FALSE(IsFinal(e.code)) << "final event " << e.code;
    EXPECT_EQ(ParseLog(server_.Log()).size(), requests.size()) << "no attempt after teardown";
    EXPECT_FALSE(Exists(Target()));
  }
}

// A folder that the ANSI code page cannot name, as under a user name in another script:
// part files, their merge, the move and the digest all work through wide paths.
TEST_F(MtCurlDownloaderTest, DownloadsIntoAFolderTheAnsiCodePageCannotName) {
  const std::string md5 = server_.WritePackage(L"mt/wide.exe", kOdd);
  const std::wstring folder = Utils::JoinPath(dir_.WPath(), testsupport::kNameOutsideAnsiCodePage);
  ASSERT_TRUE(Utils::CreateDirectoryTree(folder));
  const std::wstring target = Utils::JoinPath(folder, L"__Package_Tavelo.exe");
  ASSERT_TRUE(server_.Control("cut=300000&cut_times=1"));  // one range resumes its part file
  {
    CMTCurlDownloader downloader(events_.Callback(), PkgUrl(md5, L"wide.exe"), target);
    downloader.Start();
    ASSERT_TRUE(events_.WaitForFinals(1));
  }
  EXPECT_EQ(events_.CodesWithoutProgress(), (std::vector<int>{kStart, kSuccess}));
  EXPECT_EQ(Utils::FileMd5Hex(target), md5);
  EXPECT_FALSE(Exists(target + L"_0"));
  EXPECT_FALSE(Exists(target + L"_1"));
}

}  // namespace
