// POSIX profile files: the file is read whole and decoded (UTF-16, little- or big-endian,
// with its byte-order mark; UTF-8 with or without one, UTF-8 standing for the ANSI code
// page; bytes that are not UTF-8 taken one character each, so a file never fails to
// read), then looked up with the profile rules.
#include <cstdio>

#include "utils/ini_file.h"
#include "utils/text.h"

namespace Utils {
namespace {

// False when the file cannot be opened or read (a folder, no permission).
bool ReadWholeFile(const std::string& path, std::string& bytes) {
  if (path.empty()) return false;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char block[4096];
  std::size_t n;
  while ((n = std::fread(block, 1, sizeof(block), file)) > 0) bytes.append(block, n);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

// UTF-16 code units from pairs of bytes; an odd last byte is dropped.
std::wstring DecodeUtf16(const std::string& bytes, bool bigEndian) {
  std::wstring text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const unsigned first = static_cast<unsigned char>(bytes[i]);
    const unsigned second = static_cast<unsigned char>(bytes[i + 1]);
    text.push_back(static_cast<wchar_t>(bigEndian ? (first << 8) | second : first | (second << 8)));
  }
  // Pairs of UTF-16 surrogates become one character; lone ones are kept as they are.
  std::string utf8 = ToNarrow(text, kCodePageUtf8);
  return utf8.empty() ? text : ToWide(utf8, kCodePageUtf8);
}

std::wstring Decode(const std::string& bytes) {
  if (bytes.size() >= 2) {
    const unsigned first = static_cast<unsigned char>(bytes[0]);
    const unsigned second = static_cast<unsigned char>(bytes[1]);
    if (first == 0xFF && second == 0xFE) return DecodeUtf16(bytes, false);
    if (first == 0xFE && second == 0xFF) return DecodeUtf16(bytes, true);
  }
  std::string body = bytes;
  if (body.size() >= 3 && body.compare(0, 3, "\xEF\xBB\xBF") == 0) body.erase(0, 3);
  std::wstring text = ToWide(body, kCodePageUtf8);
  if (!text.empty() || body.empty()) return text;
  for (unsigned char c : body) text.push_back(static_cast<wchar_t>(c));
  return text;
}

}  // namespace

std::wstring ReadIniString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                           const std::wstring& fallback, std::size_t capacity) {
  if (capacity == 0) return {};
  std::wstring value;
  std::string bytes;
  if (!ReadWholeFile(ToNarrow(path, kCodePageAnsi), bytes) ||
      !ini_detail::FindIniValue(Decode(bytes), section, key, value)) {
    value = ini_detail::IniFallback(fallback);
  }
  return ini_detail::CopyIniValue(value, capacity);
}

}  // namespace Utils
