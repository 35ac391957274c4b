// Small file operations on wide paths.
#pragma once

#include <cstdint>
#include <string>

namespace Utils {

// True when the file is gone afterwards (also when there was none).
bool DeleteFileAt(const std::wstring& path);
// Renames from to to, replacing an existing to; true when moved.
bool MoveFileTo(const std::wstring& from, const std::wstring& to);
// Size in bytes, or -1 when the file is missing or cannot be asked.
std::int64_t FileSizeAt(const std::wstring& path);

}  // namespace Utils
