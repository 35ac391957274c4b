// MD5 message digest (RFC 1321) and the hexadecimal digest of a file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace Utils {

class Md5 {
 public:
  Md5();
  void Update(const void* data, std::size_t size);
  // Finishes the digest; the object must not be updated afterwards.
  std::array<std::uint8_t, 16> Final();

 private:
  void Transform(const std::uint8_t block[64]);

  std::uint32_t state_[4];
  std::uint64_t bitCount_ = 0;
  std::uint8_t buffer_[64];
};

// 32 lower-case hexadecimal characters.
std::string DigestHex(const std::array<std::uint8_t, 16>& digest);
std::string Md5Hex(const void* data, std::size_t size);

// Digest of a file; "" for an empty path or a file that cannot be opened or read to its
// end. The wide form takes any file name; the narrow one a name in the ANSI code page.
std::string FileMd5Hex(const std::wstring& path);
std::string FileMd5Hex(const std::string& path);

}  // namespace Utils
