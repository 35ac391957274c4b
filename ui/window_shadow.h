// The soft drop shadow of a borderless window: a separate per-pixel-alpha window that follows
// its parent, drawn from the parent's window region (or from a stretched image). The values
// and their ranges are portable; the shadow window itself exists only on Windows.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/skin_values.h"
#include "ui/shadow_bitmap.h"

namespace SkinUI {
class SkinWindow;
}

class CWindowShadow {
 public:
  // Status flags.
  static constexpr std::uint8_t kEnabled = 1;
  static constexpr std::uint8_t kShadowVisible = 2;
  static constexpr std::uint8_t kParentVisible = 4;

  CWindowShadow();
  virtual ~CWindowShadow();
  CWindowShadow(const CWindowShadow&) = delete;
  CWindowShadow& operator=(const CWindowShadow&) = delete;

  // Registers the shadow window class once, when the system offers per-pixel-alpha layered
  // windows; false without them (then no shadow is ever made). instance: the module handle.
  static bool Initialize(void* instance);
  // Makes the shadow window of parent and follows the parent's messages from then on.
  // Nothing without Initialize's support or without a real window behind parent.
  void Create(SkinUI::SkinWindow& parent);

  // Each refuses a value outside its range (the field keeps its value) and redraws a visible
  // shadow with an accepted one.
  bool SetSize(int size);            // -20 to 20
  bool SetSharpness(int sharpness);  // 0 to 20
  bool SetDarkness(int darkness);    // 0 to 255
  bool SetPosition(int x, int y);    // each -20 to 20
  bool SetColor(std::uint32_t colour);
  // The image form: the skin image stretched with its corners kept, reaching margins beyond
  // the parent. An empty file name returns to the computed form.
  bool SetImage(const std::wstring& file, const SkinUI::Rect& margins, const SkinUI::Rect& corners);

  // Reads the skin root's shadow attributes when its showshadow is "true" in any letter
  // case; returns whether it is. Malformed values are ignored, out-of-range ones refused.
  bool ApplySkinAttributes(const std::map<std::string, std::string>& attributes);

  const ui::ShadowParams& Params() const { return params_; }
  std::uint8_t Status() const { return status_; }
  const std::wstring& ImageFile() const { return imageFile_; }
  const SkinUI::Rect& ImageMargins() const { return imageMargins_; }
  const SkinUI::Rect& ImageCorners() const { return imageCorners_; }

 private:
  struct Native;
  friend struct Native;

  // Recomputes and pushes the shadow when it is visible.
  void RefreshIfVisible();
  void Update();

  std::unique_ptr<Native> native_;
  std::uint8_t status_ = 0;
  ui::ShadowParams params_;
  bool updatePending_ = false;
  std::wstring imageFile_;
  SkinUI::Rect imageMargins_;
  SkinUI::Rect imageCorners_;
};

namespace ui {

// The integers of a text made of count integers separated by single characters of any kind
// ("6,2,6,2"); nothing when the text is not of that form.
std::optional<std::vector<int>> ParseSeparatedIntegers(const std::string& text, std::size_t count);

}  // namespace ui
