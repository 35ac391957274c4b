// Painting of each kind of control: background colour and image, a button's state colour
// and image, an option's selected image, the progress bar's filled share, and the text.
#include "toolkit/skin_painter_win32.h"

#include <algorithm>
#include <cmath>

#include "toolkit/controls.h"
#include "toolkit/image_drawing_win32.h"
#include "toolkit/skin_window.h"

namespace SkinUI {
namespace {

Gdiplus::RectF ToRectF(const Rect& r) {
  return {static_cast<float>(r.left), static_cast<float>(r.top), static_cast<float>(r.Width()),
          static_cast<float>(r.Height())};
}

// The text layout of a control's alignment bits: one line cut with an ellipsis, or lines
// broken at words. Typographic: without the default format's padding of a sixth of an em
// at each end, so that a text fits the width measured for it.
void PrepareFormat(Gdiplus::StringFormat& format, unsigned align) {
  const auto horizontal = (align & kAlignCenter) ? Gdiplus::StringAlignmentCenter
                          : (align & kAlignRight) ? Gdiplus::StringAlignmentFar
                                                  : Gdiplus::StringAlignmentNear;
  const auto vertical = (align & kAlignVCenter) ? Gdiplus::StringAlignmentCenter
                        : (align & kAlignBottom) ? Gdiplus::StringAlignmentFar
                                                 : Gdiplus::StringAlignmentNear;
  format.SetAlignment(horizontal);
  format.SetLineAlignment(vertical);
  const INT typographic = format.GetFormatFlags();
  if (align & kAlignSingleLine) {
    format.SetFormatFlags(typographic | Gdiplus::StringFormatFlagsNoWrap);
    format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
  } else {
    format.SetFormatFlags(typographic | Gdiplus::StringFormatFlagsLineLimit);
    format.SetTrimming(Gdiplus::StringTrimmingEllipsisWord);
  }
}

std::wstring FontKey(const FontInfo& font) {
  return font.name + L"|" + std::to_wstring(font.size) + L"|" + std::to_wstring(font.bold) +
         std::to_wstring(font.italic) + std::to_wstring(font.underline);
}

}  // namespace

void SkinPainter::Paint(Gdiplus::Graphics& graphics) {
  WindowManager& manager = window_.Manager();
  manager.LayoutIfNeeded();
  const Size size = manager.Attributes().size;
  if (Control* root = manager.Root()) PaintControl(graphics, *root, {0, 0, size.cx, size.cy});
  graphics.ResetClip();
}

void SkinPainter::PaintControl(Gdiplus::Graphics& graphics, Control& control, const Rect& parentClip) {
  if (!control.IsVisible()) return;
  const Rect clip = Intersect(parentClip, control.Pos());
  if (clip.Empty()) return;
  graphics.SetClip(Gdiplus::Rect(clip.left, clip.top, clip.Width(), clip.Height()));
  FillColour(graphics, control.BkColor(), control.Pos());
  DrawImage(graphics, control.BkImage(), control.Pos());
  PaintStateImages(graphics, control);
  PaintProgress(graphics, control);
  PaintText(graphics, control);
  for (const auto& child : control.Children()) PaintControl(graphics, *child, clip);
}

void SkinPainter::PaintStateImages(Gdiplus::Graphics& graphics, Control& control) {
  const auto* button = dynamic_cast<const Button*>(&control);
  if (button == nullptr) return;
  const std::uint32_t stateColour = !button->IsEnabled() ? button->DisabledBkColor()
                                    : button->IsPushed()  ? button->PushedBkColor()
                                    : button->IsHot()     ? button->HotBkColor()
                                                          : 0;
  FillColour(graphics, stateColour, control.Pos());
  const auto* option = dynamic_cast<const Option*>(&control);
  if (option != nullptr && option->IsSelected() && !option->SelectedImage().empty()) {
    DrawImage(graphics, option->SelectedImage(), control.Pos());
  } else {
    DrawImage(graphics, button->StateImage(), control.Pos());
  }
}

void SkinPainter::PaintProgress(Gdiplus::Graphics& graphics, Control& control) {
  const auto* progress = dynamic_cast<const Progress*>(&control);
  if (progress == nullptr || progress->MaxValue() <= progress->MinValue()) return;
  const double share = static_cast<double>(progress->Value() - progress->MinValue()) /
                       (progress->MaxValue() - progress->MinValue());
  Rect filled = control.Pos();
  if (progress->IsHorizontal()) {
    filled.right = filled.left + static_cast<int>(std::lround(filled.Width() * share));
  } else {
    filled.top = filled.bottom - static_cast<int>(std::lround(filled.Height() * share));
  }
  // The fore image is laid out over the filled part, its corners kept.
  if (!filled.Empty()) DrawImage(graphics, progress->ForeImage(), filled);
}

void SkinPainter::PaintText(Gdiplus::Graphics& graphics, Control& control) {
  // An edit's text is shown by its native edit box.
  if (dynamic_cast<const Edit*>(&control) != nullptr) return;
  const std::wstring text = control.DisplayText();
  const std::uint32_t colour = control.TextColor();
  if (text.empty() || (colour >> 24) == 0) return;
  const Rect& pos = control.Pos();
  const Rect area = control.TextArea();
  if (area.Empty()) return;
  const Gdiplus::Font* font = FontFor(control.Manager()->GetFont(control.Font())).font.get();
  if (font == nullptr) return;  // the system has no face to draw with
  Gdiplus::StringFormat format(Gdiplus::StringFormat::GenericTypographic());
  PrepareFormat(format, control.Align());
  const Gdiplus::SolidBrush brush{Gdiplus::Color(colour)};
  Gdiplus::RectF layout = ToRectF(area);
  // A single line in an area lower than the font's line is laid out a whole line high about
  // the area's middle and cut to the control, as the system draws text: GDI+ leaves out a
  // line that does not fit (the title bar's 14-pixel labels in a 14-pixel font).
  const float lineHeight = font->GetHeight(&graphics);
  const bool overflows = (control.Align() & kAlignSingleLine) != 0 && layout.Height < lineHeight;
  Gdiplus::GraphicsState state = 0;
  if (overflows) {
    state = graphics.Save();
    graphics.IntersectClip(ToRectF(pos));
    layout.Y -= (lineHeight - layout.Height) / 2;
    layout.Height = lineHeight;
  }
  graphics.DrawString(text.c_str(), static_cast<INT>(text.size()), font, layout, &format, &brush);
  if (overflows) graphics.Restore(state);
}

void SkinPainter::FillColour(Gdiplus::Graphics& graphics, std::uint32_t colour, const Rect& area) {
  if ((colour >> 24) == 0 || area.Empty()) return;
  const Gdiplus::SolidBrush brush{Gdiplus::Color(colour)};
  graphics.FillRectangle(&brush, area.left, area.top, area.Width(), area.Height());
}

void SkinPainter::DrawImage(Gdiplus::Graphics& graphics, const std::string& description, const Rect& area) {
  if (description.empty()) return;
  const std::optional<ImageDescription> parsed = ParseImageDescription(description);
  if (!parsed) return;
  Gdiplus::Bitmap* image = Image(parsed->file);
  if (image != nullptr) DrawImageDescription(graphics, *image, *parsed, area);
}

Gdiplus::Bitmap* SkinPainter::Image(const std::wstring& file) {
  auto found = images_.find(file);
  if (found == images_.end()) {
    const std::vector<unsigned char>* bytes = window_.FindSkinFile(file);
    std::unique_ptr<Gdiplus::Bitmap> decoded = bytes != nullptr ? DecodeImage(*bytes) : nullptr;
    found = images_.emplace(file, std::move(decoded)).first;  // a missing image stays missing
  }
  return found->second.get();
}

const SkinFont& SkinPainter::FontFor(const FontInfo& font) {
  const std::wstring key = FontKey(font);
  auto found = fonts_.find(key);
  if (found == fonts_.end()) found = fonts_.emplace(key, MakeFont(font)).first;
  return found->second;
}

int SkinPainter::MeasureTextWidth(Gdiplus::Graphics& graphics, const std::wstring& text, const FontInfo& font) {
  const Gdiplus::Font* drawn = FontFor(font).font.get();
  if (text.empty() || drawn == nullptr) return 0;
  Gdiplus::StringFormat format(Gdiplus::StringFormat::GenericTypographic());
  PrepareFormat(format, kAlignLeft | kAlignTop | kAlignSingleLine);
  format.SetTrimming(Gdiplus::StringTrimmingNone);
  format.SetFormatFlags(format.GetFormatFlags() | Gdiplus::StringFormatFlagsMeasureTrailingSpaces);
  const Gdiplus::RectF unbounded(0.0f, 0.0f, 100000.0f, 10000.0f);
  Gdiplus::RectF box;
  if (graphics.MeasureString(text.c_str(), static_cast<INT>(text.size()), drawn, unbounded, &format,
                             &box) != Gdiplus::Ok) {
    return 0;
  }
  return static_cast<int>(std::ceil(box.Width));
}

}  // namespace SkinUI
