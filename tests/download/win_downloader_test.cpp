// CWinDownloader against the stand-in package server: URL escaping, events, redirects,
// attempts, the empty path, unknown sizes and teardown. In the Windows build the system
// service (URLDownloadToFileW) does the transfers; where Wine's service behaves
// differently from the native libcurl client, the test says so and checks what it does.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "download/win_downloader.h"
#include "tests/download/test_timings.h"
#include "tests/support/event_recorder.h"
#include "tests/support/server_test.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"
#include "utils/folders.h"
#include "utils/md5.h"
#include "utils/text.h"

using testsupport::EventRecorder;
using testsupport::RecordedEvent;

namespace {

// The Windows build hands transfers to the system service; under Wine that is Wine's
// urlmon, whose answers to failing servers differ from Windows and from the libcurl client.
bool UnderWine() { return testsupport::RunningUnderWine(); }

// Distinct names per process: the system service caches what it fetched (in the test
// prefix, across runs), so every download here must ask for a URL never asked for before.
// Always longer than 32 characters, so that a folder of this name right before a file
// name is never taken for the digest segment of the URL.
std::wstring UniqueName(const std::wstring& stem) {
  static const std::wstring run = [] {
    std::random_device random;
    wchar_t text[32];
    std::swprintf(text, 32, L"%010u-%010u", static_cast<unsigned>(random()), static_cast<unsigned>(random()));
    return std::wstring(text);
  }();
  static std::atomic<int> counter{0};
  wchar_t number[16];
  std::swprintf(number, 16, L"%04d", ++counter);
  return L"wd-" + run + L"-" + number + L"-" + stem;
}

std::string Narrow(const std::wstring& text) { return Utils::ToNarrow(text, Utils::kCodePageUtf8); }

struct LoggedRequest {
  std::string method;
  std::string path;  // raw, as sent on the wire
  double time;       // arrival, epoch seconds
};

// The server's request log is a JSON list of objects whose values are flat apart from the
// header map; raw paths are printable ASCII here, so no JSON escapes occur. Paths are given
// without the test's scope prefix, as the downloader was asked for them.
std::vector<LoggedRequest> Requests(const testsupport::TestServer& server) {
  const std::string scope = server.ScopedPath("");
  const std::string log = server.Log();
  static const std::regex entryStart(R"re(\{"id": )re");
  static const std::regex methodField(R"re("method": "([A-Z]+)")re");
  static const std::regex pathField(R"re("path": "([^"]*)")re");
  static const std::regex arrival(R"re("time": ([0-9.]+))re");
  std::vector<std::size_t> starts;
  for (auto it = std::sregex_iterator(log.begin(), log.end(), entryStart); it != std::sregex_iterator(); ++it) {
    starts.push_back(static_cast<std::size_t>(it->position()));
  }
  std::vector<LoggedRequest> requests;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const std::string entry = log.substr(starts[i], i + 1 < starts.size() ? starts[i + 1] - starts[i] : std::string::npos);
    std::smatch m, p, t;
    if (std::regex_search(entry, m, methodField) && std::regex_search(entry, p, pathField) && std::regex_search(entry, t, arrival)) {
      std::string path = p[1].str();
      if (path.rfind(scope, 0) == 0) path.erase(0, scope.size());
      requests.push_back({m[1].str(), path, std::stod(t[1].str())});
    }
  }
  return requests;
}

// Requests to path in bursts: a burst ends where the next request comes more than half a
// pause later, so each burst is one attempt (a service may send an attempt's request twice).
int Bursts(const testsupport::TestServer& server, const std::string& path, DownloadTimings::Ms pause) {
  int bursts = 0;
  double last = -1;
  for (const LoggedRequest& r : Requests(server)) {
    if (r.path != path) continue;
    if (last < 0 || r.time - last > pause.count() / 2000.0) ++bursts;
    last = r.time;
  }
  return bursts;
}

// The GET requests: what the service fetched. (Where the service does not tell where the
// redirects ended, the downloader looks it up with HEAD requests after the transfer.)
std::vector<LoggedRequest> Gets(const testsupport::TestServer& server) {
  std::vector<LoggedRequest> gets;
  for (const LoggedRequest& r : Requests(server)) {
    if (r.method == "GET") gets.push_back(r);
  }
  return gets;
}

int CountRequests(const testsupport::TestServer& server, const std::string& method, const std::string& path) {
  int n = 0;
  for (const LoggedRequest& r : Requests(server)) n += r.method == method && r.path == path;
  return n;
}

std::string FileMd5(const std::wstring& path) {
  return Utils::FileMd5Hex(Utils::ToNarrow(path, Utils::kCodePageAnsi));
}

bool IsFinal(const RecordedEvent& e) {
  return e.code == DL_CODE_SUCCESS || e.code == DL_CODE_RETRY || (e.code == DL_CODE_FAIL && !e.text.empty());
}

// The order every run must keep: 1001 first, progress values in [0, 1], no 1005, at most
// one digest notice and only right before the final event, exactly one final event, last.
void ExpectWellFormedRun(const std::vector<RecordedEvent>& events) {
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front().code, DL_CODE_START);
  EXPECT_EQ(events.front().value, 1.0);
  EXPECT_EQ(events.front().text, L"");
  int finals = 0;
  for (std::size_t i = 0; i < events.size(); ++i) {
    const RecordedEvent& e = events[i];
    EXPECT_NE(e.code, DL_CODE_RETRY);
    if (e.code == DL_CODE_NOTICE) {
      EXPECT_EQ(i + 2, events.size()) << "a notice comes right before the final event";
      EXPECT_TRUE(e.text == kWinMismatchNotice || e.text == kWinNoDigestNotice);
      EXPECT_EQ(e.value, 0.0);
    }
    if (e.code == DL_CODE_PROGRESS) {
      EXPECT_TRUE(e.value >= 0.0 && e.value <= 1.0) << e.value;
      EXPECT_EQ(e.text, L"");
    }
    finals += IsFinal(e);
  }
  EXPECT_EQ(finals, 1);
  EXPECT_TRUE(IsFinal(events.back()));
}

class WinDownloaderTest : public testsupport::ServerTest {
 protected:
  std::wstring Target() const { return Utils::JoinPath(dir_.WPath(), L"__Package_Tavelo.exe"); }

