// Platform-independent parts of the file operations.
#include "utils/file_ops.h"

namespace Utils {

bool CloseFile(UniqueFile& file) {
  if (!file) return false;
  return std::fclose(file.release()) == 0;
}

bool CopyFileTo(const std::wstring& from, const std::wstring& to) {
  if (FileSizeAt(from) < 0) return false;  // a folder or nothing: no copy
  UniqueFile source = OpenFile(from, "rb");
  UniqueFile target = source ? OpenFile(to, "wb") : nullptr;
  if (!target) return false;
  char block[64 * 1024];
  std::size_t n;
  while ((n = std::fread(block, 1, sizeof(block), source.get())) > 0) {
    if (std::fwrite(block, 1, n, target.get()) != n) return false;
  }
  return std::ferror(source.get()) == 0 && CloseFile(target);
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  const UniqueFile file = OpenFile(path, "rb");
  if (!file) return std::nullopt;
  std::string bytes;
  char block[64 * 1024];
  std::size_t n;
  while ((n = std::fread(block, 1, sizeof(block), file.get())) > 0) bytes.append(block, n);
  if (std::ferror(file.get()) != 0) return std::nullopt;
  return bytes;
}

}  // namespace Utils
