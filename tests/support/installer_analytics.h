// The installer's analytics in a test process: its configuration pointed at the stand-in
// collector under an application name of the test's own, and the collector's account of
// what arrived, read with jsoncpp. Header-only: users link jsoncpp and the analytics.
#pragma once

#include <gtest/gtest.h>
#include <json/json.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "analytics/device_info.h"
#include "analytics/installer_reports.h"
#include "startup/installer_config.h"
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

// An application-name suffix of its own for each call: "." + the scope + "-" + a number. The
// tracker keeps its folders under its application name, "Tavelo" + the suffix, so no two
// trackers of the test processes share them (on Windows they share the user's data folder).
inline std::string UniqueAppSuffix(const TestServer& server) {
  static std::atomic<int> next{0};
  return "." + server.Scope() + "-" + std::to_string(next++);
}

// Analytics on, reports to the collector, the tracker's folders apart from every other
// tracker (a data folder of its own on POSIX; an application name of its own everywhere).
// The tracker is stopped and the configuration restored at the end.
class InstallerAnalyticsScope {
 public:
  explicit InstallerAnalyticsScope(const TestServer& server)
      : saved_(g_InstallerConfig), appName_("Tavelo" + UniqueAppSuffix(server)) {
    g_InstallerConfig.AnalyticsUrl = server.Url(L"/collect?project=pc");
    g_InstallerConfig.DlAppNameSuffix = Utils::ToWide(appName_.substr(6), Utils::kCodePageUtf8);
    g_InstallerConfig.IsEnableAppAnalytics = true;
    server.Get("/_collected?clear=1");
  }
  ~InstallerAnalyticsScope() {
    g_InstallerConfig.IsEnableAppAnalytics = true;
    StopInstallerAnalytics();
    g_InstallerConfig = saved_;
    // The user's data folder is shared on Windows: the tracker's folder goes with the scope.
    std::error_code ignored;  // a folder left behind holds only this scope's state
    std::filesystem::remove_all(
        FsPath(Utils::ToWide(usage::zelkor::baseFolder() + "/QOLocal/" + appName_, Utils::kCodePageUtf8)), ignored);
  }
  InstallerAnalyticsScope(const InstallerAnalyticsScope&) = delete;
  InstallerAnalyticsScope& operator=(const InstallerAnalyticsScope&) = delete;

  // The tracker's application name: "Tavelo" + the suffix.
  const std::string& AppName() const { return appName_; }

 private:
  InstallerConfig saved_;
  std::string appName_;
  TempDir data_;
  ScopedEnvironment dataHome_{"XDG_DATA_HOME", data_.Path().string()};
};

}  // namespace testsupport
