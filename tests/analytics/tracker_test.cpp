// The tracker against the stand-in collector: what waits for release, what a flush sends,
// records staged by a run whose collector is down and delivered by the next, and a start that
// fails.
#include <gtest/gtest.h>
#include <json/json.h>

#include <set>

#include "analytics/qo_context_properties.h"
#include "analytics/sdk.h"
#include "analytics/usage_tracker.h"
#include "tests/support/environment.h"
#include "tests/support/server_test.h"
#include "utils/text.h"

using namespace usage::zelkor;

namespace {

class TrackerTest : public testsupport::ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    server_.Get("/_collected?clear=1");
  }
  void TearDown() override {
    releaseTracker();
    ServerTest::TearDown();
  }

  // One application per test process, so processes side by side keep apart state.
  TrackerSettings Settings() const {
    TrackerSettings s;
    s.appName = "TaveloTest." + server_.Scope();
    s.appVersion = "1.7.9";
    s.appStore = "tracker_tests.exe";
    s.dlAppId = "Tavelo";
    s.serverUrl = Utils::ToNarrow(server_.Url(L"/collect?project=pc"), Utils::kCodePageUtf8);
    return s;
  }

  Json::Value Collected() const {
    Json::Value root;
    Json::CharReaderBuilder builder;
    const std::string text = server_.Get("/_collected");
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &root, &errors)) << errors;
    return root;
  }

  static void Click(const std::string& name, const std::string& ab = "IN") {
    QoEventClick click;
    click.name = name;
    QoContextProperties context;
    context.setProperty(ab, {QoEventKind::Click});
    TrackerInstance()->trackClick(click, context);
  }

  // The native build keeps the tracker's folders under a temporary data folder of its own.
  testsupport::TempDir data_;
  testsupport::ScopedEnvironment dataHome_{"XDG_DATA_HOME", data_.Path().string()};
};

TEST_F(TrackerTest, CountedEventsWaitForReleaseAndLeaveWithTheirProperties) {
  startTracker(Settings());
  for (int i = 0; i < 10; ++i) Click("立即安装 " + std::to_string(i));
  EXPECT_EQ(Collected()["posts"].asInt(), 0) << "counted events wait";
  releaseTracker();

  const Json::Value collected = Collected();
  ASSERT_EQ(collected["records"].size(), 10u);
  for (Json::ArrayIndex i = 0; i < 10; ++i) {
    const Json::Value& r = collected["records"][i];
    EXPECT_EQ(r["event"].asString(), "QoEventClick");
    EXPECT_EQ(r["properties"]["qo_name"].asString(), "立即安装 " + std::to_string(i));
    EXPECT_EQ(r["properties"]["qoc_ab"].asString(), "IN");
    EXPECT_EQ(r["properties"]["qo_app_id"].asString(), Settings().appName);
    EXPECT_EQ(r["properties"]["qo_dlapp_id"].asString(), "Tavelo");
    EXPECT_EQ(r["properties"]["qo_sdk"].asString(), "WindowsCPP");
  }
}

// A crash report leaves before trackCrash returns: the crashing process ends right after it.
TEST_F(TrackerTest, ACrashIsSentBeforeTheReportReturns) {
  startTracker(Settings());
  TrackerInstance()->trackCrash("崩溃");
  const Json::Value collected = Collected();
  ASSERT_EQ(collected["records"].size(), 1u);
  EXPECT_EQ(collected["records"][0]["event"].asString(), "AppCrashed");
  EXPECT_EQ(collected["records"][0]["properties"]["app_crashed_reason"].asString(), "崩溃");
}

// Run one cannot reach the collector: its records are staged. Run two delivers them before
// its own, and nothing twice.
TEST_F(TrackerTest, RecordsOfARunWithoutCollectorLeaveWithTheNextRun) {
  ASSERT_TRUE(server_.Control("collect_status=500"));
  startTracker(Settings());
  Click("first");
  TrackerInstance()->trackCrash("崩溃");
  releaseTracker();
  EXPECT_TRUE(Collected()["records"].empty());

  ASSERT_TRUE(server_.Control(""));
  startTracker(Settings());
  Click("second");
  releaseTracker();
  const Json::Value records = Collected()["records"];
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0]["properties"]["qo_name"].asString(), "first");
  EXPECT_EQ(records[1]["event"].asString(), "AppCrashed");
  EXPECT_EQ(records[2]["properties"]["qo_name"].asString(), "second");
}

TEST_F(TrackerTest, ATrackerThatFailedToStartSwallowsEverything) {
  TrackerSettings settings = Settings();
  settings.appName.clear();
  testing::internal::CaptureStdout();
  startTracker(settings);
  ASSERT_NE(TrackerInstance(), nullptr) << "installed all the same";
  Click("nothing");
  TrackerInstance()->trackCrash("崩溃");
  EXPECT_EQ(TrackerInstance()->getPrimaryDistinctId(), "");
  releaseTracker();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "no logger, no failure line";
  EXPECT_EQ(Collected()["posts"].asInt(), 0);
}

TEST_F(TrackerTest, AFailedCheckIsSwallowedWithALine) {
  startTracker(Settings());
  testing::internal::CaptureStdout();
  TrackerInstance()->trackClick(QoEventClick{}, QoContextProperties{});  // no name
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed to trackClick\n");
}

// Many flushes against a slow collector, then release at once: release waits for the send
// steps in flight (each within the request limit) before the SDK goes, and no record is lost
// or sent twice.
TEST_F(TrackerTest, ReleaseWaitsForSendStepsInFlight) {
  ASSERT_TRUE(server_.Control("collect_delay=0.5"));
  startTracker(Settings());
  for (int i = 0; i < 20; ++i) {
    TrackerInstance()->trackUninstall("burst " + std::to_string(i), QoContextProperties{});
  }
  releaseTracker();
  ASSERT_TRUE(server_.Control(""));
  // Whatever did not leave was staged: the next run sends it.
  startTracker(Settings());
  TrackerInstance()->trackUninstall("last", QoContextProperties{});
  releaseTracker();
  std::multiset<std::string> reasons;
  const Json::Value collected = Collected();
  for (const Json::Value& r : collected["records"]) reasons.insert(r["properties"]["qo_uninstall_reason"].asString());
  EXPECT_EQ(reasons.size(), 21u) << "each record once";
  EXPECT_EQ(std::set<std::string>(reasons.begin(), reasons.end()).size(), 21u);
}

}  // namespace
