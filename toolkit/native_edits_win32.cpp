// Native EDIT children over the Edit controls.
#include "toolkit/native_edits_win32.h"

#include <algorithm>
#include <string>

#include "toolkit/controls.h"
#include "toolkit/window_manager.h"

namespace SkinUI {
namespace {

constexpr int kFirstBoxId = 0x5100;

UniqueFont MakeGdiFont(const FontInfo& info) {
  // GDI substitutes a face it lacks by itself; a negative height is the character height.
  return UniqueFont(CreateFontW(-std::max(1, info.size), 0, 0, 0, info.bold ? FW_BOLD : FW_NORMAL, info.italic,
                                info.underline, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, info.name.c_str()));
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

COLORREF ToColorRef(std::uint32_t argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); }

}  // namespace

void NativeEdits::Sync(WindowManager& manager) {
  boxes_.erase(std::remove_if(boxes_.begin(), boxes_.end(), [&](const Box& b) { return !manager.IsLive(b.control); }),
               boxes_.end());
  for (Control* control : manager.AllControls()) {
    auto* edit = dynamic_cast<Edit*>(control);
    if (edit == nullptr) continue;
    Box* box = nullptr;
    for (Box& b : boxes_) {
      if (b.control == edit) box = &b;
    }
    if (box == nullptr) {
      const auto id = static_cast<INT_PTR>(kFirstBoxId + boxes_.size());
      UniqueWindow window(CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_LEFT | ES_AUTOHSCROLL, 0, 0, 0, 0, parent_,
                                          reinterpret_cast<HMENU>(id), GetModuleHandleW(nullptr), nullptr));
      if (!window) continue;  // no box: the control shows its background only
      UniqueFont font = MakeGdiFont(manager.GetFont(edit->Font()));
      SendMessageW(window.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
      SendMessageW(window.get(), EM_LIMITTEXT, static_cast<WPARAM>(std::max(0, edit->MaxChars())), 0);
      boxes_.push_back({edit, std::move(font), std::move(window)});
      box = &boxes_.back();
    }
    Place(*box);
    Fill(*box);
  }
}

void NativeEdits::Place(Box& box) {
  const Edit& edit = *box.control;
  const Rect& pos = edit.Pos();
  const Rect& pad = edit.TextPadding();
  const Rect area{pos.left + pad.left, pos.top + pad.top, pos.right - pad.right, pos.bottom - pad.bottom};
  // One line, centred vertically in the control like a label's text.
  const int line = std::min(area.Height(), edit.Manager()->GetFont(edit.Font()).size * 3 / 2 + 2);
  const int top = area.top + (area.Height() - line) / 2;
  RECT now{};
  GetWindowRect(box.window.get(), &now);
  MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&now), 2);
  if (now.left != area.left || now.top != top || now.right - now.left != area.Width() || now.bottom - now.top != line) {
    SetWindowPos(box.window.get(), nullptr, area.left, top, std::max(0, area.Width()), std::max(0, line),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  const bool shown = edit.IsShown() && !area.Empty();
  const bool visible = (GetWindowLongPtrW(box.window.get(), GWL_STYLE) & WS_VISIBLE) != 0;
  if (shown != visible) ShowWindow(box.window.get(), shown ? SW_SHOWNA : SW_HIDE);
  if ((IsWindowEnabled(box.window.get()) != FALSE) != edit.IsEnabled()) EnableWindow(box.window.get(), edit.IsEnabled());
  SendMessageW(box.window.get(), EM_SETREADONLY, !edit.AcceptsText() && edit.IsEnabled(), 0);
}

void NativeEdits::Fill(Box& box) {
  const std::wstring& text = box.control->Text();
  if (WindowText(box.window.get()) == text) return;
  filling_ = true;
  SetWindowTextW(box.window.get(), text.c_str());
  filling_ = false;
}

bool NativeEdits::OnCommand(WPARAM wParam, LPARAM lParam) {
  Box* box = Find(reinterpret_cast<HWND>(lParam));
  if (box == nullptr) return false;
  if (HIWORD(wParam) == EN_CHANGE && !filling_) {
    const std::wstring typed = WindowText(box->window.get());
    if (typed != box->control->Text()) box->control->TypeText(typed);
  }
  return true;
}

HBRUSH NativeEdits::OnColour(HDC dc, HWND child) {
  const Box* box = Find(child);
  if (box == nullptr) return nullptr;
  SetTextColor(dc, ToColorRef(box->control->TextColor()));
  SetBkColor(dc, RGB(255, 255, 255));
  return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));  // a stock object: never freed
}

NativeEdits::Box* NativeEdits::Find(HWND child) {
  for (Box& box : boxes_) {
    if (box.window.get() == child) return &box;
  }
  return nullptr;
}

}  // namespace SkinUI
