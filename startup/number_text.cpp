// Leading-number conversions, the same in both builds (the C runtimes differ on hexadecimal
// floats, "inf"/"nan" and the width of long, so only a plain decimal prefix is taken).
#include "startup/number_text.h"

#include <cmath>
#include <cstdlib>
#include <cwctype>
#include <limits>

namespace {

std::size_t SkipBlanks(const std::wstring& text) {
  std::size_t i = 0;
  while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i]))) ++i;
  return i;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

bool ParseLeadingInt32(const std::wstring& text, std::int32_t& value) {
  std::size_t i = SkipBlanks(text);
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  if (i >= text.size() || !IsDigit(text[i])) return false;
  const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                      : std::numeric_limits<std::int32_t>::max();
  std::int64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - L'0');
    if (magnitude > limit) magnitude = limit;  // saturate, and keep consuming digits
  }
  value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

DoubleParse ParseLeadingDouble(const std::wstring& text, double& value) {
  std::size_t i = SkipBlanks(text);
  std::string number;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) number.push_back(static_cast<char>(text[i++]));
  std::size_t digits = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) number.push_back(static_cast<char>(text[i]));
  if (i < text.size() && text[i] == L'.') {
    number.push_back('.');
    for (++i; i < text.size() && IsDigit(text[i]); ++i, ++digits) number.push_back(static_cast<char>(text[i]));
  }
  if (digits == 0) return DoubleParse::kNoNumber;
  // An exponent counts only when digits follow it.
  if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < text.size() && (text[j] == L'+' || text[j] == L'-')) exponent.push_back(static_cast<char>(text[j++]));
    if (j < text.size() && IsDigit(text[j])) {
      for (; j < text.size() && IsDigit(text[j]); ++j) exponent.push_back(static_cast<char>(text[j]));
      number += exponent;
    }
  }
  const double parsed = std::strtod(number.c_str(), nullptr);
  if (!std::isfinite(parsed)) return DoubleParse::kNotFinite;
  value = parsed;
  return DoubleParse::kParsed;
}
