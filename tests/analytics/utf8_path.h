// A filesystem path as the UTF-8 text the tracker takes for paths.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {
inline std::string Utf8Path(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}
}  // namespace testsupport
