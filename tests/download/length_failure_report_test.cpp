// A length lookup that the server refuses is reported to analytics with its HTTP status.
#include <gtest/gtest.h>

#include "tests/download/curl_downloader_fixture.h"
#include "tests/support/installer_analytics.h"

using namespace curl_test;

TEST_F(CurlDownloaderTest, ARefusedLengthLookupReportsItsStatus) {
  server_.WritePackage(L"f.exe", 1048576 + 3);
  const struct {
    const char* control;
    const char* reason;
  } cases[] = {
      {"head_status=404", "1.获取文件大小的状态码为=404；"},
      {"status=500", "1.获取文件大小的状态码为=500；"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.control);
    testsupport::InstallerAnalyticsScope analytics(server_);
    StartInstallerAnalytics();
    ASSERT_TRUE(server_.Control(c.control));
    {
      EventRecorder events;
      CCurlDownloader downloader(events.Callback(), server_.Url(L"/files/f.exe"), Target());
      downloader.Start();
      ASSERT_TRUE(events.WaitForFinals(1));
    }
    ASSERT_TRUE(server_.Control(""));  // the collector answers again
    StopInstallerAnalytics();

    const Json::Value records = testsupport::Collected(server_)["records"];
    ASSERT_FALSE(records.empty());
    for (const Json::Value& r : records) {
      EXPECT_EQ(r["event"].asString(), "QoEventTask");
      EXPECT_EQ(r["properties"]["qo_task_name"].asString(), "下载失败原因");
      EXPECT_EQ(r["properties"]["qo_reason"].asString(), c.reason);
      EXPECT_EQ(r["properties"]["qoc_ab"].asString(), "IN");
    }
  }
}
