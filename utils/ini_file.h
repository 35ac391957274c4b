// INI (profile) files with the Windows profile functions' observable rules: section and
// key names compared without case, blanks around names and values dropped, one pair of
// enclosing quotes dropped from a value, values cut to the caller's buffer, the first
// occurrence of a key winning.
#pragma once

#include <cstddef>
#include <string>

namespace Utils {

// The value of key in section, or fallback when the file, the section or the key is
// missing. At most capacity - 1 characters are returned, as from a buffer of capacity.
std::wstring ReadIniString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                           const std::wstring& fallback, std::size_t capacity = 260);

namespace ini_detail {
// The POSIX reader over file text already decoded (also used by the tests of the rules).
bool FindIniValue(const std::wstring& text, const std::wstring& section, const std::wstring& key, std::wstring& value);
}  // namespace ini_detail

}  // namespace Utils
