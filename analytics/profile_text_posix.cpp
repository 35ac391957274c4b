// POSIX profile access over the project's INI reader and writer (wide texts), which keep
// the file in UTF-8: the tracker's UTF-8 texts convert both ways without loss.
#include "analytics/profile_text.h"
#include "utils/ini_file.h"
#include "utils/text.h"

namespace usage::zelkor::profile_detail {
namespace {

// False when a non-empty text is not UTF-8 (its conversion would come back empty).
bool toWide(const std::string& text, std::wstring& wide) {
  wide = Utils::ToWide(text, Utils::kCodePageUtf8);
  return text.empty() || !wide.empty();
}

}  // namespace

std::string readProfileTextCapped(const std::string& path, const std::string& section, const std::string& key,
                                  std::size_t capacity) {
  std::wstring widePath, wideSection, wideKey;
  if (!toWide(path, widePath) || !toWide(section, wideSection) || !toWide(key, wideKey)) return {};
  const std::wstring value = Utils::ReadIniString(widePath, wideSection, wideKey, L"", capacity);
  return Utils::ToNarrow(value, Utils::kCodePageUtf8);
}

bool writeProfileTextAt(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
  std::wstring widePath, wideSection, wideKey, wideValue;
  if (!toWide(path, widePath) || !toWide(section, wideSection) || !toWide(key, wideKey) ||
      !toWide(value, wideValue)) {
    return false;
  }
  return Utils::WriteIniString(widePath, wideSection, wideKey, wideValue);
}

}  // namespace usage::zelkor::profile_detail
