// The installer's analytics in a test process: its configuration pointed at the stand-in
// collector under an application name of the test's own, and the collector's account of
// what arrived, read with jsoncpp. Header-only: users link jsoncpp and the analytics.
#pragma once

#include <gtest/gtest.h>
#include <json/json.h>

#include <memory>
#include <string>

#include "analytics/installer_reports.h"
#include "config/installer_config.h"
#include "tests/support/environment.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"
#include "utils/text.h"

namespace testsupport {

// What the collector holds for this scope: {"records": [...], "errors": [...], "posts": N}.
inline Json::Value Collected(const TestServer& server) {
  const std::string text = server.Get("/_collected");
  Json::Value root;
  std::string errors;
  const std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
  EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &root, &errors)) << errors << text;
  return root;
}

// The application name the tracker uses under InstallerAnalyticsScope and the report driver
// tests: "Tavelo" + "." + the scope.
inline std::string ScopedAppName(const TestServer& server) { return "Tavelo." + server.Scope(); }

// Analytics on, reports to the collector, the tracker's folders apart from every other
// process (a data folder of its own on POSIX; the scoped application name on Windows). The
// tracker is stopped and the configuration restored at the end.
class InstallerAnalyticsScope {
 public:
  explicit InstallerAnalyticsScope(const TestServer& server) : saved_(g_InstallerConfig) {
    g_InstallerConfig.AnalyticsUrl = server.Url(L"/collect?project=pc");
    g_InstallerConfig.DlAppNameSuffix = L"." + Utils::ToWide(server.Scope(), Utils::kCodePageUtf8);
    g_InstallerConfig.IsEnableAppAnalytics = true;
    server.Get("/_collected?clear=1");
  }
  ~InstallerAnalyticsScope() {
    g_InstallerConfig.IsEnableAppAnalytics = true;
    StopInstallerAnalytics();
    g_InstallerConfig = saved_;
  }
  InstallerAnalyticsScope(const InstallerAnalyticsScope&) = delete;
  InstallerAnalyticsScope& operator=(const InstallerAnalyticsScope&) = delete;

 private:
  InstallerConfig saved_;
  TempDir data_;
  ScopedEnvironment dataHome_{"XDG_DATA_HOME", data_.Path().string()};
};

}  // namespace testsupport
