// POSIX file operations on UTF-8 file names.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "utils/file_ops.h"
#include "utils/text.h"

namespace Utils {

bool DeleteFileAt(const std::wstring& path) {
  const std::string narrow = ToNarrow(path, kCodePageAnsi);
  if (narrow.empty()) return false;
  return unlink(narrow.c_str()) == 0 || errno == ENOENT;
}

bool MoveFileTo(const std::wstring& from, const std::wstring& to) {
  const std::string a = ToNarrow(from, kCodePageAnsi), b = ToNarrow(to, kCodePageAnsi);
  return !a.empty() && !b.empty() && std::rename(a.c_str(), b.c_str()) == 0;
}

std::int64_t FileSizeAt(const std::wstring& path) {
  const std::string narrow = ToNarrow(path, kCodePageAnsi);
  struct stat info {};
  if (narrow.empty() || stat(narrow.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return static_cast<std::int64_t>(info.st_size);
}

UniqueFile OpenFile(const std::wstring& path, const char* mode) {
  const std::string narrow = ToNarrow(path, kCodePageAnsi);
  if (narrow.empty()) return nullptr;
  return UniqueFile(std::fopen(narrow.c_str(), mode));
}

int SeekFile(std::FILE* file, std::int64_t offset) { return fseeko(file, static_cast<off_t>(offset), SEEK_SET); }

std::int64_t TellFile(std::FILE* file) { return static_cast<std::int64_t>(ftello(file)); }

}  // namespace Utils
