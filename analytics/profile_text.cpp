// Portable side of the tracker's profile-file access: path checks and reads that grow their
// buffer until the whole value fits.
#include "analytics/profile_text.h"

#include <string>

#include "utils/folders.h"

namespace usage::zelkor {
namespace {

// The first read uses the 128-byte buffer the state keys are sized for; a longer value
// (a long collector URL or user id) is read again with a larger buffer rather than cut,
// since a cut URL would never match the collector again and reset the identity each run.
constexpr std::size_t kFirstCapacity = 128;
constexpr std::size_t kLargestCapacity = 64 * 1024;

// A line break inside a value would end its line and start another: a user id holding
// "\nisLogined=OK" would log the next run in. Each one becomes a blank instead.
std::string singleLine(std::string value) {
  for (char& c : value) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return value;
}

}  // namespace

namespace profile_detail {

bool isUsableProfilePath(const std::string& path) {
  for (char c : path) {
    if (Utils::IsPathSeparator(static_cast<wchar_t>(static_cast<unsigned char>(c)))) return true;
  }
  return false;
}

}  // namespace profile_detail

std::string readProfileText(const std::string& path, const std::string& section, const std::string& key) {
  if (!profile_detail::isUsableProfilePath(path)) return {};
  std::string value;
  for (std::size_t capacity = kFirstCapacity; capacity <= kLargestCapacity; capacity *= 2) {
    value = profile_detail::readProfileTextCapped(path, section, key, capacity);
    if (value.size() + 1 < capacity) break;
  }
  return value;
}

bool writeProfileText(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& value) {
  return profile_detail::isUsableProfilePath(path) && profile_detail::writeProfileTextAt(path, section, key, singleLine(value));
}

}  // namespace usage::zelkor
