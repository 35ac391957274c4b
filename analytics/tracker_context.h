// The tracker's persistent device and user state (who the device is, who is logged in,
// which collector the identity belongs to), its configuration file, and the pointer file
// "Set.ini" beside the executable that may name another configuration file.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace usage::zelkor {

// Texts are UTF-8; paths too.
struct TrackerContext {
  bool isLoggedIn = false;
  std::string userId;             // empty when anonymous
  std::string distinctId;         // identity currently used
  std::string primaryDistinctId;  // anonymous device id, kept across logins
  int userVipLevel = 0;
  std::string logFilePath;        // track log file
  std::string locale;             // set by setLocale, empty otherwise
  std::string localDir;           // working folder
  std::string configPath;         // the tracker configuration file
  std::string savedUrl;           // collector URL the stored identity belongs to
  std::atomic<std::int32_t> pendingCount{0};

  // Every text empty except logFilePath, numbers 0, not logged in.
  void reset(const std::string& logFile);
  // Reads the [Base] section of configPath; a missing distinct id is made anew and saved.
  void load();
  // Writes the [Base] section of configPath; false at the first key that cannot be written.
  bool save() const;
  // Writes the [UninstallInfo] section of configPath.
  bool writeUninstallInfo(const std::string& appName, const std::string& appVersion,
                          const std::string& appStore) const;
};

// The configuration file named by "Set.ini" beside the running executable ([Install]
// QOUsageAnalyticsIni, with "/" turned into the path separator), or "".
std::string readConfigPath();
// The same for an executable at executablePath (UTF-8).
std::string readConfigPathFor(const std::string& executablePath);

}  // namespace usage::zelkor
