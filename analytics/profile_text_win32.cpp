// Windows profile access through the narrow private-profile functions. The path goes to the
// ANSI code page (a path it cannot spell is refused, never guessed at); values pass as the
// tracker's bytes, which the functions store and hand back unchanged.
#include <windows.h>

#include <vector>

#include "analytics/profile_text.h"
#include "utils/text.h"

namespace usage::zelkor::profile_detail {
namespace {

// "" when the path has a character the ANSI code page lacks: a best-fit "?" would name
// another file.
std::string ansiPath(const std::string& path) {
  return Utils::ToNarrow(Utils::ToWide(path, Utils::kCodePageUtf8), Utils::kCodePageAnsi);
}

}  // namespace

std::string readProfileTextCapped(const std::string& path, const std::string& section, const std::string& key,
                                  std::size_t capacity) {
  const std::string file = ansiPath(path);
  if (file.empty() || capacity == 0) return {};
  std::vector<char> buffer(capacity, '\0');
  const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(),
                                           static_cast<DWORD>(capacity), file.c_str());
  return std::string(buffer.data(), n);
}

bool writeProfileTextAt(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
  const std::string file = ansiPath(path);
  if (file.empty()) return false;
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

}  // namespace usage::zelkor::profile_detail
