// Skin attribute values: hand-written readers, so that every skin text, however malformed,
// gives a defined value.
#include "toolkit/skin_values.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "utils/text.h"

namespace SkinUI {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads an integer at text[pos...], moving pos past it; fallback when no digit follows.
int ReadInt(std::string_view text, std::size_t& pos, int fallback) {
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) negative = text[pos++] == '-';
  const std::size_t first = pos;
  long long value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    value = std::min<long long>(value * 10 + (text[pos] - '0'), static_cast<long long>(INT_MAX) + 1);
    ++pos;
  }
  if (pos == first) return fallback;
  if (negative) value = -value;
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// Up to `count` comma-separated integers.
void ReadInts(std::string_view text, int* out[], int count) {
  std::size_t pos = 0;
  for (int i = 0; i < count; ++i) {
    *out[i] = ReadInt(text, pos, 0);
    // Skip to just after the next comma; without one the remaining parts stay 0.
    const std::size_t comma = text.find(',', pos);
    if (comma == std::string_view::npos) return;
    pos = comma + 1;
  }
}

std::wstring Wide(std::string_view text) { return Utils::ToWide(std::string(text), Utils::kCodePageUtf8); }

void ApplyPair(ImageDescription& image, std::string_view key, std::string_view value) {
  if (key == "file") image.file = Wide(value);
  else if (key == "restype") image.resType = Wide(value);
  else if (key == "dest") image.dest = ParseRect(value);
  else if (key == "source") image.source = ParseRect(value);
  else if (key == "corner") image.corner = ParseRect(value);
  else if (key == "mask") image.mask = ParseColour(value);
  else if (key == "fade") image.fade = std::clamp(ParseInt(value, 255), 0, 255);
  else if (key == "hole") image.hole = ParseBool(value);
  else if (key == "xtiled") image.xtiled = ParseBool(value);
  else if (key == "ytiled") image.ytiled = ParseBool(value);
  // Other keys belong to other readers: ignored.
}

void ParsePairs(std::string_view text, ImageDescription& image) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t equals = text.find('=', pos);
    if (equals == std::string_view::npos || equals + 1 >= text.size() || text[equals + 1] != '\'') return;
    const std::size_t close = text.find('\'', equals + 2);
    if (close == std::string_view::npos) return;  // no closing quote: the value is dropped
    ApplyPair(image, text.substr(pos, equals - pos), text.substr(equals + 2, close - equals - 2));
    if (close + 1 >= text.size() || text[close + 1] != ' ') return;  // the list ends here
    pos = close + 2;
  }
}

}  // namespace

std::uint32_t ParseColour(std::string_view text) {
  std::size_t pos = !text.empty() && text[0] == '#' ? 1 : 0;
  std::uint64_t value = 0;
  for (; pos < text.size() && HexDigit(text[pos]) >= 0; ++pos) {
    value = std::min<std::uint64_t>(value * 16 + static_cast<std::uint64_t>(HexDigit(text[pos])), 0xFFFFFFFFull);
  }
  return static_cast<std::uint32_t>(value);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

bool ParseBool(std::string_view text) { return text == "true"; }

int ParseInt(std::string_view text, int fallback) {
  std::size_t pos = 0;
  return ReadInt(text, pos, fallback);
}

Rect ParseRect(std::string_view text) {
  Rect r;
  int* parts[] = {&r.left, &r.top, &r.right, &r.bottom};
  ReadInts(text, parts, 4);
  return r;
}

Size ParseSize(std::string_view text) {
  Size s;
  int* parts[] = {&s.cx, &s.cy};
  ReadInts(text, parts, 2);
  return s;
}

std::optional<ImageDescription> ParseImageDescription(std::string_view text) {
  ImageDescription image;
  if (text.find('=') == std::string_view::npos) {
    image.file = Wide(text);
  } else {
    ParsePairs(text, image);
  }
  if (image.file.empty()) return std::nullopt;
  return image;
}

}  // namespace SkinUI
