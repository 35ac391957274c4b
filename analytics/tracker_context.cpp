// The tracker's state in its configuration file ([Base] and [UninstallInfo]) and the
// pointer file beside the executable.
#include "analytics/tracker_context.h"

#include <charconv>

#include "analytics/device_info.h"
#include "analytics/profile_text.h"
#include "utils/folders.h"
#include "utils/text.h"

namespace usage::zelkor {
namespace {

constexpr char kBaseSection[] = "Base";
constexpr char kUninstallSection[] = "UninstallInfo";
constexpr char kLoggedIn[] = "OK";
constexpr char kLoggedOut[] = "NG";

// Windows finds "Set.ini" under any case; the installer writes "set.ini", so a file system
// that tells case apart is asked for that spelling as well.
constexpr const char* kPointerFileNames[] = {"Set.ini", "set.ini"};

bool fileExists(const std::string& path) { return Utils::PathExists(Utils::ToWide(path, Utils::kCodePageUtf8)); }

// A decimal integer at the start of the text, as the profile functions read one; 0 when
// there is none or it does not fit.
int leadingInteger(const std::string& text) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  int value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  return error == std::errc() ? value : 0;
}

void readBase(TrackerContext& context) {
  const std::string& path = context.configPath;
  context.distinctId = readProfileText(path, kBaseSection, "DistinctId");
  context.primaryDistinctId = readProfileText(path, kBaseSection, "PrimaryDistinctId");
  if (context.primaryDistinctId.empty()) context.primaryDistinctId = context.distinctId;
  context.userId = readProfileText(path, kBaseSection, "UserId");
  context.userVipLevel = leadingInteger(readProfileText(path, kBaseSection, "UserVipLevel"));
  // Exactly "OK": "ok" or anything else is logged out.
  context.isLoggedIn = readProfileText(path, kBaseSection, "isLogined") == kLoggedIn;
  context.savedUrl = readProfileText(path, kBaseSection, "URL");
}

// The pointer file in the executable's folder, or "" when there is none.
std::string pointerFileBeside(const std::string& executablePath) {
  const std::string exe = platformSeparators(executablePath);
  const std::size_t cut = exe.find_last_of(static_cast<char>(Utils::PathSeparator()));
  if (cut == std::string::npos) return {};
  for (const char* name : kPointerFileNames) {
    const std::string candidate = exe.substr(0, cut + 1) + name;
    if (fileExists(candidate)) return candidate;
  }
  return {};
}

}  // namespace

void TrackerContext::reset(const std::string& logFile) {
  isLoggedIn = false;
  userId.clear();
  distinctId.clear();
  primaryDistinctId.clear();
  userVipLevel = 0;
  logFilePath = logFile;
  locale.clear();
  localDir.clear();
  configPath.clear();
  savedUrl.clear();
  pendingCount = 0;
}

void TrackerContext::load() {
  userId.clear();
  distinctId.clear();
  primaryDistinctId.clear();
  savedUrl.clear();
  isLoggedIn = false;
  if (fileExists(configPath)) readBase(*this);
  if (distinctId.empty()) {
    distinctId = newDeviceId();
    // A state that cannot be stored still serves this run; the next save tries again.
    static_cast<void>(save());
  }
}

bool TrackerContext::save() const {
  return writeProfileText(configPath, kBaseSection, "DistinctId", distinctId) &&
         writeProfileText(configPath, kBaseSection, "PrimaryDistinctId", primaryDistinctId) &&
         writeProfileText(configPath, kBaseSection, "UserId", userId) &&
         writeProfileText(configPath, kBaseSection, "UserVipLevel", std::to_string(userVipLevel)) &&
         writeProfileText(configPath, kBaseSection, "URL", savedUrl) &&
         writeProfileText(configPath, kBaseSection, "isLogined", isLoggedIn ? kLoggedIn : kLoggedOut);
}

bool TrackerContext::writeUninstallInfo(const std::string& appName, const std::string& appVersion,
                                        const std::string& appStore) const {
  return writeProfileText(configPath, kUninstallSection, "AppStore", appStore) &&
         writeProfileText(configPath, kUninstallSection, "AppName", appName) &&
         writeProfileText(configPath, kUninstallSection, "AppVersion", appVersion);
}

std::string readConfigPathFor(const std::string& executablePath) {
  const std::string pointerFile = pointerFileBeside(executablePath);
  if (pointerFile.empty()) return {};
  return platformSeparators(readProfileText(pointerFile, "Install", "QOUsageAnalyticsIni"));
}

std::string readConfigPath() {
  // A path that cannot be had (or spelled in UTF-8) comes back empty and finds no file.
  return readConfigPathFor(Utils::ToNarrow(Utils::GetExecutablePath(), Utils::kCodePageUtf8));
}

}  // namespace usage::zelkor
