// The installer's report routines against the stand-in collector: the fields each report
// carries, the A/B value travelling only when it has the right shape, and the switch that
// keeps every routine away from the tracker.
#include <gtest/gtest.h>

#include "analytics/installer_reports.h"
#include "analytics/usage_tracker.h"
#include "startup/installer_config.h"
#include "tests/support/installer_analytics.h"
#include "tests/support/server_test.h"

namespace {

using testsupport::Collected;

class InstallerReportsTest : public testsupport::ServerTest {};

TEST_F(InstallerReportsTest, ReportsCarryTheirFieldsAndTheApplicationOfTheConfiguration) {
  testsupport::InstallerAnalyticsScope analytics(server_);
  StartInstallerAnalytics();
  ReportTask({{L"AB", L"IN"}}, L"大包下载完毕", 12.5f, L"原因 ✓");
  ReportClick({{L"AB", L"IN"}}, L"自定义安装_立即安装");
  ReportView({}, L"安装中");
  StopInstallerAnalytics();

  const Json::Value records = Collected(server_)["records"];
  ASSERT_EQ(records.size(), 3u);
  const Json::Value& task = records[0]["properties"];
  EXPECT_EQ(records[0]["event"].asString(), "QoEventTask");
  EXPECT_EQ(task["qo_task_name"].asString(), "大包下载完毕");
  EXPECT_DOUBLE_EQ(task["qo_task_elapsed"].asDouble(), 12.5);
  EXPECT_EQ(task["qo_task_result"].asString(), "Success");
  EXPECT_EQ(task["qo_reason"].asString(), "原因 ✓");
  EXPECT_FALSE(task.isMember("qo_aname")) << "the application name stays empty";
  EXPECT_EQ(records[1]["event"].asString(), "QoEventClick");
  EXPECT_EQ(records[1]["properties"]["qo_name"].asString(), "自定义安装_立即安装");
  EXPECT_EQ(records[2]["event"].asString(), "QoEventView");
  EXPECT_EQ(records[2]["properties"]["qo_name"].asString(), "安装中");
  EXPECT_FALSE(records[2]["properties"].isMember("qoc_ab")) << "no pair, no A/B value";
  for (const Json::Value& r : records) {
    EXPECT_EQ(r["properties"]["qo_app_id"].asString(), analytics.AppName());
    EXPECT_EQ(r["properties"]["$app_version"].asString(), "1.7.9");
    EXPECT_EQ(r["properties"]["qo_dlapp_id"].asString(), "Tavelo");
    EXPECT_EQ(r["properties"]["qo_edition"].asString(), "china");
  }
}

TEST_F(InstallerReportsTest, TheAbValueTravelsOnlyWithItsShape) {
  const struct {
    const wchar_t* ab;
    bool travels;
  } cases[] = {
      {L"IN", true}, {L"B", true}, {L"Z9", true}, {L"in", false}, {L"ABCD", false},
      {L"", false},  {L"1A", false}, {L"Ä", false}, {L"I N", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utils::ToNarrow(c.ab, Utils::kCodePageUtf8));
    testsupport::InstallerAnalyticsScope analytics(server_);
    StartInstallerAnalytics();
    ReportTask({{L"AB", c.ab}}, L"安装成功", 0.0f, L"");
    ReportClick({{L"AB", c.ab}}, L"立即安装");
    ReportView({{L"AB", c.ab}}, L"安装中");
    StopInstallerAnalytics();

    const Json::Value records = Collected(server_)["records"];
    ASSERT_EQ(records.size(), 3u) << "a value of the wrong shape never costs the event";
    for (const Json::Value& r : records) {
      if (c.travels) {
        EXPECT_EQ(r["properties"]["qoc_ab"].asString(), Utils::ToNarrow(c.ab, Utils::kCodePageUtf8));
      } else {
        EXPECT_FALSE(r["properties"].isMember("qoc_ab")) << r["event"].asString();
      }
    }
  }
}

// Reports before the start find no tracker; while the switch is off none reaches the tracker
// that runs, and the stop leaves it running.
TEST_F(InstallerReportsTest, NoRoutineTouchesTheTrackerWhileAnalyticsIsOff) {
  testsupport::InstallerAnalyticsScope analytics(server_);
  ReportTask({{L"AB", L"IN"}}, L"libcurl初始化失败", 0.0f, L"");
  ReportCrash();
  EXPECT_EQ(usage::zelkor::TrackerInstance(), nullptr);

  StartInstallerAnalytics();
  ASSERT_NE(usage::zelkor::TrackerInstance(), nullptr);
  g_InstallerConfig.IsEnableAppAnalytics = false;
  for (int i = 0; i < 40; ++i) ReportClick({{L"AB", L"IN"}}, L"立即安装");
  ReportTask({{L"AB", L"IN"}}, L"崩溃退出", 0.0f, L"");
  ReportView({{L"AB", L"IN"}}, L"安装中");
  ReportCrash();
  StopInstallerAnalytics();
  EXPECT_NE(usage::zelkor::TrackerInstance(), nullptr) << "the stop is skipped too";
  usage::zelkor::releaseTracker();

  const Json::Value collected = Collected(server_);
  EXPECT_EQ(collected["posts"].asInt(), 0);
  EXPECT_TRUE(collected["records"].empty());
}

}  // namespace
