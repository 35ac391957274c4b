// POSIX profile files: the file is read whole and decoded (UTF-16, little- or big-endian,
// with its byte-order mark; UTF-8 with or without one, UTF-8 standing for the ANSI code
// page; bytes that are not UTF-8 taken one character each, so a file never fails to
// read), then looked up with the profile rules. A write edits the decoded text and
// replaces the file with its UTF-8 form through a temporary file beside it, so a reader
// sees either the old file or the new one, never half of one.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "utils/file_ops.h"
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

// The text a write starts from: empty when there is no file yet; false when a file (or
// something else) is there but cannot be read, so it is never replaced blindly.
bool ReadForEdit(const std::string& path, std::wstring& text) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return errno == ENOENT;
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  text = Decode(bytes);
  return true;
}

// Writes the bytes to a temporary file in the same folder, then renames it over the path.
bool ReplaceFile(const std::wstring& path, const std::string& bytes) {
  const std::wstring temporary = path + L"." + std::to_wstring(getpid()) + L".tmp";
  UniqueFile file = OpenFile(temporary, "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  if (CloseFile(file) && written && MoveFileTo(temporary, path)) return true;
  static_cast<void>(DeleteFileAt(temporary));  // a leftover temporary file is only clutter
  return false;
}

}  // namespace

bool WriteIniString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                    const std::wstring& value) {
  if (section.empty() || key.empty()) return false;
  const std::string narrowPath = ToNarrow(path, kCodePageAnsi);
  std::wstring text;
  if (narrowPath.empty() || !ReadForEdit(narrowPath, text)) return false;
  const std::wstring edited = ini_detail::SetIniValue(text, section, key, value);
  // A character UTF-8 cannot carry (a lone UTF-16 surrogate) fails the write rather than
  // emptying the file.
  const std::string bytes = ToNarrow(edited, kCodePageUtf8);
  if (bytes.empty()) return false;
  return ReplaceFile(path, bytes);
}

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
