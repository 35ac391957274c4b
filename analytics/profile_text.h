// Narrow profile-file access for the tracker's state files: texts are the tracker's UTF-8
// bytes, paths are UTF-8. Values are read whole, never cut to a buffer, and written on one
// line.
#pragma once

#include <cstddef>
#include <string>

namespace usage::zelkor {

// The value of key in section, or "" when the file, the section or the key is missing.
std::string readProfileText(const std::string& path, const std::string& section, const std::string& key);
// Sets key in section, making the file when missing; line breaks in the value become
// blanks. False when the file cannot be written.
bool writeProfileText(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& value);

namespace profile_detail {
// A path the profile functions may be given: not empty and naming a folder (a bare file
// name would be looked for in the Windows folder).
bool isUsableProfilePath(const std::string& path);
// Platform: one read into a buffer of capacity units; at most capacity - 1 come back.
std::string readProfileTextCapped(const std::string& path, const std::string& section, const std::string& key,
                                  std::size_t capacity);
bool writeProfileTextAt(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);
}  // namespace profile_detail

}  // namespace usage::zelkor
