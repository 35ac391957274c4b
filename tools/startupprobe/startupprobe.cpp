// Start-up pieces on their own, for tests:
//   route           prints "<version text>\n<route word>\n"
//   crash [harden]  installs the crash filter (after the hardening), then dereferences null
//   load NAME       loads a DLL by its bare name, without any hardening, prints 1 or 0
#include <cstdio>
#include <cstring>
#include <string>

#include "startup/entry_sequence.h"
#include "startup/installer_config.h"
#include "tools/entry/access_violation.h"
#include "tools/startupprobe/library_loader.h"
#include "utils/system_facts.h"
#include "utils/text.h"

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "route") {
    std::wstring os, version;
    Utils::GetWindowsVersionText(os, version);
    std::printf("%s\n%s\n", Utils::ToNarrow(version, Utils::kCodePageUtf8).c_str(),
                Utils::ToNarrow(RouteWord(), Utils::kCodePageUtf8).c_str());
    return 0;
  }
  if (command == "crash") {
    if (argc > 2 && std::strcmp(argv[2], "harden") == 0) HardenLibrarySearchPath();
    InstallCrashFilter();
    std::fflush(stdout);
    WriteToNowhere();
    return 0;
  }
  if (command == "load" && argc > 2) {
    std::printf("%d\n", LoadLibraryByName(argv[2]) ? 1 : 0);
    return 0;
  }
  return 2;
}
