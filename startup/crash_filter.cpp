// The crash filter's portable work. It may run on any thread, once.
#include <atomic>

#include "startup/entry_sequence.h"
#include "startup/installer_config.h"
#include "utils/log.h"

void RunCrashFilter() {
  static std::atomic<bool> ran{false};
  if (ran.exchange(true)) return;
  TLOGLN(L"unhandled exception, analytics %d", g_InstallerConfig.IsEnableAppAnalytics ? 1 : 0);
  // The crash reports (task "崩溃退出", then the crash record) go here once the analytics
  // tracker exists; with analytics off nothing is sent.
}
