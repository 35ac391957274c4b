// The crash filter's portable work: the crash reports. It may run on any thread, once.
#include <atomic>

#include "analytics/installer_reports.h"
#include "startup/entry_sequence.h"
#include "startup/installer_config.h"
#include "utils/log.h"

void RunCrashFilter() {
  static std::atomic<bool> ran{false};
  if (ran.exchange(true)) return;
  TLOGLN(L"unhandled exception, analytics %d", g_InstallerConfig.IsEnableAppAnalytics ? 1 : 0);
  if (!g_InstallerConfig.IsEnableAppAnalytics) return;
  // The task is queued, then the crash report sends the queue before it returns: the
  // process ends as soon as the filter is done. Before the tracker starts both do nothing.
  ReportTask({{L"AB", L"IN"}}, L"崩溃退出", 0.0f, L"");
  ReportCrash();
}
