// Controls that hold controls: the plain container (children stacked over its whole inner
// area), vertical and horizontal layouts (fixed sizes first, the rest shared out), and the
// tab layout that shows one child at a time.
#pragma once

#include "toolkit/control.h"

namespace SkinUI {

class Container : public Control {
 public:
  std::wstring ClassName() const override { return L"Container"; }
  bool SetAttribute(std::string_view name, std::string_view value) override;
  const std::vector<std::unique_ptr<Control>>& Children() const override { return children_; }
  Control* Add(std::unique_ptr<Control> child);
  const Rect& Inset() const { return inset_; }
  int ChildPadding() const { return childPadding_; }
  void SetPos(const Rect& pos) override;

 protected:
  // The area inside the inset.
  Rect Inner() const;
  // Places the floating children at their positions relative to the container.
  void PlaceFloating();
  // Lays the children out one after another down (vertical) or across: fixed sizes first,
  // what they leave shared equally among the others, then the floating children.
  void Stack(bool vertical);

 private:
  std::vector<std::unique_ptr<Control>> children_;
  Rect inset_;
  int childPadding_ = 0;
};

class VerticalLayout : public Container {
 public:
  std::wstring ClassName() const override { return L"VerticalLayout"; }
  void SetPos(const Rect& pos) override;
};

class HorizontalLayout : public Container {
 public:
  std::wstring ClassName() const override { return L"HorizontalLayout"; }
  void SetPos(const Rect& pos) override;
};

class TabLayout : public Container {
 public:
  std::wstring ClassName() const override { return L"TabLayout"; }
  bool SetAttribute(std::string_view name, std::string_view value) override;
  void SetPos(const Rect& pos) override;
  int CurrentSel() const { return selected_; }
  // Shows the item (an index among the children) and sends "tabselect" (wParam the new
  // index, lParam the old one); false for an index out of range.
  bool SelectItem(int index);

 private:
  void ShowSelected();
  int selected_ = 0;
  bool itemsShown_ = false;
};

}  // namespace SkinUI