  // One whole run: Start, the final event, then teardown.
  std::vector<RecordedEvent> Download(const std::wstring& url, const std::wstring& path) {
    EventRecorder recorder;
    {
      CWinDownloader downloader(recorder.Callback(), url, path);
      downloader.Start();
      EXPECT_TRUE(recorder.WaitForFinals(1)) << "no final event";
    }
    return recorder.Events();
  }
};

}  // namespace

TEST(EscapeUrlForService, Table) {
  std::wstring printable;
  for (wchar_t c = 0x21; c <= 0x7E; ++c) printable += c;
  const struct {
    std::wstring in;
    std::wstring out;
  } cases[] = {
      {L"", L""},
      {L"http://h/a b", L"http://h/a+b"},
      {L"http://h/" + printable, L"http://h/" + printable},           // 0x21-0x7E kept as they are
      {L"http://h/a%20b%zz%", L"http://h/a%20b%zz%"},                  // escapes are not escaped twice
      {L"http://h/\u00fc", L"http://h/%C3%BC"},                         // UTF-8, upper-case hex
      {L"http://h/\u4e2d\u6587", L"http://h/%E4%B8%AD%E6%96%87"},
      {L"http://h/\U0001F600", L"http://h/%F0%9F%98%80"},               // beyond the BMP
      {L"http://h/\t\r\n\x7F", L"http://h/%09%0D%0A%7F"},              // controls and DEL
      {L"http://h/a b/\u00fc x.exe", L"http://h/a+b/%C3%BC+x.exe"},
      {L"file:///C:/a b/\u00fc.exe", L"file:///C:/a b/\u00fc.exe"},    // file URLs unchanged
      {L"file:///", L"file:///"},
      {L"FILE:///a b", L"FILE:///a+b"},                                 // the prefix is exact
      {L" file:///a", L"+file:///a"},                                   // and at position 0
      {L"file://host/a b", L"file://host/a+b"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeUrlForService(c.in), c.out) << Narrow(c.in);
}

TEST_F(WinDownloaderTest, DownloadsWithProgressThenSuccess) {
  const std::wstring name = UniqueName(L"happy.exe");
  const std::string md5 = server_.WritePackage(name, 3 * 1048576 + 17, 11);
  const std::wstring path = Target();
  const auto events = Download(server_.Url(L"/pkg/" + Utils::ToWide(md5, Utils::kCodePageUtf8) + L"/" + name), path);

  ExpectWellFormedRun(events);
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events.back().code, DL_CODE_SUCCESS);
  EXPECT_EQ(events.back().value, 0.0);
  EXPECT_EQ(events.back().text, L"URLDownloadToFile");
  std::vector<double> progress;
  for (std::size_t i = 1; i + 1 < events.size(); ++i) {
    EXPECT_EQ(events[i].code, DL_CODE_PROGRESS) << "only progress between start and end";
    progress.push_back(events[i].value);
  }
  ASSERT_FALSE(progress.empty());
  for (std::size_t i = 1; i < progress.size(); ++i) EXPECT_LE(progress[i - 1], progress[i]);
  EXPECT_EQ(progress.back(), 1.0);
  EXPECT_EQ(FileMd5(path), md5);
  EXPECT_EQ(CountRequests(server_, "GET", "/pkg/" + md5 + "/" + Narrow(name)), 1);
}

