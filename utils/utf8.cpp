// Strict UTF-8 encoder and decoder, independent of the locale.
#include "utils/utf8.h"

namespace Utils {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Reads one code point from wide text; false on a lone surrogate or a value above U+10FFFF.
bool NextCodePoint(const wchar_t* text, std::size_t length, std::size_t& i, char32_t& cp) {
  char32_t c = static_cast<char32_t>(text[i++]);
  if constexpr (sizeof(wchar_t) == 2) {
    c &= 0xFFFF;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i < length) {
        const char32_t low = static_cast<char32_t>(text[i]) & 0xFFFF;
        if (low >= 0xDC00 && low <= 0xDFFF) {
          ++i;
          cp = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
          return true;
        }
      }
      return false;
    }
  }
  if (IsSurrogate(c) || c > 0x10FFFF) return false;
  cp = c;
  return true;
}

void PutWide(std::wstring& out, char32_t c) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
      return;
    }
  }
  out.push_back(static_cast<wchar_t>(c));
}

}  // namespace

void AppendCodePointUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void AppendUtf8(std::string& out, const wchar_t* text, std::size_t length) {
  out.reserve(out.size() + length);
  for (std::size_t i = 0; i < length;) {
    char32_t cp = 0;
    AppendCodePointUtf8(out, NextCodePoint(text, length, i, cp) ? cp : kReplacement);
  }
}

bool WideToUtf8(const std::wstring& in, std::string& out) {
  out.clear();
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size();) {
    char32_t cp = 0;
    if (!NextCodePoint(in.data(), in.size(), i, cp)) return false;
    AppendCodePointUtf8(out, cp);
  }
  return true;
}

bool Utf8ToWide(const std::string& in, std::wstring& out) {
  out.clear();
  out.reserve(in.size());
  const auto* s = reinterpret_cast<const unsigned char*>(in.data());
  const std::size_t n = in.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = s[i];
    char32_t cp;
    std::size_t extra;
    char32_t min;
    if (b < 0x80) { cp = b; extra = 0; min = 0; }
    else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; extra = 1; min = 0x80; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; extra = 2; min = 0x800; }
    else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; extra = 3; min = 0x10000; }
    else return false;
    if (i + extra >= n) return false;  // truncated sequence
    for (std::size_t k = 1; k <= extra; ++k) {
      const unsigned char c = s[i + k];
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || IsSurrogate(cp)) return false;
    PutWide(out, cp);
    i += extra + 1;
  }
  return true;
}

}  // namespace Utils
