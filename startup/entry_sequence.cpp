// The entry sequence, step by step. Steps marked "analytics" and "window" are made by the
// analytics tracker and the main window; until those exist the run goes from the command
// line straight to the shut-down.
#include "startup/entry_sequence.h"

#include <curl/curl.h>

#include "startup/installer_config.h"
#include "utils/log.h"
#include "utils/single_instance.h"

int RunEntrySequence(void* instance) {
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

  // 5 (analytics): start the tracker with the INI-level settings.

  // 6: the command line overrides the INI file.
  ApplyCommandLine();

  // 7-8 (window): prepare the toolkit for `instance`, then run the main window modally.
  (void)instance;

  // 9 (analytics): stop the tracker, which sends what it still holds.

  // 10-12: shut down in reverse order.
  if (curlStarted) curl_global_cleanup();
  guard.Release();
  return kExitNormal;
}
