// The 7z start header check: signature, checksums and the place of the next header.
#include "toolkit/seven_zip_header.h"

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace SkinUI {
namespace {

// Layout of the 32-byte start header: the signature, the CRC-32 of bytes 12..31, then the
// next header's offset (counted from the end of the start header), size and CRC-32.
constexpr unsigned char kSignature[] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr std::size_t kStartHeaderSize = 32;
constexpr std::size_t kStartCrcAt = 8;
constexpr std::size_t kNextOffsetAt = 12;
constexpr std::size_t kNextSizeAt = 20;
constexpr std::size_t kNextCrcAt = 28;

std::uint64_t ReadLittleEndian(std::span<const unsigned char> bytes, std::size_t at, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = width; i-- > 0;) value = (value << 8) | bytes[at + i];
  return value;
}

std::uint32_t Crc32(std::span<const unsigned char> bytes) {
  // zlib takes the length as uInt; the checked spans are cut to fit before.
  return static_cast<std::uint32_t>(crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())));
}

}  // namespace

bool HasSoundStartHeader(std::span<const unsigned char> bytes) {
  if (bytes.size() < kStartHeaderSize) return false;
  if (!std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin())) return false;
  const auto checked = bytes.subspan(kNextOffsetAt, kStartHeaderSize - kNextOffsetAt);
  if (Crc32(checked) != ReadLittleEndian(bytes, kStartCrcAt, 4)) return false;

  const std::uint64_t room = bytes.size() - kStartHeaderSize;
  const std::uint64_t offset = ReadLittleEndian(bytes, kNextOffsetAt, 8);
  const std::uint64_t size = ReadLittleEndian(bytes, kNextSizeAt, 8);
  if (size == 0 || offset > room || size > room - offset || size > 0xFFFFFFFFu) return false;
  const auto next = bytes.subspan(kStartHeaderSize + static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
  return Crc32(next) == ReadLittleEndian(bytes, kNextCrcAt, 4);
}

}  // namespace SkinUI