TEST_F(WinDownloaderTest, FollowsTheRedirectServiceToThePackage) {
  const std::wstring route = UniqueName(L"route");
  const std::string md5 = server_.WritePackage(route + L"/routed.exe", 1048576 + 5, 12);
  const std::wstring redirect = L"/redirect/ver1/tavelo/" + route + L"/1.0/installer/123456";
  const std::wstring path = Target();
  const auto events = Download(server_.Url(redirect), path);

  ExpectWellFormedRun(events);
  EXPECT_EQ(events.back().code, DL_CODE_SUCCESS);
  EXPECT_EQ(FileMd5(path), md5);
  std::vector<double> progress;
  for (const RecordedEvent& e : events) {
    if (e.code == DL_CODE_PROGRESS) progress.push_back(e.value);
  }
  ASSERT_FALSE(progress.empty());
  for (std::size_t i = 1; i < progress.size(); ++i) EXPECT_LE(progress[i - 1], progress[i]) << "at " << i;
  const auto requests = Gets(server_);
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(requests.front().method, "GET");
  EXPECT_EQ(requests.front().path, Narrow(redirect));
  EXPECT_EQ(requests.back().method, "GET");
  EXPECT_EQ(requests.back().path, "/pkg/" + Narrow(route) + "/" + md5 + "/routed.exe");
}

TEST_F(WinDownloaderTest, SendsSpaceAsPlusAndNonAsciiAsUtf8Escapes) {
  const std::wstring folder = UniqueName(L"esc");
  // The server maps the raw path literally: "+" names a "+" in the file name.
  const std::string md5 = server_.WritePackage(folder + L"/a+b-\u00fc\u4e2d.exe", 300000, 13);
  const std::wstring path = Target();
  const auto events = Download(server_.Url(L"/files/" + folder + L"/a b-\u00fc\u4e2d.exe"), path);

  ExpectWellFormedRun(events);
  EXPECT_EQ(events.back().code, DL_CODE_SUCCESS);
  EXPECT_EQ(FileMd5(path), md5);
  EXPECT_EQ(CountRequests(server_, "GET", "/files/" + Narrow(folder) + "/a+b-%C3%BC%E4%B8%AD.exe"), 1);
  EXPECT_EQ(Gets(server_).size(), 1u);
}

