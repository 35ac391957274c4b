// Layout of the containers. Sizes are summed in 64 bits and clamped, so absurd skin sizes
// give odd rectangles rather than overflow.
#include "toolkit/containers.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "toolkit/window_manager.h"

namespace SkinUI {
namespace {

// Half the int range: the painters add offsets to these coordinates in int.
int Clamp(std::int64_t value) { return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN / 2, INT_MAX / 2)); }

bool TakesPart(const Control& c) { return c.IsVisible() && !c.IsFloat(); }

// Along one axis: the extent each child gets, fixed ones first, the rest shared equally
// among the flexible ones.
std::vector<int> ShareOut(const std::vector<std::unique_ptr<Control>>& children, int available, int gap,
                          bool vertical) {
  std::int64_t fixedTotal = 0;
  int flexible = 0, parts = 0;
  for (const auto& c : children) {
    if (!TakesPart(*c)) continue;
    const Rect& p = c->Padding();
    const int fixed = vertical ? c->FixedHeight() : c->FixedWidth();
    fixedTotal += (vertical ? std::int64_t{p.top} + p.bottom : std::int64_t{p.left} + p.right) + fixed;
    if (fixed == 0) ++flexible;
    ++parts;
  }
  if (parts > 1) fixedTotal += static_cast<std::int64_t>(gap) * (parts - 1);
  const std::int64_t rest = std::max<std::int64_t>(0, available - fixedTotal);
  std::vector<int> extents;
  int flexibleSeen = 0;
  for (const auto& c : children) {
    const int fixed = vertical ? c->FixedHeight() : c->FixedWidth();
    if (!TakesPart(*c) || fixed != 0) {
      extents.push_back(fixed);
      continue;
    }
    // The last flexible child takes what rounding left over.
    ++flexibleSeen;
    const std::int64_t share = rest / flexible;
    extents.push_back(Clamp(flexibleSeen == flexible ? rest - share * (flexible - 1) : share));
  }
  return extents;
}

}  // namespace

bool Container::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "inset") inset_ = ParseRect(value);
  else if (name == "childpadding") childPadding_ = ParseInt(value);
  else return Control::SetAttribute(name, value);
  return true;
}

Control* Container::Add(std::unique_ptr<Control> child) {
  Control* added = child.get();
  children_.push_back(std::move(child));
  if (Manager() != nullptr) {
    added->Attach(Manager(), this);
    if (Manager()->Host() != nullptr) Manager()->InitControls(added);  // the window exists already
  }
  NeedLayout();
  return added;
}

Rect Container::Inner() const {
  const Rect& p = Pos();
  return {Clamp(std::int64_t{p.left} + inset_.left), Clamp(std::int64_t{p.top} + inset_.top),
          Clamp(std::int64_t{p.right} - inset_.right), Clamp(std::int64_t{p.bottom} - inset_.bottom)};
}

void Container::PlaceFloating() {
  for (const auto& c : children_) {
    if (!c->IsFloat()) continue;
    const Rect& f = c->FloatPos();
    const std::int64_t left = std::int64_t{Pos().left} + f.left, top = std::int64_t{Pos().top} + f.top;
    c->SetPos({Clamp(left), Clamp(top), Clamp(left + c->FixedWidth()), Clamp(top + c->FixedHeight())});
  }
}

void Container::SetPos(const Rect& pos) {
  Control::SetPos(pos);
  const Rect inner = Inner();
  for (const auto& c : children_) {
    if (!TakesPart(*c)) continue;
    const Rect& p = c->Padding();
    const std::int64_t left = std::int64_t{inner.left} + p.left, top = std::int64_t{inner.top} + p.top;
    const std::int64_t right = c->FixedWidth() ? left + c->FixedWidth() : std::int64_t{inner.right} - p.right;
    const std::int64_t bottom = c->FixedHeight() ? top + c->FixedHeight() : std::int64_t{inner.bottom} - p.bottom;
    c->SetPos({Clamp(left), Clamp(top), Clamp(right), Clamp(bottom)});
  }
  PlaceFloating();
}

void Container::Stack(bool vertical) {
  const Rect inner = Inner();
  const std::vector<int> extents =
      ShareOut(Children(), vertical ? inner.Height() : inner.Width(), ChildPadding(), vertical);
  std::int64_t along = vertical ? inner.top : inner.left;
  for (std::size_t i = 0; i < Children().size(); ++i) {
    Control& c = *Children()[i];
    if (!TakesPart(c)) continue;
    const Rect& p = c.Padding();
    // Across the axis: the fixed size, or the whole inner extent less the padding.
    const std::int64_t acrossStart = vertical ? std::int64_t{inner.left} + p.left : std::int64_t{inner.top} + p.top;
    const int acrossFixed = vertical ? c.FixedWidth() : c.FixedHeight();
    const std::int64_t acrossEnd = acrossFixed != 0 ? acrossStart + acrossFixed
                                   : vertical       ? std::int64_t{inner.right} - p.right
                                                    : std::int64_t{inner.bottom} - p.bottom;
    along += vertical ? p.top : p.left;
    const std::int64_t alongEnd = along + extents[i];
    c.SetPos(vertical ? Rect{Clamp(acrossStart), Clamp(along), Clamp(acrossEnd), Clamp(alongEnd)}
                      : Rect{Clamp(along), Clamp(acrossStart), Clamp(alongEnd), Clamp(acrossEnd)});
    along = alongEnd + (vertical ? p.bottom : p.right) + ChildPadding();
  }
  PlaceFloating();
}

void VerticalLayout::SetPos(const Rect& pos) {
  Control::SetPos(pos);
  Stack(true);
}

void HorizontalLayout::SetPos(const Rect& pos) {
  Control::SetPos(pos);
  Stack(false);
}

bool TabLayout::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "selectedid") selected_ = ParseInt(value);
  else return Container::SetAttribute(name, value);
  return true;
}

void TabLayout::SetPos(const Rect& pos) {
  // The first layout shows the item the skin selected; later ones leave the items'
  // visibility to SelectItem and to the window's own code, which may hide a selected item.
  if (!itemsShown_) ShowSelected();
  Container::SetPos(pos);
}

void TabLayout::ShowSelected() {
  itemsShown_ = true;
  for (std::size_t i = 0; i < Children().size(); ++i) Children()[i]->SetVisible(static_cast<int>(i) == selected_);
}

bool TabLayout::SelectItem(int index) {
  if (index < 0 || index >= static_cast<int>(Children().size())) return false;
  const int previous = selected_;
  selected_ = index;
  // Shown at once, not only by the next layout: the page's controls take clicks from now.
  ShowSelected();
  NeedLayout();
  if (Manager() != nullptr) {
    Manager()->SendNotify(this, L"tabselect", static_cast<std::uintptr_t>(index), previous);
  }
  return true;
}

}  // namespace SkinUI

