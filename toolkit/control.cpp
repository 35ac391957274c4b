// The base control: common attributes and state changes, which ask the window for a new
// layout or paint when they change what is shown.
#include "toolkit/control.h"

#include <algorithm>

#include "toolkit/window_manager.h"
#include "utils/text.h"

namespace SkinUI {
namespace {

std::wstring Wide(std::string_view text) { return Utils::ToWide(std::string(text), Utils::kCodePageUtf8); }

}  // namespace

unsigned ParseAlign(std::string_view text) {
  unsigned horizontal = kAlignLeft, vertical = kAlignVCenter;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = std::min(text.find_first_of(" ,", pos), text.size());
    const std::string_view word = text.substr(pos, end - pos);
    if (word == "left") horizontal = kAlignLeft;
    else if (word == "center") horizontal = kAlignCenter;
    else if (word == "right") horizontal = kAlignRight;
    else if (word == "top") vertical = kAlignTop;
    else if (word == "vcenter") vertical = kAlignVCenter;
    else if (word == "bottom") vertical = kAlignBottom;
    pos = end + 1;
  }
  return horizontal | vertical | kAlignSingleLine;
}

bool Control::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "name") name_ = Wide(value);
  else if (name == "text") text_ = Wide(value);
  else if (name == "width") fixedWidth_ = std::max(0, ParseInt(value));
  else if (name == "height") fixedHeight_ = std::max(0, ParseInt(value));
  else if (name == "padding") padding_ = ParseRect(value);
  else if (name == "float") float_ = ParseBool(value);
  else if (name == "pos") {
    floatPos_ = ParseRect(value);
    if (fixedWidth_ == 0) fixedWidth_ = std::max(0, floatPos_.Width());
    if (fixedHeight_ == 0) fixedHeight_ = std::max(0, floatPos_.Height());
  } else if (name == "visible") visible_ = ParseBool(value);
  else if (name == "enabled") enabled_ = ParseBool(value);
  else if (name == "bkcolor") bkColor_ = ParseColour(value);
  else if (name == "bkimage") bkImage_ = std::string(value);
  else if (name == "textcolor") textColor_ = ParseColour(value);
  else if (name == "font") font_ = ParseInt(value, -1);
  else if (name == "align") align_ = multiLine_ ? (ParseAlign(value) & ~kAlignSingleLine) : ParseAlign(value);
  else if (name == "multiline") {
    multiLine_ = ParseBool(value);
    align_ = multiLine_ ? (align_ & ~kAlignSingleLine) : (align_ | kAlignSingleLine);
  }
  else if (name == "textpadding") textPadding_ = ParseRect(value);
  else if (name == "userdata") userData_ = Wide(value);
  else return false;
  return true;
}

void Control::SetText(std::wstring text) {
  if (text == text_) return;
  text_ = std::move(text);
  Invalidate();
}

std::wstring Control::DisplayText() const {
  return manager_ != nullptr ? manager_->ResolveText(text_) : text_;
}

void Control::SetFixedWidth(int width) {
  fixedWidth_ = std::max(0, width);
  NeedLayout();
}

void Control::SetFixedHeight(int height) {
  fixedHeight_ = std::max(0, height);
  NeedLayout();
}

void Control::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  NeedLayout();
}

void Control::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (!enabled_) hot_ = pushed_ = false;
  Invalidate();
}

bool Control::IsShown() const {
  for (const Control* c = this; c != nullptr; c = c->parent_) {
    if (!c->visible_) return false;
  }
  return true;
}

void Control::SetBkColor(std::uint32_t colour) {
  bkColor_ = colour;
  Invalidate();
}

void Control::SetBkImage(std::string description) {
  if (description == bkImage_) return;
  bkImage_ = std::move(description);
  Invalidate();
}

void Control::SetTextColor(std::uint32_t colour) {
  textColor_ = colour;
  Invalidate();
}

void Control::SetPos(const Rect& pos) { pos_ = pos; }

Rect Control::TextArea() const {
  // In 64 bits and clamped, as a skin's paddings may be absurd.
  return {Rect::Clamped(std::int64_t{pos_.left} + textPadding_.left),
          Rect::Clamped(std::int64_t{pos_.top} + textPadding_.top),
          Rect::Clamped(std::int64_t{pos_.right} - textPadding_.right),
          Rect::Clamped(std::int64_t{pos_.bottom} - textPadding_.bottom)};
}

const std::vector<std::unique_ptr<Control>>& Control::Children() const {
  static const std::vector<std::unique_ptr<Control>> none;
  return none;
}

void Control::SetHot(bool hot) {
  if (hot == hot_) return;
  hot_ = hot;
  Invalidate();
}

void Control::SetPushed(bool pushed) {
  if (pushed == pushed_) return;
  pushed_ = pushed;
  Invalidate();
}

bool Control::Activate() { return false; }

void Control::Attach(WindowManager* manager, Control* parent) {
  manager_ = manager;
  parent_ = parent;
  for (const auto& child : Children()) child->Attach(manager, this);
}

void Control::Invalidate() {
  if (manager_ != nullptr) manager_->Invalidate();
}

void Control::NeedLayout() {
  if (manager_ != nullptr) manager_->NeedLayout();
}

}  // namespace SkinUI
