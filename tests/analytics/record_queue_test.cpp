// The consumer against the stand-in collector: batches of thirty, records byte for byte,
// failed sends that put their batch back, the bounded queue, the staging file across runs
// and early process ends, certificate checks, and adding while flushing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "analytics/batch_sender.h"
#include "analytics/collector.h"
#include "analytics/record_queue.h"
#include "analytics/staged_queue.h"
#include "analytics/staging_file.h"
#include "download/tls_trust.h"
#include "tests/support/server_test.h"
#include "utils/folders.h"
#include "utils/text.h"

namespace {

using usage_analytics::Consumer;
using usage_analytics::LastSendSucceeded;
using Records = std::vector<std::string>;

std::string Utf8(const std::wstring& text) { return Utils::ToNarrow(text, Utils::kCodePageUtf8); }

// Records as the SDK makes them, with Chinese text and JSON escapes in them.
Records MakeRecords(std::size_t count, const std::string& tag) {
  Records records;
  for (std::size_t i = 0; i < count; ++i) {
    records.push_back("{\"_track_id\":" + std::to_string(100000000 + i) + ",\"event\":\"" + tag +
                      "\",\"properties\":{\"text\":\"\xE4\xB8\xAD\xE6\x96\x87 \\\"" + std::to_string(i) +
                      "\\\" \\\\ \xF0\x9F\x98\x80\"},\"type\":\"track\"}");
  }
  return records;
}

Records Slice(const Records& records, std::size_t from, std::size_t to) {
  return Records(records.begin() + static_cast<std::ptrdiff_t>(from), records.begin() + static_cast<std::ptrdiff_t>(to));
}

Records Concat(Records a, const Records& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The JSON array text a batch of these records travels as.
std::string ArrayOf(const Records& records) {
  std::string text = "[";
  for (const std::string& record : records) text += (text.size() > 1 ? "," : "") + record;
  return text + "]";
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
    lines.push_back(text.substr(at, end - at));
    if (!lines.back().empty() && lines.back().back() == '\r') lines.back().pop_back();
  }
  if (at < text.size()) lines.push_back(text.substr(at));
  return lines;
}

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class RecordQueueTest : public testsupport::ServerTest {
 protected:
  void SetUp() override {
    testsupport::ServerTest::SetUp();
    stagingWide_ = Utils::JoinPath(dir_.WPath(), std::wstring(testsupport::kNameOutsideAnsiCodePage) + L".dat");
  }

  std::string Url() const { return Utf8(server_.Url(L"/collect?project=pc")); }
  std::string StagingPath() const { return Utf8(stagingWide_); }
  std::filesystem::path StagingFile() const { return testsupport::FsPath(stagingWide_); }
  std::vector<std::string> StagedLines() const { return SplitLines(ReadFile(StagingFile())); }
  void WriteStaging(const std::string& text) const { std::ofstream(StagingFile(), std::ios::binary) << text; }

  // The batch texts the collector accepted, in order, as they were posted.
  std::vector<std::string> Batches() const { return SplitLines(server_.Get("/_batches")); }
  // Every POST the collector received, refused ones included.
  int Posts() const {
    std::smatch match;
    const std::string collected = server_.Get("/_collected");
    return std::regex_search(collected, match, std::regex("\"posts\": (\\d+)")) ? std::stoi(match[1]) : -1;
  }

  static void AddAll(Consumer& consumer, const Records& records) {
    for (const std::string& record : records) consumer.Add(record);
  }

  std::wstring stagingWide_;
};

TEST_F(RecordQueueTest, FortyFiveRecordsLeaveAsThirtyAndFifteenUnchanged) {
  Consumer consumer(Url(), StagingPath());
  const Records records = MakeRecords(45, "batch");
  AddAll(consumer, records);
  EXPECT_EQ(consumer.QueuedCount(), 45u);
  EXPECT_TRUE(consumer.FlushAll());
  EXPECT_TRUE(LastSendSucceeded());
  EXPECT_EQ(consumer.QueuedCount(), 0u);
  EXPECT_EQ(Batches(), (std::vector<std::string>{ArrayOf(Slice(records, 0, 30)), ArrayOf(Slice(records, 30, 45))}));
  EXPECT_EQ(Posts(), 2);

  // Each request: a form POST with the SDK's User-Agent and no header of the SDK's own beyond it.
  const std::string log = server_.Log();
  const std::regex entry("\"method\": \"([A-Z]+)\", \"path\": \"([^\"]*)\", \"headers\": \\{([^}]*)\\}");
  int requests = 0;
  for (auto it = std::sregex_iterator(log.begin(), log.end(), entry); it != std::sregex_iterator(); ++it, ++requests) {
    const std::smatch& m = *it;
    EXPECT_EQ(m[1], "POST");
    EXPECT_EQ(m[2], server_.ScopedPath("/collect?project=pc"));
    const std::string headers = m[3];
    EXPECT_NE(headers.find("\"user-agent\": \"UsageAnalytics CPP SDK 0.9\""), std::string::npos) << headers;
    EXPECT_NE(headers.find("\"content-type\": \"application/x-www-form-urlencoded\""), std::string::npos) << headers;
    const std::regex name("\"([a-z0-9-]+)\": ");
    for (auto h = std::sregex_iterator(headers.begin(), headers.end(), name); h != std::sregex_iterator(); ++h) {
      const std::string header = (*h)[1];
      EXPECT_TRUE(header == "host" || header == "user-agent" || header == "accept" || header == "content-length" ||
                  header == "content-type")
          << header;
    }
  }
  EXPECT_EQ(requests, 2);
}

TEST_F(RecordQueueTest, AFullQueueKeepsTheNewest1024) {
  Consumer consumer(Url(), StagingPath());
  const Records records = MakeRecords(1025, "full");
  AddAll(consumer, records);
  EXPECT_EQ(consumer.QueuedCount(), 1024u);
  EXPECT_TRUE(consumer.FlushAll());
  const std::vector<std::string> batches = Batches();
  ASSERT_EQ(batches.size(), 35u);
  for (std::size_t b = 0; b < batches.size(); ++b) {
    const std::size_t first = 1 + b * 30;
    EXPECT_EQ(batches[b], ArrayOf(Slice(records, first, std::min<std::size_t>(first + 30, 1025)))) << "batch " << b;
  }
}

TEST_F(RecordQueueTest, AnEmptyQueueMakesNoRequest) {
  Consumer consumer(Url(), StagingPath());
  EXPECT_TRUE(consumer.FlushPart());
  EXPECT_TRUE(consumer.FlushAll());
  EXPECT_EQ(Posts(), 0);
  EXPECT_EQ(server_.Log(), "[]");
}

struct FailureCase {
  const char* name;
  const char* faults;   // the collector's behaviour for the next post
  const char* message;  // what standard error then holds
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class FailedSend : public RecordQueueTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailedSend, PutsTheBatchBackAtTheFront) {
  const FailureCase& c = GetParam();
  Consumer consumer(Url(), StagingPath());
  const Records early = MakeRecords(5, "early"), held = MakeRecords(45, "held"), late = MakeRecords(5, "late");
  AddAll(consumer, early);
  ASSERT_TRUE(consumer.FlushAll());
  ASSERT_TRUE(LastSendSucceeded());

  AddAll(consumer, held);
  ASSERT_TRUE(server_.Control(c.faults));
  testing::internal::CaptureStderr();
  const bool flushed = consumer.FlushAll();
  const std::string error = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(flushed);
  EXPECT_FALSE(LastSendSucceeded());
  EXPECT_EQ(consumer.QueuedCount(), 45u) << "FlushAll stops at the failed batch";
  EXPECT_NE(error.find(c.message), std::string::npos) << error;

  AddAll(consumer, late);
  EXPECT_TRUE(consumer.FlushAll());
  EXPECT_TRUE(LastSendSucceeded());
  EXPECT_EQ(Batches(), (std::vector<std::string>{ArrayOf(early), ArrayOf(Slice(held, 0, 30)),
                                                 ArrayOf(Concat(Slice(held, 30, 45), late))}));
  EXPECT_EQ(Posts(), 4);
}

INSTANTIATE_TEST_SUITE_P(
    Collector, FailedSend,
    ::testing::Values(
        FailureCase{"status_500", "collect_status=500&collect_status_times=1", "UsageAnalytics SDK send failed: {\"code\": 500}"},
        FailureCase{"status_204", "collect_status=204&collect_status_times=1", "UsageAnalytics SDK send failed: "},
        FailureCase{"redirect_not_followed", "collect_redirect=307&collect_redirect_times=1",
                    "UsageAnalytics SDK send failed: <html>"},
        FailureCase{"slower_than_the_time_limit", "collect_delay=20&collect_delay_times=1",
                    "UsageAnalytics SDK send failed: Operation timed out"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// A batch put back finds only the room the queue has left: records added while it was away
// win, and the batch's oldest records are the ones that go.
TEST_F(RecordQueueTest, ABatchPutBackKeepsOnlyWhatFits) {
  Consumer consumer(Url(), StagingPath());
  const Records records = MakeRecords(1044, "room");
  AddAll(consumer, Slice(records, 0, 1024));
  ASSERT_TRUE(server_.Control("collect_delay=20&collect_delay_times=1"));
  std::atomic<int> flushed{-1};
  std::thread flusher([&] { flushed = consumer.FlushPart() ? 1 : 0; });
  // Add only once the batch is on its way (the collector has the request).
  for (int i = 0; i < 600 && server_.Log().find("\"POST\"") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  AddAll(consumer, Slice(records, 1024, 1044));
  flusher.join();
  EXPECT_EQ(flushed.load(), 0);
  EXPECT_EQ(consumer.QueuedCount(), 1024u);
  EXPECT_TRUE(consumer.FlushAll());
  std::string received;
  for (const std::string& batch : Batches()) received += batch;
  std::string expected;
  const Records kept = Slice(records, 20, 1044);
  for (std::size_t at = 0; at < kept.size(); at += 30) {
    expected += ArrayOf(Slice(kept, at, std::min(at + 30, kept.size())));
  }
  EXPECT_TRUE(received == expected) << "the last 10 of the batch came back, in front of the rest";
}

TEST_F(RecordQueueTest, TheStagingFileLoadsOnlyWholeObjectLinesFirst) {
  const Records staged = MakeRecords(3, "staged");
  const std::string bigObject = "{\"big\":\"" + std::string(200 * 1024, 'y') + "\"}";
  WriteStaging(staged[0] + "\n" + "garbage \x01\xFF line\n" + "plain words only\n\n" + staged[1] + "\r\n" +
               " " + staged[2] + "\n" + std::string(4 * 1024 * 1024, 'x') + "\n" + bigObject + "\n" + staged[2] +
               "\n" + "{\"truncated\":\"las");
  Consumer consumer(Url(), StagingPath());
  const Records added = MakeRecords(2, "added");
  AddAll(consumer, added);
  EXPECT_TRUE(consumer.FlushAll());
  EXPECT_EQ(Batches(), (std::vector<std::string>{ArrayOf({staged[0], staged[1], bigObject, staged[2], added[0], added[1]})}));
  EXPECT_EQ(ReadFile(StagingFile()), "") << "sent records leave the staging file";
}

TEST_F(RecordQueueTest, ShutdownKeepsTheQueueForTheNextRunWhichSendsItFirstAndOnce) {
  const Records first = MakeRecords(40, "first"), second = MakeRecords(10, "second");
  {
    Consumer consumer(Url(), StagingPath());
    AddAll(consumer, first);
    ASSERT_TRUE(server_.Control("collect_status=500&collect_status_times=1"));
    EXPECT_FALSE(consumer.FlushAll());
    consumer.Shutdown();
  }
  EXPECT_EQ(StagedLines(), first);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()), std::filesystem::directory_iterator()), 1)
      << "no temporary file is left beside the staging file";
  {
    Consumer consumer(Url(), StagingPath());
    AddAll(consumer, second);
    EXPECT_TRUE(consumer.FlushAll());
    consumer.Shutdown();
  }
  EXPECT_EQ(ReadFile(StagingFile()), "");
  {
    Consumer consumer(Url(), StagingPath());
    EXPECT_TRUE(consumer.FlushAll());
    consumer.Shutdown();
  }
  EXPECT_EQ(Batches(), (std::vector<std::string>{ArrayOf(Slice(first, 0, 30)), ArrayOf(Concat(Slice(first, 30, 40), second))}));
  EXPECT_EQ(Posts(), 3);
}

// A process that ends without Shutdown (a crash) leaves exactly the staged records it has not
// sent: none is lost and none is sent twice.
TEST_F(RecordQueueTest, AnEarlyEndLosesNoStagedRecordAndSendsNoneTwice) {
  const Records staged = MakeRecords(45, "staged");
  std::string text;
  for (const std::string& record : staged) text += record + "\n";
  WriteStaging(text);
  {
    Consumer consumer(Url(), StagingPath());
    EXPECT_TRUE(consumer.FlushPart());
  }
  EXPECT_EQ(StagedLines(), Slice(staged, 30, 45));
  {
    Consumer consumer(Url(), StagingPath());
    ASSERT_TRUE(server_.Control("collect_status=500&collect_status_times=1"));
    EXPECT_FALSE(consumer.FlushAll());
  }
  EXPECT_EQ(StagedLines(), Slice(staged, 30, 45));
  {
    Consumer consumer(Url(), StagingPath());
    EXPECT_TRUE(consumer.FlushAll());
  }
  EXPECT_EQ(Batches(), (std::vector<std::string>{ArrayOf(Slice(staged, 0, 30)), ArrayOf(Slice(staged, 30, 45))}));
  EXPECT_EQ(ReadFile(StagingFile()), "");
}

TEST_F(RecordQueueTest, AStagingFileThatCannotBeReplacedKeepsItsContent) {
  const Records staged = MakeRecords(3, "kept");
  const std::string text = staged[0] + "\n" + staged[1] + "\n" + staged[2] + "\n";
  WriteStaging(text);
  const std::filesystem::path blocker = testsupport::FsPath(Utils::ToWide(usage_analytics::StagingTempPath(StagingPath()), 65001));
  std::filesystem::create_directory(blocker);  // the new content has nowhere to go
  {
    Consumer consumer(Url(), StagingPath());
    consumer.Add(MakeRecords(1, "new")[0]);
    consumer.Shutdown();
  }
  EXPECT_EQ(ReadFile(StagingFile()), text);
  std::filesystem::remove(blocker);
  Consumer consumer(Url(), StagingPath());
  EXPECT_TRUE(consumer.FlushAll());
  EXPECT_EQ(Batches(), (std::vector<std::string>{ArrayOf(staged)}));
}

TEST_F(RecordQueueTest, TheCollectorsCertificateIsVerified) {
  if (!testsupport::CertificateChecksObservable()) GTEST_SKIP() << "certificate checks cannot be observed here";
  Consumer consumer(Utf8(server_.TlsUrl(L"/collect?project=pc")), StagingPath());
  AddAll(consumer, MakeRecords(3, "tls"));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(consumer.FlushAll()) << "a certificate of an authority nobody trusts";
  const std::string error = testing::internal::GetCapturedStderr();
  EXPECT_NE(error.find("UsageAnalytics SDK send failed: "), std::string::npos) << error;
  EXPECT_FALSE(LastSendSucceeded());
  EXPECT_EQ(consumer.QueuedCount(), 3u);
  SetTrustedCaFile(server_.CaFile());
  EXPECT_TRUE(consumer.FlushAll());
  SetTrustedCaFile("");
  EXPECT_EQ(consumer.QueuedCount(), 0u);
}

TEST(DefaultCollector, IsReachedOverTls) {
  EXPECT_EQ(usage::zelkor::DefaultCollectorUrl(), "https://collect.zelkorsoft.example/collect?project=pc");
}

// A sender whose next batch cannot be encoded, or whose encoding throws.
class FaultySender : public usage_analytics::BatchSender {
 public:
  enum class Fault { kNone, kNoBody, kThrow };
  using BatchSender::BatchSender;
  Fault next = Fault::kNone;

 protected:
  std::optional<std::string> EncodeBody(const std::string& batchText) override {
    switch (std::exchange(next, Fault::kNone)) {
      case Fault::kNoBody: return std::nullopt;
      case Fault::kThrow: throw std::runtime_error("no memory for the body");
      case Fault::kNone: break;
    }
    return BatchSender::EncodeBody(batchText);
  }
};

TEST_F(RecordQueueTest, ABatchThatCannotBeEncodedOrThrowsGoesBack) {
  auto owned = std::make_unique<FaultySender>(Url());
  FaultySender* sender = owned.get();
  usage_analytics::StagedQueue queue(std::move(owned), StagingPath());
  const Records early = MakeRecords(3, "early"), held = MakeRecords(45, "held");
  for (const std::string& record : early) queue.Add(record);
  ASSERT_TRUE(queue.FlushAll());
  for (const std::string& record : held) queue.Add(record);

  sender->next = FaultySender::Fault::kNoBody;
  EXPECT_FALSE(queue.FlushAll());
  EXPECT_EQ(queue.QueuedCount(), 45u);
  EXPECT_TRUE(LastSendSucceeded()) << "no request was made: the last outcome stands";
  EXPECT_EQ(Posts(), 1);

  sender->next = FaultySender::Fault::kThrow;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(queue.FlushPart());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Exception when flush failed: (no memory for the body) ");
  EXPECT_EQ(queue.QueuedCount(), 45u);

  EXPECT_TRUE(queue.FlushAll());
  EXPECT_EQ(Batches(), (std::vector<std::string>{ArrayOf(early), ArrayOf(Slice(held, 0, 30)), ArrayOf(Slice(held, 30, 45))}));
}

// Tracking threads add while others flush: every record arrives once, each thread's in order.
TEST_F(RecordQueueTest, AddingWhileFlushingLosesAndRepeatsNothing) {
  Consumer consumer(Url(), StagingPath());
  constexpr int kAdders = 4, kEach = 150;
  std::atomic<int> adding{kAdders};
  std::vector<std::thread> threads;
  for (int t = 0; t < kAdders; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) consumer.Add("{\"thread\":" + std::to_string(t) + ",\"n\":" + std::to_string(i) + "}");
      --adding;
    });
  }
  for (int f = 0; f < 2; ++f) {
    threads.emplace_back([&] {
      while (adding > 0) consumer.FlushAll();
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_TRUE(consumer.FlushAll());

  std::map<int, std::vector<int>> received;  // thread -> its numbers in arrival order
  const std::regex record("\\{\"thread\":(\\d+),\"n\":(\\d+)\\}");
  for (const std::string& batch : Batches()) {
    for (auto it = std::sregex_iterator(batch.begin(), batch.end(), record); it != std::sregex_iterator(); ++it) {
      received[std::stoi((*it)[1])].push_back(std::stoi((*it)[2]));
    }
  }
  std::vector<int> all(kEach);
  for (int i = 0; i < kEach; ++i) all[static_cast<std::size_t>(i)] = i;
  for (int t = 0; t < kAdders; ++t) EXPECT_EQ(received[t], all) << "thread " << t;
}

}  // namespace
