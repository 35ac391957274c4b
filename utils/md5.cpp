// MD5 after RFC 1321: 64-byte blocks, four rounds of sixteen steps, little-endian words.
#include "utils/md5.h"

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "utils/file_ops.h"
#include "utils/text.h"

namespace Utils {
namespace {

// T[i] = floor(abs(sin(i + 1)) * 2^32).
constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr std::uint32_t RotateLeft(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// One step i of the 64: the round function and the message word both follow from i, so
// with i a compile-time constant every step compiles to straight-line code without
// branches (the digest check reads whole packages, gigabytes at a time).
template <int i>
inline void Step(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, const std::uint32_t* x) {
  std::uint32_t f;
  if constexpr (i < 16) {
    f = d ^ (b & (c ^ d));  // (b & c) | (~b & d)
  } else if constexpr (i < 32) {
    f = c ^ (d & (b ^ c));  // (b & d) | (c & ~d)
  } else if constexpr (i < 48) {
    f = b ^ c ^ d;
  } else {
    f = c ^ (b | ~d);
  }
  constexpr int g = i < 16 ? i : i < 32 ? (5 * i + 1) % 16 : i < 48 ? (3 * i + 5) % 16 : (7 * i) % 16;
  a = b + RotateLeft(a + f + kSine[i] + x[g], kShift[i]);
}

// Steps first..first+3 with the four state words rotating through their roles.
template <int first>
inline void FourSteps(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d, const std::uint32_t* x) {
  Step<first>(a, b, c, d, x);
  Step<first + 1>(d, a, b, c, x);
  Step<first + 2>(c, d, a, b, x);
  Step<first + 3>(b, c, d, a, x);
}

template <int... quads>
inline void AllSteps(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d, const std::uint32_t* x,
                     std::integer_sequence<int, quads...>) {
  (FourSteps<quads * 4>(a, b, c, d, x), ...);
}

}  // namespace

Md5::Md5() : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}, buffer_{} {}

void Md5::Transform(const std::uint8_t block[64]) {
  std::uint32_t x[16];
  for (int i = 0; i < 16; ++i) {
    x[i] = static_cast<std::uint32_t>(block[i * 4]) | (static_cast<std::uint32_t>(block[i * 4 + 1]) << 8) |
           (static_cast<std::uint32_t>(block[i * 4 + 2]) << 16) | (static_cast<std::uint32_t>(block[i * 4 + 3]) << 24);
  }
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  AllSteps(a, b, c, d, x, std::make_integer_sequence<int, 16>());
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

void Md5::Update(const void* data, std::size_t size) {
  if (size == 0) return;  // also for a null pointer, which the copies below must not see
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::size_t used = static_cast<std::size_t>((bitCount_ / 8) % 64);
  bitCount_ += static_cast<std::uint64_t>(size) * 8;
  if (used != 0) {
    const std::size_t take = size < 64 - used ? size : 64 - used;
    std::memcpy(buffer_ + used, p, take);
    p += take;
    size -= take;
    used += take;
    if (used < 64) return;
    Transform(buffer_);
  }
  for (; size >= 64; p += 64, size -= 64) Transform(p);
  std::memcpy(buffer_, p, size);
}

std::array<std::uint8_t, 16> Md5::Final() {
  const std::uint64_t bits = bitCount_;
  std::uint8_t padding[72] = {0x80};
  const std::size_t used = static_cast<std::size_t>((bits / 8) % 64);
  Update(padding, used < 56 ? 56 - used : 120 - used);
  std::uint8_t length[8];
  for (int i = 0; i < 8; ++i) length[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  Update(length, 8);
  std::array<std::uint8_t, 16> digest{};
  for (int i = 0; i < 16; ++i) digest[i] = static_cast<std::uint8_t>(state_[i / 4] >> (8 * (i % 4)));
  return digest;
}

std::string DigestHex(const std::array<std::uint8_t, 16>& digest) {
  static const char kHex[] = "0123456789abcdef";
  std::string out(32, '0');
  for (int i = 0; i < 16; ++i) {
    out[i * 2] = kHex[digest[i] >> 4];
    out[i * 2 + 1] = kHex[digest[i] & 0xF];
  }
  return out;
}

std::string Md5Hex(const void* data, std::size_t size) {
  Md5 md5;
  md5.Update(data, size);
  return DigestHex(md5.Final());
}

std::string FileMd5Hex(const std::wstring& path) {
  UniqueFile file = OpenFile(path, "rb");
  if (!file) return {};
  Md5 md5;
  std::vector<std::uint8_t> block(64 * 1024);  // large blocks: packages run to gigabytes
  for (;;) {
    const std::size_t n = std::fread(block.data(), 1, block.size(), file.get());
    if (n > 0) md5.Update(block.data(), n);
    if (n < block.size()) break;
  }
  if (std::ferror(file.get()) != 0) return {};
  return DigestHex(md5.Final());
}

std::string FileMd5Hex(const std::string& path) {
  if (path.empty()) return {};
  return FileMd5Hex(ToWide(path, kCodePageAnsi));
}

}  // namespace Utils
