// The installer's analytics across processes: the report driver runs the real entry
// sequence (tracker started from the INI file, command line applied, tracker released), with
// the stand-in collector down or up, a real crash, and analytics switched off in the INI file
// or only on the command line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "analytics/device_info.h"
#include "tests/support/crash_exit.h"
#include "tests/support/environment.h"
#include "tests/support/installer_analytics.h"
#include "tests/support/probe_runner.h"
#include "tests/support/server_test.h"
#include "tests/support/temp_dir.h"
#include "utils/text.h"

namespace fs = std::filesystem;

namespace {

using testsupport::Collected;

// A collector address where nothing listens.
constexpr const char* kDownCollector = "http://127.0.0.1:9/collect?project=pc";

class EntryAnalyticsTest : public testsupport::ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    server_.Get("/_collected?clear=1");
    // The driver is copied into a folder of its own, so its INI file is its alone.
    driver_ = folder_.Path() / fs::path(testsupport::ProgramPath(L"reportdriver")).filename();
    fs::copy_file(fs::path(testsupport::ProgramPath(L"reportdriver")), driver_);
  }

  // The user's data folder is shared on Windows: the tracker's folder goes with the test.
  void TearDown() override {
    std::error_code ignored;  // a folder left behind holds only this test's state
    fs::remove_all(TrackerFolder(), ignored);
    ServerTest::TearDown();
  }

  std::string AppName() const { return "Tavelo" + suffix_; }

  std::string LiveCollector() const {
    return Utils::ToNarrow(server_.Url(L"/collect?project=pc"), Utils::kCodePageUtf8);
  }

  void WriteIni(const std::string& collector, const char* analytics = "true") const {
    std::ofstream ini(folder_.Path() / "ZelkorInstallerConfig.ini", std::ios::binary | std::ios::trunc);
    ini << "[Install]\r\nAnalyticsUrl=" << collector << "\r\nDlAppNameSuffix=" << suffix_
        << "\r\nIsEnableAppAnalytics=" << analytics << "\r\n";
  }

  std::uint32_t Run(const std::wstring& words) const {
    return testsupport::RunCommandLine(L"\"" + driver_.wstring() + L"\" " + words).exitCode;
  }

  // The tracker's own folder: it exists once a tracker has started in this scope.
  fs::path TrackerFolder() const {
    return testsupport::FsPath(Utils::ToWide(usage::zelkor::baseFolder(), Utils::kCodePageUtf8)) / "QOLocal" /
           testsupport::FsPath(Utils::ToWide(AppName(), Utils::kCodePageUtf8));
  }

  // event name + ":" + the report's name, for each record the collector holds.
  std::vector<std::string> Arrived() const {
    std::vector<std::string> arrived;
    const Json::Value collected = Collected(server_);
    for (const Json::Value& r : collected["records"]) {
      const Json::Value& p = r["properties"];
      const std::string name = p.isMember("qo_task_name") ? p["qo_task_name"].asString()
                               : p.isMember("qo_name")    ? p["qo_name"].asString()
                                                          : p["app_crashed_reason"].asString();
      arrived.push_back(r["event"].asString() + ":" + name);
    }
    return arrived;
  }

  testsupport::TempDir folder_;
  testsupport::TempDir data_;
  testsupport::ScopedEnvironment dataHome_{"XDG_DATA_HOME", data_.Path().string()};
  fs::path driver_;
  const std::string suffix_ = testsupport::UniqueAppSuffix(server_);
};

// Run one cannot reach the collector and stages its records; run two delivers them before
// its own, each once.
TEST_F(EntryAnalyticsTest, RecordsOfARunWithTheCollectorDownLeaveWithTheNextRun) {
  WriteIni(kDownCollector);
  EXPECT_EQ(Run(L"task:下载器启动 click:立即安装 view:安装中"), 0u);
  EXPECT_EQ(Collected(server_)["posts"].asInt(), 0);

  WriteIni(LiveCollector());
  EXPECT_EQ(Run(L"task:安装成功 ab:in click:立即体验"), 0u);
  const std::vector<std::string> expected = {"QoEventTask:下载器启动", "QoEventClick:立即安装", "QoEventView:安装中",
                                             "QoEventTask:安装成功", "QoEventClick:立即体验"};
  EXPECT_EQ(Arrived(), expected);
  const Json::Value records = Collected(server_)["records"];
  ASSERT_EQ(records.size(), expected.size());
  for (Json::ArrayIndex i = 0; i < records.size(); ++i) {
    const Json::Value& p = records[i]["properties"];
    EXPECT_EQ(p["qo_app_id"].asString(), AppName()) << i;
    EXPECT_EQ(p["qo_app_store"].asString(), driver_.filename().string()) << i;
    if (i < 4) {
      EXPECT_EQ(p["qoc_ab"].asString(), "IN") << i;
    } else {
      EXPECT_FALSE(p.isMember("qoc_ab")) << "\"in\" is dropped";
    }
  }

  EXPECT_EQ(Run(L""), 0u);
  EXPECT_EQ(Collected(server_)["records"].size(), expected.size()) << "nothing is sent twice";
}

// The crash filter's reports leave before the process dies.
TEST_F(EntryAnalyticsTest, AnAccessViolationDeliversTheCrashReports) {
  WriteIni(LiveCollector());
  EXPECT_PRED1(testsupport::IsAccessViolationExit, Run(L"click:立即安装 crash view:never"));
  const std::vector<std::string> expected = {"QoEventClick:立即安装", "QoEventTask:崩溃退出", "AppCrashed:崩溃"};
  EXPECT_EQ(Arrived(), expected);
  const Json::Value records = Collected(server_)["records"];
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1]["properties"]["qoc_ab"].asString(), "IN");
  EXPECT_DOUBLE_EQ(records[1]["properties"]["qo_task_elapsed"].asDouble(), 0.0);
}

// The start sees the INI file's switch; a switch on the command line cannot start a tracker.
TEST_F(EntryAnalyticsTest, AnalyticsOffInTheIniFileStartsNoTrackerAndSendsNothing) {
  for (const wchar_t* commandLine : {L"", L"-isenableappanalytics=true "}) {
    SCOPED_TRACE(Utils::ToNarrow(commandLine, Utils::kCodePageUtf8));
    WriteIni(LiveCollector(), "false");
    EXPECT_PRED1(testsupport::IsAccessViolationExit, Run(std::wstring(commandLine) + L"task:下载器启动 click:立即安装 crash"));
    const Json::Value collected = Collected(server_);
    EXPECT_EQ(collected["posts"].asInt(), 0);
    EXPECT_FALSE(fs::exists(TrackerFolder())) << "no tracker, no file";
  }
}

// Switched off only on the command line: the tracker has started (its folder exists), but
// no later report, not even a crash or a full batch, reaches it, and it is never released.
TEST_F(EntryAnalyticsTest, AnalyticsOffOnTheCommandLineLeavesTheStartedTrackerSilent) {
  WriteIni(LiveCollector());
  std::wstring words = L"-isenableappanalytics=false";
  for (int i = 0; i < 40; ++i) words += L" click:立即安装";
  EXPECT_EQ(Run(words), 0u);
  EXPECT_TRUE(fs::is_directory(TrackerFolder())) << "the tracker starts before the command line applies";
  EXPECT_PRED1(testsupport::IsAccessViolationExit, Run(words + L" crash"));
  EXPECT_EQ(Collected(server_)["posts"].asInt(), 0);
}

}  // namespace
