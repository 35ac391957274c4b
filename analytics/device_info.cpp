// Portable device texts: the version table, the user-agent, locale splitting, device ids and
// folder creation over the utilities' system queries.
#include "analytics/device_info.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "utils/folders.h"
#include "utils/text.h"

namespace usage::zelkor {
namespace {

// Calls to the GUID source before falling back to pseudo-random groups: one, and ten more
// while they fail.
constexpr int kGuidAttempts = 11;

std::string windows5Text(std::uint32_t minor, bool is64Bit, bool isServerR2) {
  switch (minor) {
    case 0: return "2K";
    case 1: return "XP";
    case 2:
      if (is64Bit) return "XP64";
      return isServerR2 ? "Server 2003 R2" : "Server 2003";
    default: return "XP+";
  }
}

std::string windows6Text(std::uint32_t minor, bool is64Bit) {
  switch (minor) {
    case 0: return is64Bit ? "Vista64" : "Vista";
    case 1: return is64Bit ? "7" : "7-32";
    case 2: return is64Bit ? "8" : "8-32";
    case 3: return "8.1";
    default: return "8.1+";
  }
}

std::string windows10Text(std::uint32_t minor, std::uint32_t build) {
  if (minor != 0) return "11+";
  return build < 22000 ? "10" : "11";
}

std::optional<NtVersion> readNtVersion() {
  NtVersion version;
  if (!Utils::facts_detail::KernelVersion(version.major, version.minor, version.build, version.isServerR2)) {
    return std::nullopt;
  }
  return version;
}

// Only reached when the system cannot make GUIDs, so the seed comes from the clock and the
// thread rather than from a random device that may be just as unavailable.
std::string randomDeviceId() {
  const auto ticks = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  const auto thread = static_cast<std::uint64_t>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
  std::seed_seq seed{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32),
                     static_cast<std::uint32_t>(thread)};
  std::mt19937 generator(seed);
  std::uniform_int_distribution<unsigned> group(0, 0xFFFF);
  std::uniform_int_distribution<unsigned> variant(0x8000, 0xBFFE);
  unsigned g[8];
  for (unsigned& value : g) value = group(generator);
  g[3] = 0x4000 | (g[3] & 0x0FFF);
  g[4] = variant(generator);
  char text[40];
  std::snprintf(text, sizeof(text), "%04x%04x-%04x-%04x-%04x-%04x%04x%04x", g[0], g[1], g[2], g[3], g[4], g[5], g[6],
                g[7]);
  return text;
}

}  // namespace

std::string osVersionText(const std::optional<NtVersion>& version, bool is64Bit) {
  if (!version || version->major <= 4) return "XP-";
  switch (version->major) {
    case 5: return windows5Text(version->minor, is64Bit, version->isServerR2);
    case 6: return windows6Text(version->minor, is64Bit);
    case 10: return windows10Text(version->minor, version->build);
    default:
      return std::to_string(version->major) + "." + std::to_string(version->minor) + "." +
             std::to_string(version->build);
  }
}

std::string userAgentText(const std::string& osName, const std::string& osVersion, bool is64Bit) {
  return "Mozilla/5.0(" + osName + " " + osVersion + "; Win" + (is64Bit ? "64;)" : "32;)");
}

bool splitLocale(const std::string& locale, std::string& language, std::string& country) {
  const std::size_t at = locale.find('_');
  if (at == std::string::npos) return false;
  language = locale.substr(0, at);
  country = locale.substr(at + 1);
  return true;
}

bool splitPosixLocaleName(const std::string& name, LocaleTexts& texts) {
  // language[_territory][.codeset][@modifier]
  const std::string base = name.substr(0, name.find_first_of(".@"));
  std::string language, country;
  if (!splitLocale(base, language, country) || language.empty() || country.empty()) return false;
  texts = {language, country, language + "_" + country};
  return true;
}

std::string platformSeparators(std::string path) {
  std::replace(path.begin(), path.end(), '/', static_cast<char>(Utils::PathSeparator()));
  return path;
}

std::string formatDeviceId(const Utils::GuidFields& g) {
  char text[40];
  std::snprintf(text, sizeof(text), "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", static_cast<unsigned>(g.data1),
                static_cast<unsigned>(g.data2), static_cast<unsigned>(g.data3), g.data4[0], g.data4[1], g.data4[2],
                g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

BaseFolderKind baseFolderKindFor(const std::optional<NtVersion>& version) {
  const bool sevenOrLater = version && (version->major > 6 || (version->major == 6 && version->minor != 0));
  return sevenOrLater ? BaseFolderKind::kLocalAppData : BaseFolderKind::kCommonDocuments;
}

std::string newDeviceIdFrom(const std::function<bool(Utils::GuidFields&)>& source) {
  for (int attempt = 0; attempt < kGuidAttempts; ++attempt) {
    Utils::GuidFields guid{};
    if (source(guid)) return formatDeviceId(guid);
  }
  return randomDeviceId();
}

std::string newDeviceId() { return newDeviceIdFrom(Utils::facts_detail::NewGuid); }

bool ntVersion(std::uint32_t& major, std::uint32_t& minor, std::uint32_t& build) {
  const std::optional<NtVersion> version = readNtVersion();
  major = version ? version->major : 0;
  minor = version ? version->minor : 0;
  build = version ? version->build : 0;
  return version.has_value();
}

void osTexts(std::string& name, std::string& version) {
  name = "Windows";
  version = osVersionText(readNtVersion(), is64BitWindows());
}

std::string userAgent() {
  std::string name, version;
  osTexts(name, version);
  return userAgentText(name, version, is64BitWindows());
}

bool is64BitWindows() { return Utils::IsWindows64Bit(); }

LocaleTexts trackerLocaleTexts(const std::string& chosenLocale) {
  LocaleTexts texts;
  if (!chosenLocale.empty() && splitLocale(chosenLocale, texts.language, texts.country) && !texts.language.empty()) {
    texts.locale = chosenLocale;
    return texts;
  }
  texts = {};
  // A system whose locale cannot be read leaves all three empty.
  static_cast<void>(systemLocale(texts.language, texts.country, texts.locale));
  return texts;
}

bool ensureDirectory(const std::string& path) {
  const std::wstring wide = Utils::ToWide(platformSeparators(path), Utils::kCodePageUtf8);
  if (wide.empty()) return false;
  if (Utils::DirectoryExists(wide)) return true;
  return Utils::CreateDirectoryTree(wide);
}

}  // namespace usage::zelkor
