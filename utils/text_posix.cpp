// POSIX code-page conversions. Code page 0 ("ANSI") is UTF-8, the encoding of file names and
// text on Linux in practice (the process never calls setlocale, so the C locale's ASCII
// would be the wrong answer); 65001 is UTF-8; any other number N goes through iconv as
// "CPN" (936 is "CP936").
#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "utils/text.h"
#include "utils/utf8.h"

namespace Utils {
namespace {

// The wide encoding of this platform's wchar_t.
constexpr const char* kWideEncoding = sizeof(wchar_t) == 4 ? "UTF-32LE" : "UTF-16LE";

bool IsUtf8(unsigned codePage) { return codePage == kCodePageAnsi || codePage == kCodePageUtf8; }

// Runs one whole iconv conversion; false on any invalid or unconvertible input.
bool Convert(const char* to, const char* from, const char* in, std::size_t inBytes, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.assign(inBytes * 4 + 16, '\0');
  char* src = const_cast<char*>(in);
  char* dst = out.data();
  std::size_t dstLeft = out.size();
  bool ok = true;
  while (inBytes > 0) {
    const std::size_t r = iconv(cd, &src, &inBytes, &dst, &dstLeft);
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) {
        const std::size_t used = out.size() - dstLeft;
        out.resize(out.size() * 2);
        dst = out.data() + used;
        dstLeft = out.size() - used;
        continue;
      }
      ok = false;
      break;
    }
    if (r != 0) {  // a character replaced irreversibly counts as a failure
      ok = false;
      break;
    }
  }
  if (ok && iconv(cd, nullptr, nullptr, &dst, &dstLeft) == static_cast<std::size_t>(-1)) ok = false;
  out.resize(out.size() - dstLeft);
  iconv_close(cd);
  return ok;
}

std::string CodePageName(unsigned codePage) { return "CP" + std::to_string(codePage); }

}  // namespace

std::wstring ToWide(const std::string& text, unsigned codePage) {
  std::wstring out;
  if (text.empty()) return out;
  if (IsUtf8(codePage)) return Utf8ToWide(text, out) ? out : std::wstring();
  std::string bytes;
  if (!Convert(kWideEncoding, CodePageName(codePage).c_str(), text.data(), text.size(), bytes)) return {};
  out.resize(bytes.size() / sizeof(wchar_t));
  std::memcpy(out.data(), bytes.data(), out.size() * sizeof(wchar_t));
  return out;
}

std::string ToNarrow(const std::wstring& text, unsigned codePage) {
  std::string out;
  if (text.empty()) return out;
  if (IsUtf8(codePage)) return WideToUtf8(text, out) ? out : std::string();
  if (!Convert(CodePageName(codePage).c_str(), kWideEncoding, reinterpret_cast<const char*>(text.data()),
               text.size() * sizeof(wchar_t), out)) {
    return {};
  }
  return out;
}

}  // namespace Utils
