// The leaf controls of the skins: label and text, button (with state images), option and
// check box, edit, progress bar and combo box.
#pragma once

#include <string>
#include <vector>

#include "toolkit/containers.h"
#include "toolkit/control.h"

namespace SkinUI {

class Label : public Control {
 public:
  std::wstring ClassName() const override { return L"Label"; }
};

// A label that breaks its text over lines.
class TextControl : public Label {
 public:
  std::wstring ClassName() const override { return L"Text"; }
};

class Button : public Label {
 public:
  std::wstring ClassName() const override { return L"Button"; }
  bool SetAttribute(std::string_view name, std::string_view value) override;
  // Sends "click" when enabled.
  bool Activate() override;
  // The image description for the current state (pushed, hot, disabled, normal), or the
  // normal one when the state has none.
  std::string StateImage() const;
  void SetNormalImage(std::string description);
  const std::string& NormalImage() const { return normalImage_; }
  const std::string& HotImage() const { return hotImage_; }
  std::uint32_t HotBkColor() const { return hotBkColor_; }
  std::uint32_t PushedBkColor() const { return pushedBkColor_; }
  std::uint32_t DisabledBkColor() const { return disabledBkColor_; }

 private:
  std::string normalImage_, hotImage_, pushedImage_, disabledImage_, foreImage_;
  std::uint32_t hotBkColor_ = 0, pushedBkColor_ = 0, disabledBkColor_ = 0;
};

// A button with a selected state; options of one group exclude each other.
class Option : public Button {
 public:
  std::wstring ClassName() const override { return L"Option"; }
  bool SetAttribute(std::string_view name, std::string_view value) override;
  bool IsSelected() const { return selected_; }
  // Changes the state; with notify, sends "selectchanged" when the state changed.
  void Selected(bool selected, bool notify = true);
  const std::wstring& Group() const { return group_; }
  const std::string& SelectedImage() const { return selectedImage_; }
  // A click toggles a check box, and selects an option of a group.
  bool Activate() override;

 private:
  bool selected_ = false;
  std::wstring group_;
  std::string selectedImage_;
};

class CheckBox : public Option {
 public:
  std::wstring ClassName() const override { return L"CheckBox"; }
};

// One line of text the user types; the host keeps a native edit in step with Text().
class Edit : public Label {
 public:
  std::wstring ClassName() const override { return L"Edit"; }
  bool SetAttribute(std::string_view name, std::string_view value) override;
  bool AcceptsText() const override { return IsEnabled() && !readOnly_; }
  // Text typed by the user: changes the text and sends "textchanged".
  void TypeText(std::wstring text);
  int MaxChars() const { return maxChars_; }

 private:
  bool readOnly_ = false;
  int maxChars_ = 255;
};

class Progress : public Label {
 public:
  std::wstring ClassName() const override { return L"Progress"; }
  bool SetAttribute(std::string_view name, std::string_view value) override;
  int Value() const { return value_; }
  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  // Clamped to the range.
  void SetValue(int value);
  const std::string& ForeImage() const { return foreImage_; }
  bool IsHorizontal() const { return horizontal_; }

 private:
  int min_ = 0, max_ = 100, value_ = 0;
  bool horizontal_ = true;
  std::string foreImage_;
};

// A drop-down choice among item texts; a new selection sends "itemselect" (wParam the new
// index, lParam the old one).
class Combo : public Container {
 public:
  std::wstring ClassName() const override { return L"Combo"; }
  int CurrentSel() const { return selected_; }
  bool SelectItem(int index, bool notify = true);
  int ItemCount() const { return static_cast<int>(Children().size()); }

 private:
  int selected_ = -1;
};

}  // namespace SkinUI
