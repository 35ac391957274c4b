// The drop shadow's values: setters that keep each within its range, and the skin's shadow
// attributes read into them.
#include "ui/window_shadow.h"

#include <charconv>

#include "utils/text.h"

namespace ui {

std::optional<std::vector<int>> ParseSeparatedIntegers(const std::string& text, std::size_t count) {
  std::vector<int> values;
  const char* at = text.data();
  const char* const end = text.data() + text.size();
  while (values.size() < count) {
    if (!values.empty()) {
      if (at == end) return std::nullopt;
      ++at;  // the separator, whatever character it is
    }
    int value = 0;
    const auto [next, error] = std::from_chars(at, end, value);
    if (error != std::errc()) return std::nullopt;
    values.push_back(value);
    at = next;
  }
  if (at != end) return std::nullopt;
  return values;
}

}  // namespace ui

namespace {

bool InRange(int value, int low, int high) { return value >= low && value <= high; }

const std::string* Find(const std::map<std::string, std::string>& attributes, const char* name) {
  const auto found = attributes.find(name);
  return found != attributes.end() ? &found->second : nullptr;
}

SkinUI::Rect RectOf(const std::vector<int>& v) { return SkinUI::Rect{v[0], v[1], v[2], v[3]}; }

}  // namespace

bool CWindowShadow::SetSize(int size) {
  if (!InRange(size, -20, 20)) return false;
  params_.size = size;
  RefreshIfVisible();
  return true;
}

bool CWindowShadow::SetSharpness(int sharpness) {
  if (!InRange(sharpness, 0, 20)) return false;
  params_.sharpness = sharpness;
  RefreshIfVisible();
  return true;
}

bool CWindowShadow::SetDarkness(int darkness) {
  if (!InRange(darkness, 0, 255)) return false;
  params_.darkness = darkness;
  RefreshIfVisible();
  return true;
}

bool CWindowShadow::SetPosition(int x, int y) {
  if (!InRange(x, -20, 20) || !InRange(y, -20, 20)) return false;
  params_.xOffset = x;
  params_.yOffset = y;
  RefreshIfVisible();
  return true;
}

bool CWindowShadow::SetColor(std::uint32_t colour) {
  params_.colour = colour & 0x00FFFFFFu;  // the top byte is not used
  RefreshIfVisible();
  return true;
}

bool CWindowShadow::SetImage(const std::wstring& file, const SkinUI::Rect& margins, const SkinUI::Rect& corners) {
  imageFile_ = file;
  imageMargins_ = margins;
  imageCorners_ = corners;
  RefreshIfVisible();
  return true;
}

bool CWindowShadow::ApplySkinAttributes(const std::map<std::string, std::string>& attributes) {
  const std::string* show = Find(attributes, "showshadow");
  if (show == nullptr || !SkinUI::EqualNoCase(*show, "true")) return false;
  if (const std::string* v = Find(attributes, "shadowsize")) SetSize(SkinUI::ParseInt(*v));
  if (const std::string* v = Find(attributes, "shadowsharpness")) SetSharpness(SkinUI::ParseInt(*v));
  if (const std::string* v = Find(attributes, "shadowdarkness")) SetDarkness(SkinUI::ParseInt(*v));
  if (const std::string* v = Find(attributes, "shadowposition")) {
    if (const auto xy = ui::ParseSeparatedIntegers(*v, 2)) SetPosition((*xy)[0], (*xy)[1]);
  }
  if (const std::string* v = Find(attributes, "shadowcolor")) SetColor(SkinUI::ParseColour(*v));
  // shadowholeoffset is read by skins of this design but changes nothing.
  if (const std::string* image = Find(attributes, "shadowimage"); image != nullptr && !image->empty()) {
    const std::string* corner = Find(attributes, "shadowcorner");
    const auto corners = corner != nullptr ? ui::ParseSeparatedIntegers(*corner, 4) : std::nullopt;
    const SkinUI::Rect insets = corners ? RectOf(*corners) : SkinUI::Rect{};
    // The corners double as the margins the image reaches beyond the window.
    SetImage(Utils::ToWide(*image, Utils::kCodePageUtf8), insets, insets);
  }
  return true;
}
