// Device texts the tracker's events carry: the OS name and version, the user-agent, the
// bitness, the locale, the device id, and the folders the tracker keeps its state in.
// The table and text builders are pure; the queries ask the system.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "utils/system_facts.h"

namespace usage::zelkor {

// The kernel's version numbers.
struct NtVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;     // low 16 bits only
  bool isServerR2 = false;     // Windows Server 2003 R2 (matters only for 5.2)
};

struct LocaleTexts {
  std::string language;  // ISO 639, "en"
  std::string country;   // ISO 3166, "US"
  std::string locale;    // language + "_" + country
};

// --- Pure texts -------------------------------------------------------------------------

// The version text of the "$os_version" property; "XP-" when the numbers are unknown.
std::string osVersionText(const std::optional<NtVersion>& version, bool is64Bit);
// "Mozilla/5.0(" + name + " " + version + "; Win64;)" (or "Win32;)").
std::string userAgentText(const std::string& osName, const std::string& osVersion, bool is64Bit);
// Splits at the first "_": the part before and the rest; false (outputs untouched) without one.
bool splitLocale(const std::string& locale, std::string& language, std::string& country);
// The language and country of a POSIX locale name ("en_US.UTF-8@euro" gives en, US); false
// for "C", "POSIX" and names without both parts.
bool splitPosixLocaleName(const std::string& name, LocaleTexts& texts);
// Every "/" replaced by this platform's path separator.
std::string platformSeparators(std::string path);
// The id text of a GUID: "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", 36 characters.
std::string formatDeviceId(const Utils::GuidFields& guid);

// Which special folder holds the tracker's working folder.
enum class BaseFolderKind { kLocalAppData, kCommonDocuments };
// Windows 7 and later keep it per user; older or unknown systems in the shared documents.
BaseFolderKind baseFolderKindFor(const std::optional<NtVersion>& version);

// --- System queries ---------------------------------------------------------------------

// A fresh 36-character device id; see newDeviceIdFrom.
std::string newDeviceId();
// Asks source for a GUID up to 11 times; when every call fails, the id is made of
// pseudo-random hexadecimal groups in the same 8-4-4-4-12 shape (version 4, variant bits).
std::string newDeviceIdFrom(const std::function<bool(Utils::GuidFields&)>& source);

// The kernel's version numbers; false (all three 0) when they cannot be read.
bool ntVersion(std::uint32_t& major, std::uint32_t& minor, std::uint32_t& build);
// "Windows" and the version text of this system.
void osTexts(std::string& name, std::string& version);
std::string userAgent();
// True when Windows is 64-bit (also for a 32-bit process on it).
bool is64BitWindows();

// The user's default locale; false (outputs untouched) when it cannot be read.
bool systemLocale(std::string& language, std::string& country, std::string& locale);
// The locale texts the tracker reports: chosenLocale and its parts when it splits with a
// language, else the system locale, else all empty.
LocaleTexts trackerLocaleTexts(const std::string& chosenLocale);

// The folder (UTF-8, without a trailing separator) under which the tracker makes its
// working folder; "" when it cannot be had.
std::string baseFolder();
// Makes the folder and its missing parents (UTF-8 path, either separator); true when it
// exists as a folder afterwards.
bool ensureDirectory(const std::string& path);

}  // namespace usage::zelkor
