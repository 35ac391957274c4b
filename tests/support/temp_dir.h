// A fresh folder under the system's temporary folder, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

// A filesystem path for wide text, independent of the C locale (UTF-8 file names on POSIX).
std::filesystem::path FsPath(const std::wstring& text);

// A folder name that no single ANSI code page can spell (Chinese and Thai), as under a user
// name in another script; on Windows a narrow path to it cannot reach it.
inline constexpr wchar_t kNameOutsideAnsiCodePage[] = L"\u4E0B\u8F7D-\u0E14\u0E32\u0E27\u0E19\u0E4C";

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::wstring WPath() const { return path_.wstring(); }
  // Writes a file below the folder and returns its path.
  std::filesystem::path Write(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path path_;
};

}  // namespace testsupport
