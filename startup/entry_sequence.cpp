// The entry sequence, step by step. The main window's steps are handed in by the caller.
#include "startup/entry_sequence.h"

#include <curl/curl.h>

#include "analytics/installer_reports.h"
#include "startup/installer_config.h"
#include "utils/log.h"
#include "utils/single_instance.h"

int RunEntrySequence(void* instance, const MainWindowSteps& windowSteps) {
  // 1-2: no planted DLL from here on, and unhandled exceptions reach CrashFilter.
  HardenLibrarySearchPath();
  InstallCrashFilter();

  // 3: the HTTP library. A failure is not shown; the ranged download refuses to start then.
  const bool curlStarted = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
  if (!curlStarted) {
    g_InstallerConfig.LibcurlReady = false;
    TLOGLN(L"curl_global_init failed");
  }

  // 4: one installer at a time; a second one ends at once, showing and sending nothing.
  Utils::SingleInstanceGuard guard(L"Installer_Tavelo");
  if (!guard.Acquire()) {
    if (curlStarted) curl_global_cleanup();
    return kExitAlreadyRunning;
  }
  TLOGLN(L"single instance guard held");

  // 5: the tracker, with the INI file's settings (does nothing when analytics is off there).
  // The HTTP library's failure is reported here rather than at step 3, where no tracker
  // existed yet to take it; without the library the record waits on disk for a later run.
  StartInstallerAnalytics();
  if (!curlStarted) ReportTask({{L"AB", L"IN"}}, L"libcurl初始化失败", 0.0f, L"");

  // 6: the command line overrides the INI file.
  ApplyCommandLine();

  // 7-8: the toolkit and the main window, run modally.
  if (windowSteps) windowSteps(instance);

  // 9: the tracker sends what it still holds; skipped when the command line switched
  // analytics off.
  StopInstallerAnalytics();

  // 10-12: shut down in reverse order.
  if (curlStarted) curl_global_cleanup();
  guard.Release();
  return kExitNormal;
}
