// The skin archive: a 7z archive read whole into memory, its files found by name without
// regard to letter case or to the kind of path separator.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace SkinUI {

// A skin archive read into memory: a 7z archive (only libarchive's 7z reader is
// registered), every file's bytes kept under its name.
class SkinArchive {
 public:
  // Limits against a crafted archive that would exhaust memory: a larger file, more bytes
  // in all or more files make the whole archive unreadable. They bound what is kept here;
  // libarchive sizes its own tables by the counts in the archive's header, which the
  // checksums guard against damage but not against an archive crafted to match them.
  static constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;
  static constexpr std::size_t kMaxTotalBytes = std::size_t{256} << 20;
  static constexpr std::size_t kMaxFiles = 65536;

  // Reads every file of the archive held in bytes; nullopt when the bytes are not a
  // readable 7z archive (broken, truncated, encrypted, holding no file, self-extracting,
  // another format) or exceed the limits above. Folder entries (and links) are skipped.
  static std::optional<SkinArchive> Open(std::span<const unsigned char> bytes);

  // The file's bytes. name is compared without regard to letter case, with "/" and "\"
  // as the same separator and leading separators ignored; nullptr when absent. Of two
  // files whose names compare equal, the first in archive order is found.
  const std::vector<unsigned char>* Find(std::wstring_view name) const;

  // The stored names, in archive order, with "/" as separator.
  std::vector<std::wstring> Names() const;

 private:
  struct File {
    std::wstring name;
    std::vector<unsigned char> bytes;
  };

  SkinArchive() = default;
  // Keeps a file read from the archive; the first of equal lookup names wins.
  void Add(std::wstring name, std::vector<unsigned char> bytes);

  std::vector<File> files_;
  std::unordered_map<std::wstring, std::size_t> index_;  // lookup name -> files_ position
};

}  // namespace SkinUI
