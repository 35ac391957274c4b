// The window core: tree walks, layout, notification delivery and timers.
#include "toolkit/window_manager.h"

#include <algorithm>
#include <functional>

#include "toolkit/controls.h"
#include "toolkit/language_table.h"
#include "toolkit/window_host.h"

namespace SkinUI {
namespace {

void Walk(Control* control, const std::function<void(Control*)>& visit) {
  if (control == nullptr) return;
  visit(control);
  for (const auto& child : control->Children()) Walk(child.get(), visit);
}

bool Contains(const Rect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

Control* Deepest(Control* control, int x, int y) {
  if (!control->IsVisible() || !Contains(control->Pos(), x, y)) return nullptr;
  // Later children are drawn over earlier ones.
  const auto& children = control->Children();
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    if (Control* hit = Deepest(it->get(), x, y)) return hit;
  }
  return control;
}

}  // namespace

WindowManager::WindowManager() = default;
// The tree goes before the timer list: its controls may stop their timers as they go.
WindowManager::~WindowManager() { root_.reset(); }

void WindowManager::SetRoot(std::unique_ptr<Control> root) {
  root_ = std::move(root);
  if (root_) root_->Attach(this, nullptr);
  NeedLayout();
}

Control* WindowManager::FindControl(std::wstring_view name) const {
  Control* found = nullptr;
  Walk(root_.get(), [&](Control* c) {
    if (found == nullptr && !name.empty() && c->Name() == name) found = c;
  });
  return found;
}

std::vector<Control*> WindowManager::AllControls() const {
  std::vector<Control*> all;
  Walk(root_.get(), [&](Control* c) { all.push_back(c); });
  return all;
}

bool WindowManager::IsLive(const Control* control) const {
  const std::vector<Control*> all = AllControls();
  return std::find(all.begin(), all.end(), control) != all.end();
}

void WindowManager::AddFont(const FontInfo& font, bool isDefault) {
  fonts_[font.id] = font;
  if (isDefault) defaultFont_ = font;
}

const FontInfo& WindowManager::GetFont(int id) const {
  const auto found = fonts_.find(id);
  return found == fonts_.end() ? defaultFont_ : found->second;
}

void WindowManager::Invalidate() {
  if (host_ != nullptr) host_->Invalidate();
}

void WindowManager::Layout() {
  if (root_) root_->SetPos({0, 0, attributes_.size.cx, attributes_.size.cy});
  // Tab layouts show and hide their items while laying out; that needs no second pass.
  needLayout_ = false;
}

void WindowManager::LayoutIfNeeded() {
  if (needLayout_) Layout();
}

Control* WindowManager::ControlAt(int x, int y) {
  LayoutIfNeeded();
  return root_ ? Deepest(root_.get(), x, y) : nullptr;
}

bool WindowManager::InCaption(int x, int y) {
  const Rect& c = attributes_.caption;
  // A caption "0,0,0,35" spans the whole width: right is counted from the right edge.
  const Rect area{c.left, c.top, attributes_.size.cx - c.right, c.bottom};
  if (!Contains(area, x, y)) return false;
  Control* hit = ControlAt(x, y);
  return hit == nullptr || dynamic_cast<Button*>(hit) == nullptr || !hit->IsEnabled();
}

std::wstring WindowManager::ResolveText(const std::wstring& text) const { return ResolveLanguageText(text); }

int WindowManager::MeasureTextWidth(const std::wstring& text, int fontId) const {
  return host_ != nullptr ? host_->MeasureTextWidth(ResolveText(text), GetFont(fontId)) : 0;
}

void WindowManager::AddNotifier(NotifyReceiver* receiver) {
  if (std::find(receivers_.begin(), receivers_.end(), receiver) == receivers_.end()) receivers_.push_back(receiver);
}

void WindowManager::RemoveNotifier(NotifyReceiver* receiver) {
  receivers_.erase(std::remove(receivers_.begin(), receivers_.end(), receiver), receivers_.end());
}

void WindowManager::SendNotify(Control* sender, const std::wstring& type, std::uintptr_t wParam, std::intptr_t lParam) {
  const Notify notify{type, sender, wParam, lParam};
  // A receiver may remove itself while handling: walk a copy.
  const std::vector<NotifyReceiver*> receivers = receivers_;
  for (NotifyReceiver* r : receivers) r->OnNotify(notify);
}

void WindowManager::PostNotify(Control* sender, const std::wstring& type, std::uintptr_t wParam,
                               std::intptr_t lParam) {
  {
    std::lock_guard<std::mutex> hold(postedLock_);
    posted_.push_back(Notify{type, sender, wParam, lParam});
  }
  if (host_ != nullptr) host_->WakeForPosted();
}

std::size_t WindowManager::DispatchPosted() {
  std::vector<Notify> batch;
  {
    std::lock_guard<std::mutex> hold(postedLock_);
    batch.swap(posted_);
  }
  if (batch.empty()) return 0;
  // Controls leave a tree only with their window, so one walk serves the whole batch.
  const std::vector<Control*> live = AllControls();
  std::size_t delivered = 0;
  for (const Notify& n : batch) {
    if (n.sender != nullptr && std::find(live.begin(), live.end(), n.sender) == live.end()) continue;  // not ours: dropped
    SendNotify(n.sender, n.type, n.wParam, n.lParam);
    ++delivered;
  }
  return delivered;
}

bool WindowManager::SetTimer(Control* control, unsigned id, unsigned milliseconds) {
  if (control == nullptr || host_ == nullptr || !host_->StartTimer(control, id, milliseconds)) return false;
  if (!HasTimer(control, id)) timers_.emplace_back(control, id);
  return true;
}

bool WindowManager::KillTimer(Control* control, unsigned id) {
  const auto found = std::find(timers_.begin(), timers_.end(), std::make_pair(static_cast<const Control*>(control), id));
  if (found == timers_.end()) return false;
  timers_.erase(found);
  if (host_ != nullptr) host_->StopTimer(control, id);
  return true;
}

bool WindowManager::HasTimer(const Control* control, unsigned id) const {
  return std::find(timers_.begin(), timers_.end(), std::make_pair(control, id)) != timers_.end();
}

void WindowManager::OnTimer(Control* control, unsigned id) {
  if (!HasTimer(control, id) || !IsLive(control)) return;
  control->OnTimer(id);
  SendNotify(control, L"timer", id);
}

void WindowManager::InitControls(Control* subtree) {
  Walk(subtree != nullptr ? subtree : root_.get(), [](Control* c) { c->Init(); });
}

}  // namespace SkinUI
