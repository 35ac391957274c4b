// The value conventions of the skin files: colours, booleans, numbers, rectangles and image
// descriptions, read from attribute texts (UTF-8).
#pragma once

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace SkinUI {

struct Rect {
  static int Clamped(std::int64_t value) {
    return static_cast<int>(value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : value);
  }

  int left = 0, top = 0, right = 0, bottom = 0;
  // In 64 bits and clamped, so that rectangles from absurd skins cannot overflow.
  int Width() const { return Clamped(std::int64_t{right} - left); }
  int Height() const { return Clamped(std::int64_t{bottom} - top); }
  bool Empty() const { return right <= left || bottom <= top; }
  bool operator==(const Rect&) const = default;
};

struct Size {
  int cx = 0, cy = 0;
  bool operator==(const Size&) const = default;
};

// An optional "#" followed by hexadecimal digits, one 32-bit value AARRGGBB. Reading stops at
// the first character that is not a digit; more than eight digits saturate to 0xFFFFFFFF;
// no digit at all gives 0 (transparent).
std::uint32_t ParseColour(std::string_view text);

// Whether two texts are the same regardless of ASCII letter case, as the skins' attribute
// names that are read without case are compared.
bool EqualNoCase(std::string_view a, std::string_view b);

// True for the exact text "true" only ("True", "flase" and "" are false).
bool ParseBool(std::string_view text);

// The leading decimal integer (optional sign, leading blanks skipped), saturated to the int
// range; fallback when there is none.
int ParseInt(std::string_view text, int fallback = 0);

// Comma-separated integers; a missing or unreadable part is 0.
Rect ParseRect(std::string_view text);
Size ParseSize(std::string_view text);

// A drawing of an image inside a control.
struct ImageDescription {
  std::wstring file;     // path inside the skin archive
  std::wstring resType;  // kept, not used by the archive lookup
  std::optional<Rect> dest;  // relative to the control's top-left corner
  Rect source;               // inside the image; all zero: the whole image
  Rect corner;               // insets that are not stretched
  std::optional<std::uint32_t> mask;  // a colour drawn transparent
  int fade = 255;                     // opacity 0..255
  bool hole = false;
  bool xtiled = false;
  bool ytiled = false;
};

// A bare path, or key='value' pairs each separated from the next by exactly one blank after
// the closing quote. Parsing stops at a closing quote that is not followed by a blank; a
// value without its closing quote is dropped. Unknown keys are ignored. Nothing when no file
// results.
std::optional<ImageDescription> ParseImageDescription(std::string_view text);

}  // namespace SkinUI
