// The base of every control of a skinned window: name, text, size rules, colours, image
// descriptions, visibility and enabled state, its place in the tree and its computed
// rectangle. Attributes a control does not understand are ignored.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/skin_values.h"

namespace SkinUI {

class WindowManager;

// Text alignment bits.
enum TextAlign : unsigned {
  kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2,
  kAlignTop = 0, kAlignVCenter = 4, kAlignBottom = 8,
  kAlignSingleLine = 16,
};

class Control {
 public:
  Control() = default;
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // The tag this control answers to ("Button", "SequenceLabel", ...).
  virtual std::wstring ClassName() const { return L"Control"; }
  // Reads one skin attribute (UTF-8 name and value); false when the control does not know it.
  virtual bool SetAttribute(std::string_view name, std::string_view value);

  const std::wstring& Name() const { return name_; }
  void SetName(std::wstring name) { name_ = std::move(name); }
  const std::wstring& UserData() const { return userData_; }

  // The text as written; DisplayText resolves a multi-language reference "%[id]".
  const std::wstring& Text() const { return text_; }
  virtual void SetText(std::wstring text);
  std::wstring DisplayText() const;

  // 0: the layout decides.
  int FixedWidth() const { return fixedWidth_; }
  int FixedHeight() const { return fixedHeight_; }
  void SetFixedWidth(int width);
  void SetFixedHeight(int height);
  const Rect& Padding() const { return padding_; }
  bool IsFloat() const { return float_; }
  const Rect& FloatPos() const { return floatPos_; }

  bool IsVisible() const { return visible_; }
  void SetVisible(bool visible);
  bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  // Visible itself and every container above it visible.
  bool IsShown() const;

  std::uint32_t BkColor() const { return bkColor_; }
  void SetBkColor(std::uint32_t colour);
  const std::string& BkImage() const { return bkImage_; }
  void SetBkImage(std::string description);
  std::uint32_t TextColor() const { return textColor_; }
  void SetTextColor(std::uint32_t colour);
  int Font() const { return font_; }
  unsigned Align() const { return align_; }
  const Rect& TextPadding() const { return textPadding_; }

  // The rectangle the last layout gave, in window coordinates.
  const Rect& Pos() const { return pos_; }
  virtual void SetPos(const Rect& pos);

  Control* Parent() const { return parent_; }
  WindowManager* Manager() const { return manager_; }
  // Children of containers; empty for plain controls.
  virtual const std::vector<std::unique_ptr<Control>>& Children() const;

  // Pointer input from the host, in window coordinates; the control under the pointer.
  bool IsHot() const { return hot_; }
  bool IsPushed() const { return pushed_; }
  void SetHot(bool hot);
  void SetPushed(bool pushed);
  // What a click on the control does (a button sends "click"); false when it ignores clicks.
  virtual bool Activate();
  // Whether the host gives the control keyboard text (edits).
  virtual bool AcceptsText() const { return false; }

  // Called by the tree when the control joins a window.
  virtual void Attach(WindowManager* manager, Control* parent);
  // Called once the control's window exists: after the skin has loaded and before the
  // window's own initialisation, or as the control joins a window that exists. What needs
  // the window (a timer) starts here.
  virtual void Init() {}
  // A timer of the control fell due; the window hears of it next as a "timer" notification.
  virtual void OnTimer(unsigned /*id*/) {}
  // Where the text is drawn: the control's rectangle inside its text padding.
  virtual Rect TextArea() const;

 protected:
  void Invalidate();
  void NeedLayout();

 private:
  std::wstring name_;
  std::wstring userData_;
  std::wstring text_;
  int fixedWidth_ = 0;
  int fixedHeight_ = 0;
  Rect padding_;
  bool float_ = false;
  Rect floatPos_;
  bool visible_ = true;
  bool enabled_ = true;
  std::uint32_t bkColor_ = 0;
  std::string bkImage_;
  std::uint32_t textColor_ = 0xFF000000;
  int font_ = -1;  // the window's default
  unsigned align_ = kAlignLeft | kAlignVCenter | kAlignSingleLine;
  bool multiLine_ = false;
  Rect textPadding_;
  Rect pos_;
  bool hot_ = false;
  bool pushed_ = false;
  Control* parent_ = nullptr;
  WindowManager* manager_ = nullptr;
};

// The alignment bits of an align attribute ("center", "right", "vcenter", "bottom", words
// separated by blanks or commas).
unsigned ParseAlign(std::string_view text);

}  // namespace SkinUI
