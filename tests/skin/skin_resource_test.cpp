// The skin archive built into the program: a whole 7z archive under its resource id, and
// nothing under any other id.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>

#include "skin/skin_resource.h"

namespace {

// A little-endian number of `width` bytes at `at`.
std::uint64_t ReadLittleEndian(std::span<const unsigned char> bytes, std::size_t at, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = width; i-- > 0;) value = (value << 8) | bytes[at + i];
  return value;
}

std::uint32_t Crc32(std::span<const unsigned char> bytes) {
  return static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

}  // namespace

// A 7z archive opens with a 32-byte signature header: the signature, the version, the CRC of
// the next 20 bytes, then the offset, size and CRC of the header that ends the archive. The
// header's own position and checksum show that every byte reached the program, up to the last.
TEST(SkinResource, IsAWhole7zArchive) {
  const std::span<const unsigned char> archive = SkinResource(kSkinResourceId);
  ASSERT_GE(archive.size(), 32u);
  const unsigned char signature[] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
  ASSERT_TRUE(std::equal(std::begin(signature), std::end(signature), archive.begin()));

  EXPECT_EQ(ReadLittleEndian(archive, 8, 4), Crc32(archive.subspan(12, 20))) << "signature header checksum";
  const std::uint64_t headerOffset = ReadLittleEndian(archive, 12, 8);
  const std::uint64_t headerSize = ReadLittleEndian(archive, 20, 8);
  ASSERT_GT(headerSize, 0u);
  ASSERT_EQ(32 + headerOffset + headerSize, archive.size()) << "the archive ends with its header";
  EXPECT_EQ(ReadLittleEndian(archive, 28, 4), Crc32(archive.subspan(32 + headerOffset, headerSize)))
      << "end header checksum";
  EXPECT_EQ(SkinResource(kSkinResourceId).data(), archive.data()) << "the same bytes on every call";
}

TEST(SkinResource, IsEmptyUnderAnyOtherId) {
  // 65536 + 147 would name resource 147 if the id were cut to 16 bits.
  for (int id : {146, 148, 145, 1, 0, -1, -147, 65536 + kSkinResourceId}) {
    EXPECT_TRUE(SkinResource(id).empty()) << id;
  }
}