TEST_F(WinDownloaderTest, FileUrlIsPassedUnchanged) {
  // A space escaped to "+" would name a file that does not exist.
  const testsupport::TempDir source;
  const std::filesystem::path folder = source.Path() / "with space";
  std::filesystem::create_directories(folder);
  const std::string bytes(70000, 'q');
  std::ofstream(folder / "source.bin", std::ios::binary) << bytes;
  std::wstring location = (folder / "source.bin").wstring();
  for (wchar_t& c : location) {
    if (c == L'\\') c = L'/';
  }
  if (!location.empty() && location.front() == L'/') location.erase(0, 1);
  const std::wstring path = Target();
  const auto events = Download(L"file:///" + location, path);

  ExpectWellFormedRun(events);
  EXPECT_EQ(events.back().code, DL_CODE_SUCCESS);
  EXPECT_EQ(FileMd5(path), Utils::Md5Hex(bytes.data(), bytes.size()));
}

TEST_F(WinDownloaderTest, SecondStartRunsNothingMore) {
  const std::wstring name = UniqueName(L"twice.exe");
  const std::string md5 = server_.WritePackage(name, 200000, 14);
  const std::wstring path = Target();
  EventRecorder recorder;
  {
    CWinDownloader downloader(recorder.Callback(), server_.Url(L"/files/" + name), path);
    downloader.Start();
    downloader.Start();
    ASSERT_TRUE(recorder.WaitForFinals(1));
    downloader.Start();  // after the run ended
    std::this_thread::sleep_for(3 * download_test::FastTimings().serviceAttemptPause);
  }
  EXPECT_EQ(recorder.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_NOTICE, DL_CODE_SUCCESS}));
  EXPECT_EQ(FileMd5(path), md5);
  EXPECT_EQ(CountRequests(server_, "GET", "/files/" + Narrow(name)), 1);
  EXPECT_EQ(Gets(server_).size(), 1u);
}

TEST_F(WinDownloaderTest, NeverStartedDownloaderEndsQuietly) {
  EventRecorder recorder;
  { CWinDownloader downloader(recorder.Callback(), server_.Url(L"/files/" + UniqueName(L"never.exe")), Target()); }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_TRUE(recorder.Events().empty());
  EXPECT_TRUE(Requests(server_).empty());
}

TEST_F(WinDownloaderTest, EmptyPathIsReportedAndTheRunGoesOn) {
  const std::wstring name = UniqueName(L"nopath.exe");
  server_.WritePackage(name, 50000, 15);
  const auto events = Download(server_.Url(L"/files/" + name), L"");

  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events[0].code, DL_CODE_START);
  EXPECT_EQ(events[1].code, DL_CODE_FAIL);
  EXPECT_EQ(events[1].value, 1.0);
  EXPECT_EQ(events[1].text, L"");
  // The run goes on with the empty path.
  EXPECT_EQ(events.back().text, L"URLDownloadToFile");
  if (UnderWine()) {
    // Wine's URLDownloadToFileW fetches the file into its cache, copies it nowhere and
    // reports success for an empty file name; no file has the announced length, so each
    // attempt fails (the later ones may be served from the cache).
    int finals = 0;
    for (const RecordedEvent& e : events) finals += IsFinal(e);
    EXPECT_EQ(finals, 1);
    EXPECT_EQ(events.back().code, DL_CODE_FAIL);
    EXPECT_EQ(events.back().value, static_cast<double>(win_downloader_detail::IncompleteFileCode()));
    const int gets = CountRequests(server_, "GET", "/files/" + Narrow(name));
    EXPECT_GE(gets, 1);
    EXPECT_LE(gets, CWinDownloader::kAttempts);
  } else {
    // The libcurl client cannot open a file without a name: three failed attempts.
    EXPECT_EQ(events.back().code, DL_CODE_FAIL);
    EXPECT_EQ(events.back().value, 23.0) << "CURLE_WRITE_ERROR: the file cannot be opened";
    EXPECT_TRUE(Requests(server_).empty()) << "no request without a file to write";
  }
}

