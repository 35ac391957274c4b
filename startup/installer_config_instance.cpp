// The process's configuration record, filled from the defaults and the INI file during
// static initialisation, before the entry sequence runs.
#include "startup/installer_config.h"
#include "utils/folders.h"

namespace {
InstallerConfig LoadedAtStart() {
  InstallerConfig config;
  LoadInstallerIni(config, Utils::GetExecutablePath());
  return config;
}
}  // namespace

InstallerConfig g_InstallerConfig = LoadedAtStart();
