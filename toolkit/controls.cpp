// Attributes and behaviour of the leaf controls.
#include "toolkit/controls.h"

#include <algorithm>

#include "toolkit/window_manager.h"
#include "utils/text.h"

namespace SkinUI {

bool Button::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "normalimage") normalImage_ = std::string(value);
  else if (name == "hotimage") hotImage_ = std::string(value);
  else if (name == "pushedimage") pushedImage_ = std::string(value);
  else if (name == "disabledimage") disabledImage_ = std::string(value);
  else if (name == "foreimage") foreImage_ = std::string(value);
  else if (name == "hotbkcolor") hotBkColor_ = ParseColour(value);
  else if (name == "pushedbkcolor") pushedBkColor_ = ParseColour(value);
  else if (name == "disabledbkcolor") disabledBkColor_ = ParseColour(value);
  else return Label::SetAttribute(name, value);
  return true;
}

bool Button::Activate() {
  if (!IsEnabled() || !IsShown()) return false;
  if (Manager() != nullptr) Manager()->SendNotify(this, L"click");
  return true;
}

std::string Button::StateImage() const {
  const std::string* chosen = &normalImage_;
  if (!IsEnabled()) chosen = &disabledImage_;
  else if (IsPushed()) chosen = &pushedImage_;
  else if (IsHot()) chosen = &hotImage_;
  return chosen->empty() ? normalImage_ : *chosen;
}

void Button::SetNormalImage(std::string description) {
  normalImage_ = std::move(description);
  Invalidate();
}

bool Option::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "selected") selected_ = ParseBool(value);
  else if (name == "group") group_ = Utils::ToWide(std::string(value), Utils::kCodePageUtf8);
  else if (name == "selectedimage") selectedImage_ = std::string(value);
  else return Button::SetAttribute(name, value);
  return true;
}

void Option::Selected(bool selected, bool notify) {
  if (selected == selected_) return;
  selected_ = selected;
  // Selecting one option of a group clears the others.
  if (selected_ && !group_.empty() && Manager() != nullptr) {
    for (Control* other : Manager()->AllControls()) {
      auto* option = dynamic_cast<Option*>(other);
      if (option != nullptr && option != this && option->group_ == group_) option->Selected(false, notify);
    }
  }
  Invalidate();
  if (notify && Manager() != nullptr) Manager()->SendNotify(this, L"selectchanged");
}

bool Option::Activate() {
  if (!Button::Activate()) return false;
  if (group_.empty()) Selected(!selected_);
  else Selected(true);
  return true;
}

bool Edit::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "readonly") readOnly_ = ParseBool(value);
  else if (name == "maxchar") maxChars_ = std::max(0, ParseInt(value, 255));
  else return Label::SetAttribute(name, value);
  return true;
}

void Edit::TypeText(std::wstring text) {
  if (!AcceptsText()) return;
  if (static_cast<int>(text.size()) > maxChars_) text.resize(static_cast<std::size_t>(maxChars_));
  if (text == Text()) return;
  SetText(std::move(text));
  if (Manager() != nullptr) Manager()->SendNotify(this, L"textchanged");
}

bool Progress::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "min") min_ = ParseInt(value);
  else if (name == "max") max_ = ParseInt(value, 100);
  else if (name == "value") value_ = ParseInt(value);
  else if (name == "foreimage") foreImage_ = std::string(value);
  else if (name == "hor") horizontal_ = ParseBool(value);
  else return Label::SetAttribute(name, value);
  if (max_ < min_) max_ = min_;
  value_ = std::clamp(value_, min_, max_);
  return true;
}

void Progress::SetValue(int value) {
  value = std::clamp(value, min_, max_);
  if (value == value_) return;
  value_ = value;
  Invalidate();
}

bool Combo::SelectItem(int index, bool notify) {
  if (index < 0 || index >= ItemCount()) return false;
  if (index == selected_) return true;
  const int previous = selected_;
  selected_ = index;
  SetText(Children()[static_cast<std::size_t>(index)]->Text());
  if (notify && Manager() != nullptr) {
    Manager()->SendNotify(this, L"itemselect", static_cast<std::uintptr_t>(index), previous);
  }
  return true;
}

}  // namespace SkinUI