namespace {
struct FailureCase {
  const char* name;
  const char* fault;    // the server's fault set
  std::set<double> nativeCodes;  // libcurl codes the libcurl client may end with
};
}  // namespace

// With the product's own pause of 1000 ms after each attempt.
TEST_F(WinDownloaderTest, FailedAttemptsEndInFailureAfterThree) {
  download_test::ScopedDownloadTimings product{DownloadTimings{}};
  const DownloadTimings::Ms pause = DownloadTimings{}.serviceAttemptPause;
  const FailureCase cases[] = {
      {"status 404", "status=404", {22}},   // CURLE_HTTP_RETURNED_ERROR
      {"status 500", "status=500", {22}},
      {"socket reset", "reset=1", {52, 56}},  // got nothing / receive error
      {"redirect loop", "", {47}},          // CURLE_TOO_MANY_REDIRECTS after 30 redirects
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    const bool loop = std::string(c.name) == "redirect loop";
    if (loop && UnderWine()) {
      // Wine's URLDownloadToFileW follows a redirect loop without limit; the watchdog ends
      // it (RedirectLoopEndsEveryAttempt), after a minute per attempt with these timings.
      continue;
    }
    ASSERT_TRUE(server_.Control(c.fault));
    server_.Log(true);
    const std::wstring name = UniqueName(L"fail.exe");
    const std::string md5 = server_.WritePackage(name, 100000, 16);
    const std::wstring resource = loop ? L"/loop" : L"/pkg/" + Utils::ToWide(md5, Utils::kCodePageUtf8) + L"/" + name;
    const std::wstring path = Target();
    const auto start = std::chrono::steady_clock::now();
    const auto events = Download(server_.Url(resource), path);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ExpectWellFormedRun(events);
    const int gets = CountRequests(server_, "GET", Narrow(resource));

    if (UnderWine() && std::string(c.fault).rfind("status=", 0) == 0) {
      // Wine's URLDownloadToFileW takes an error answer's body for the file and reports
      // success; the digest in the URL refuses it: one attempt, the mismatch notice, 1004,
      // and the error text is not left on disk.
      EXPECT_EQ(gets, 1);
      ASSERT_EQ(events.size() >= 2 ? events[events.size() - 2].code : 0, DL_CODE_NOTICE);
      EXPECT_EQ(events[events.size() - 2].text, kWinMismatchNotice);
      EXPECT_EQ(events.back().code, DL_CODE_FAIL);
      EXPECT_EQ(events.back().value, 0.0);
      EXPECT_FALSE(std::filesystem::exists(testsupport::FsPath(path)));
      continue;
    }
    EXPECT_EQ(events.back().code, DL_CODE_FAIL);
    EXPECT_EQ(events.back().text, L"URLDownloadToFile");
    if (UnderWine()) {
      // A failed HRESULT; a reset that Wine's service takes for the end of an empty file
      // fails the length check instead.
      EXPECT_LT(events.back().value, 0.0);
    } else {
      EXPECT_EQ(c.nativeCodes.count(events.back().value), 1u) << events.back().value;
    }
    // Each failed attempt is followed by one pause, the third one too.
    EXPECT_GE(elapsed, CWinDownloader::kAttempts * pause);
    EXPECT_EQ(Bursts(server_, Narrow(resource), pause), CWinDownloader::kAttempts);
    if (loop) {
      EXPECT_EQ(gets, CWinDownloader::kAttempts * 31) << "1 request and 30 redirects each";
    } else if (UnderWine()) {
      // Wine's service at times sends an attempt's request again at once on a new connection.
      EXPECT_GE(gets, CWinDownloader::kAttempts);
      EXPECT_LE(gets, 2 * CWinDownloader::kAttempts);
    } else {
      EXPECT_EQ(gets, CWinDownloader::kAttempts);
    }
  }
}

