// Small file operations on wide paths. On Windows every one goes through the wide system
// calls, so a folder whose name the ANSI code page cannot spell works like any other.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace Utils {

// True when the file is gone afterwards (also when there was none).
bool DeleteFileAt(const std::wstring& path);
// Renames from to to, replacing an existing to; true when moved.
bool MoveFileTo(const std::wstring& from, const std::wstring& to);
// Copies a file's bytes, replacing an existing to; true when the whole file was copied.
bool CopyFileTo(const std::wstring& from, const std::wstring& to);
// The whole file's bytes; nothing when it cannot be opened or read to its end.
std::optional<std::string> ReadWholeFile(const std::wstring& path);
// Size in bytes, or -1 when the file is missing or cannot be asked (a folder too).
std::int64_t FileSizeAt(const std::wstring& path);

// A C runtime stream that closes itself.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file with an fopen mode ("rb", "ab+", "wb"); null when it cannot be opened or
// the path is empty.
UniqueFile OpenFile(const std::wstring& path, const char* mode);

// Closes a stream and says whether everything written reached the file; false for null.
bool CloseFile(UniqueFile& file);

// fseek from the start and ftell with 64-bit offsets, for files past 2 GiB on every
// platform: 0 / the offset on success, non-zero / -1 on failure.
int SeekFile(std::FILE* file, std::int64_t offset);
std::int64_t TellFile(std::FILE* file);

}  // namespace Utils
