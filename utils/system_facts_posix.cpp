// POSIX system facts, the nearest honest answers to the Windows queries:
// - administrators: root, or a member of the sudo, wheel or admin group;
// - the console user: the login recorded in utmp on a console line (tty1..., ":0" seats);
// - Windows version numbers: there is no Windows kernel to ask, so they come from
//   TAVELO_WINDOWS_VERSION ("major.minor.build"), the way Wine lets a prefix claim a version;
//   without it the numbers are unavailable, which reads as "XP-";
// - 64-bit: a 64-bit process, or a 64-bit machine reported by uname;
// - GUIDs: random (version 4) from getrandom.
#include <grp.h>
#include <pwd.h>
#include <sys/random.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <utmpx.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "utils/system_facts.h"
#include "utils/text.h"

namespace Utils {
namespace {

const char* const kAdminGroups[] = {"sudo", "wheel", "admin"};

bool InAdminGroup(const char* user, gid_t primary) {
  int count = 64;
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  if (getgrouplist(user, primary, groups.data(), &count) < 0) {
    groups.resize(static_cast<std::size_t>(count));
    if (getgrouplist(user, primary, groups.data(), &count) < 0) return false;
  }
  groups.resize(static_cast<std::size_t>(count));
  for (const char* name : kAdminGroups) {
    const group* g = getgrnam(name);
    if (g == nullptr) continue;
    for (gid_t id : groups) {
      if (id == g->gr_gid) return true;
    }
  }
  return false;
}

}  // namespace

bool IsUserAdminGroupMember() {
  if (geteuid() == 0) return true;
  const passwd* pw = getpwuid(geteuid());
  return pw != nullptr && InAdminGroup(pw->pw_name, pw->pw_gid);
}

bool IsAdminAccount(const std::wstring& userName) {
  const std::string name = ToNarrow(userName, kCodePageAnsi);
  if (name.empty()) return false;
  const passwd* pw = getpwnam(name.c_str());
  if (pw == nullptr) return false;
  return pw->pw_uid == 0 || InAdminGroup(pw->pw_name, pw->pw_gid);
}

bool GetConsoleUserName(std::wstring& userName) {
  setutxent();
  bool found = false;
  while (const utmpx* entry = getutxent()) {
    if (entry->ut_type != USER_PROCESS) continue;
    const std::string line(entry->ut_line, strnlen(entry->ut_line, sizeof(entry->ut_line)));
    if (line.rfind("tty", 0) != 0 && line.rfind(":", 0) != 0 && line != "console") continue;
    const std::string user(entry->ut_user, strnlen(entry->ut_user, sizeof(entry->ut_user)));
    userName = ToWide(user, kCodePageAnsi);
    found = !userName.empty();
    if (found) break;
  }
  endutxent();
  return found;
}

bool IsWindows64Bit() {
  if constexpr (sizeof(void*) == 8) {
    return true;
  } else {
    utsname info{};
    if (uname(&info) != 0) return false;
    const std::string machine = info.machine;
    return machine == "x86_64" || machine == "aarch64" || machine == "ppc64le" || machine == "s390x";
  }
}

namespace facts_detail {

bool KernelVersion(std::uint32_t& major, std::uint32_t& minor, std::uint32_t& build, bool& isServerR2) {
  const char* claimed = std::getenv("TAVELO_WINDOWS_VERSION");
  if (claimed == nullptr) return false;
  unsigned long parts[3] = {0, 0, 0};
  const char* p = claimed;
  for (int i = 0; i < 3; ++i) {
    char* end = nullptr;
    parts[i] = std::strtoul(p, &end, 10);
    if (end == p) return false;
    p = end;
    if (i < 2) {
      if (*p != '.') return false;
      ++p;
    }
  }
  major = static_cast<std::uint32_t>(parts[0]);
  minor = static_cast<std::uint32_t>(parts[1]);
  build = static_cast<std::uint32_t>(parts[2] & 0xFFFF);
  isServerR2 = false;
  return true;
}

bool NewGuid(GuidFields& guid) {
  std::uint8_t bytes[16];
  if (getrandom(bytes, sizeof(bytes), 0) != static_cast<ssize_t>(sizeof(bytes))) return false;
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  guid.data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) | bytes[3];
  guid.data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
  guid.data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
  std::memcpy(guid.data4, bytes + 8, 8);
  return true;
}

}  // namespace facts_detail
}  // namespace Utils