TEST_F(WinDownloaderTest, UnreachableServerFailsAfterThreeAttempts) {
  // Port 1 on the loopback interface: nothing listens there, the connection is refused.
  const auto start = std::chrono::steady_clock::now();
  const auto events = Download(L"http://127.0.0.1:1/" + UniqueName(L"nowhere.exe"), Target());
  const auto elapsed = std::chrono::steady_clock::now() - start;

  ExpectWellFormedRun(events);
  EXPECT_EQ(events.back().code, DL_CODE_FAIL);
  EXPECT_EQ(events.back().text, L"URLDownloadToFile");
  if (UnderWine()) {
    EXPECT_LT(events.back().value, 0.0) << "a failed HRESULT";
  } else {
    EXPECT_EQ(events.back().value, 7.0) << "CURLE_COULDNT_CONNECT";
  }
  EXPECT_GE(elapsed, CWinDownloader::kAttempts * download_test::FastTimings().serviceAttemptPause);
}

TEST_F(WinDownloaderTest, NoProgressWhileTheSizeIsUnknown) {
  const std::wstring name = UniqueName(L"nolength.exe");
  const std::string md5 = server_.WritePackage(name, 1048576 + 3, 17);
  ASSERT_TRUE(server_.Control("no_length=1"));
  const std::wstring path = Target();
  const auto events = Download(server_.Url(L"/files/" + name), path);

  ExpectWellFormedRun(events);
  EXPECT_EQ(events.back().code, DL_CODE_SUCCESS);
  EXPECT_EQ(FileMd5(path), md5);
  for (const RecordedEvent& e : events) {
    EXPECT_NE(e.code, DL_CODE_PROGRESS) << "a progress event without a known size: " << e.value;
  }
}

TEST_F(WinDownloaderTest, TeardownMidTransferStopsPromptlyWithoutFurtherEvents) {
  const std::wstring name = UniqueName(L"slow.exe");
  server_.WritePackage(name, 2 * 1048576, 18);
  // About 64 s for the whole file; teardown must not wait for that.
  ASSERT_TRUE(server_.Control("throttle=32768"));
  EventRecorder recorder;
  std::mutex mutex;
  std::condition_variable progressed;
  bool sawProgress = false;
  std::atomic<bool> tornDown{false};
  std::atomic<int> lateEvents{0};
  auto downloader = std::make_unique<CWinDownloader>(
      recorder.Callback([&](const RecordedEvent& e) {
        if (tornDown) ++lateEvents;
        if (e.code == DL_CODE_PROGRESS && e.value > 0) {
          std::lock_guard<std::mutex> lock(mutex);
          sawProgress = true;
          progressed.notify_all();
        }
      }),
      server_.Url(L"/files/" + name), Target());
  downloader->Start();
  {
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(progressed.wait_for(lock, std::chrono::seconds(60), [&] { return sawProgress; }));
  }
  const auto start = std::chrono::steady_clock::now();
  downloader.reset();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  tornDown = true;
  const std::size_t count = recorder.Events().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));

  EXPECT_LT(elapsed, std::chrono::seconds(20)) << "teardown waited for the transfer";
  EXPECT_EQ(recorder.Events().size(), count);
  EXPECT_EQ(lateEvents.load(), 0);
  for (const RecordedEvent& e : recorder.Events()) EXPECT_FALSE(IsFinal(e)) << "final event " << e.code;
  EXPECT_EQ(CountRequests(server_, "GET", "/files/" + Narrow(name)), 1) << "no further attempt";
}

// A server that has gone silent sends no notification that could see the abort mark:
// teardown aborts the transfer itself instead of waiting for the watchdog.
TEST_F(WinDownloaderTest, TeardownOfASilentTransferIsPrompt) {
  download_test::ScopedDownloadTimings product{DownloadTimings{}};  // a watchdog of 60 s
  const std::wstring name = UniqueName(L"mute.exe");
  server_.WritePackage(name, 1048576, 21);
  ASSERT_TRUE(server_.Control("stall_after=0&stall_seconds=120"));
  EventRecorder recorder;
  auto downloader = std::make_unique<CWinDownloader>(recorder.Callback(), server_.Url(L"/files/" + name), Target());
  downloader->Start();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (CountRequests(server_, "GET", "/files/" + Narrow(name)) == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_EQ(CountRequests(server_, "GET", "/files/" + Narrow(name)), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the answer's headers have come
  const auto start = std::chrono::steady_clock::now();
  downloader.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << "teardown waited for the watchdog";
  for (const RecordedEvent& e : recorder.Events()) EXPECT_FALSE(IsFinal(e)) << "final event " << e.code;
}

TEST_F(WinDownloaderTest, TeardownBetweenAttemptsStopsTheAttempts) {
  // Every attempt asks the server once and is sent on to a port where the connection is
  // refused, a failure that Wine's service reports as reliably as the libcurl client.
  const std::wstring resource = L"/redirect-to?url=http://127.0.0.1:1/" + UniqueName(L"pause.exe");
  EventRecorder recorder;
  auto downloader = std::make_unique<CWinDownloader>(recorder.Callback(), server_.Url(resource), Target());
  downloader->Start();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (CountRequests(server_, "GET", Narrow(resource)) == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_EQ(CountRequests(server_, "GET", Narrow(resource)), 1);
  downloader.reset();
  std::this_thread::sleep_for(3 * download_test::FastTimings().serviceAttemptPause);

  EXPECT_EQ(recorder.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START}));
  EXPECT_EQ(CountRequests(server_, "GET", Narrow(resource)), 1) << "no attempt after teardown";
}

// Servers that end or stall a transfer without the service noticing: a short or empty file
// is a failed attempt, and so is an attempt whose progress stands still for the watchdog's
// time. Three attempts each, then 1004; never 1003.
TEST_F(WinDownloaderTest, ShortEmptyAndSilentTransfersFail) {
  const DownloadTimings timings = download_test::FastTimings();
  const struct {
    const char* name;
    const char* fault;
    bool silent;  // the watchdog must end each attempt
  } cases[] = {
      {"closes after half the file", "cut=500000", false},
      {"closes after the headers", "cut=0", false},
      {"silent after the headers", "stall_after=0&stall_seconds=60", true},
      {"silent in the middle of the body", "stall_after=300000&stall_seconds=60", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server_.Control(c.fault));
    server_.Log(true);
    const std::wstring name = UniqueName(L"short.exe");
    server_.WritePackage(name, 1048576, 19);
    const auto start = std::chrono::steady_clock::now();
    const auto events = Download(server_.Url(L"/files/" + name), Target());
    const auto elapsed = std::chrono::steady_clock::now() - start;

    ExpectWellFormedRun(events);
    EXPECT_EQ(events.back().code, DL_CODE_FAIL);
    EXPECT_EQ(events.back().text, L"URLDownloadToFile");
    for (const RecordedEvent& e : events) EXPECT_NE(e.code, DL_CODE_NOTICE) << "no digest check without a file";
    EXPECT_EQ(Bursts(server_, "/files/" + Narrow(name), timings.serviceAttemptPause), CWinDownloader::kAttempts);
    if (c.silent) {
      EXPECT_EQ(events.back().value, static_cast<double>(win_downloader_detail::StalledCode()));
      EXPECT_GE(elapsed, CWinDownloader::kAttempts * timings.serviceWatchdog);
      EXPECT_LT(elapsed, CWinDownloader::kAttempts * (timings.serviceWatchdog + timings.serviceAttemptPause) +
                             std::chrono::seconds(10));
    } else if (UnderWine()) {
      // The service reports success for the short file, or a failure of its own.
      EXPECT_LT(events.back().value, 0.0);
    } else {
      EXPECT_EQ(events.back().value, 18.0) << "CURLE_PARTIAL_FILE";
    }
  }
}

// The digest in the URL the redirects end at decides, as with the other downloaders; a
// mismatch removes the file and ends the run at once, as this downloader has no retry event.
TEST_F(WinDownloaderTest, PackageIsCheckedAgainstTheDigestOfTheFinalUrl) {
  const struct {
    const char* name;
    bool route;          // through the redirect service
    const char* fault;   // redirect_md5 puts another digest into the redirect
    bool wrongInUrl;     // a /pkg/ URL naming another digest
    std::vector<int> codes;
    const wchar_t* notice;
  } cases[] = {
      {"digest of the redirect matches", true, "", false, {DL_CODE_START, DL_CODE_SUCCESS}, nullptr},
      {"redirect names another digest", true, "redirect_md5=0123456789abcdef0123456789abcdef", false,
       {DL_CODE_START, DL_CODE_NOTICE, DL_CODE_FAIL}, kWinMismatchNotice},
      {"url names another digest", false, "", true, {DL_CODE_START, DL_CODE_NOTICE, DL_CODE_FAIL}, kWinMismatchNotice},
      {"url without digest", false, "", false, {DL_CODE_START, DL_CODE_NOTICE, DL_CODE_SUCCESS}, kWinNoDigestNotice},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server_.Control(c.fault));
    server_.Log(true);
    const std::wstring route = UniqueName(L"digest");
    // The folder "x" right before the file name: a unique name there could be 32 long.
    const std::string md5 = server_.WritePackage(route + L"/x/p.exe", 1048576 + 21, 20);
    std::wstring url;
    if (c.route) {
      url = server_.Url(L"/redirect/ver1/tavelo/" + route + L"/1.0/installer/123456");
    } else if (c.wrongInUrl) {
      url = server_.Url(L"/pkg/" + route + L"/x/00000000000000000000000000000000/p.exe");
    } else {
      url = server_.Url(L"/files/" + route + L"/x/p.exe");
    }
    EventRecorder recorder;
    {
      CWinDownloader downloader(recorder.Callback(), url, Target());
      downloader.Start();
      ASSERT_TRUE(recorder.WaitForFinals(1));
    }
    ExpectWellFormedRun(recorder.Events());
    EXPECT_EQ(recorder.CodesWithoutProgress(), c.codes);
    const RecordedEvent last = recorder.Events().back();
    EXPECT_EQ(last.text, L"URLDownloadToFile");
    EXPECT_EQ(last.value, 0.0);
    if (c.notice != nullptr) {
      const auto events = recorder.Events();
      EXPECT_EQ(events[events.size() - 2].text, c.notice);
    }
    if (last.code == DL_CODE_SUCCESS) {
      EXPECT_EQ(FileMd5(Target()), md5);
    } else {
      EXPECT_FALSE(std::filesystem::exists(testsupport::FsPath(Target()))) << "a refused package is removed";
      int packageGets = 0;
      for (const LoggedRequest& r : Requests(server_)) {
        packageGets += r.method == "GET" && r.path.size() >= 6 && r.path.compare(r.path.size() - 6, 6, "/p.exe") == 0;
      }
      EXPECT_GE(packageGets, 1);
      EXPECT_LE(packageGets, 2) << "one attempt (Wine's service may send its request twice)";
    }
  }
}

// A redirect loop ends every attempt: libcurl stops after 30 redirects; Wine's service
// follows the loop without end and without a notification, so the watchdog ends it.
TEST_F(WinDownloaderTest, RedirectLoopEndsEveryAttempt) {
  const DownloadTimings timings = download_test::FastTimings();
  const auto start = std::chrono::steady_clock::now();
  const auto events = Download(server_.Url(L"/loop"), Target());
  const auto elapsed = std::chrono::steady_clock::now() - start;
  ExpectWellFormedRun(events);
  EXPECT_EQ(events.back().code, DL_CODE_FAIL);
  if (UnderWine()) {
    EXPECT_EQ(events.back().value, static_cast<double>(win_downloader_detail::StalledCode()));
  } else {
    EXPECT_EQ(events.back().value, 47.0) << "CURLE_TOO_MANY_REDIRECTS";
  }
  EXPECT_LT(elapsed, CWinDownloader::kAttempts * (timings.serviceWatchdog + timings.serviceAttemptPause) +
                         std::chrono::seconds(10));
}
