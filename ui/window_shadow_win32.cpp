// The drop shadow on Windows: a layered window owned by the parent, pushed with per-pixel
// alpha by UpdateLayeredWindow, kept in place by a procedure put in front of the parent's.
#include <windows.h>

#include <map>
#include <vector>

#include "toolkit/gdiplus_win32.h"
#include "toolkit/image_drawing_win32.h"
#include "toolkit/native_host_win32.h"
#include "toolkit/skin_window.h"
#include "toolkit/win32_handles_win32.h"
#include "ui/window_shadow.h"

namespace {

constexpr const wchar_t* kShadowClass = L"SkinShadowWnd";

using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);

// Looked up at run time: systems without per-pixel-alpha layered windows get no shadow.
UpdateLayeredWindowFn g_updateLayeredWindow = nullptr;
HINSTANCE g_instance = nullptr;

// Parent window to its shadow, for the procedure put in front of the parents'. UI thread only.
std::map<HWND, CWindowShadow*>& Registry() {
  static std::map<HWND, CWindowShadow*> registry;
  return registry;
}

LRESULT CALLBACK ShadowWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;  // a click never activates the shadow
  return DefWindowProcW(window, message, wParam, lParam);
}

// The first and last pixel of every row of the window's region; all rows empty without one.
ui::ShadowRows RegionRows(HWND window, int height) {
  ui::ShadowRows rows(static_cast<std::size_t>(height > 0 ? height : 0));
  const SkinUI::UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
  if (!region || GetWindowRgn(window, region.get()) == ERROR) return rows;
  const DWORD bytes = GetRegionData(region.get(), 0, nullptr);
  if (bytes == 0) return rows;
  std::vector<unsigned char> storage(bytes);
  auto* data = reinterpret_cast<RGNDATA*>(storage.data());
  if (GetRegionData(region.get(), bytes, data) == 0) return rows;
  const auto* rects = reinterpret_cast<const RECT*>(data->Buffer);
  for (DWORD i = 0; i < data->rdh.nCount; ++i) {
    const RECT& r = rects[i];
    for (LONG y = std::max<LONG>(r.top, 0); y < r.bottom && y < height; ++y) {
      std::optional<ui::ShadowSpan>& span = rows[static_cast<std::size_t>(y)];
      const int start = r.left;
      const int end = r.right - 1;
      if (!span) span = ui::ShadowSpan{start, end};
      else span = ui::ShadowSpan{std::min(span->start, start), std::max(span->end, end)};
    }
  }
  return rows;
}

// A 32-bit bottom-up section of width by height, cleared, and its pixel memory.
struct Section {
  SkinUI::UniqueBitmap bitmap;
  std::uint32_t* bits = nullptr;
};

Section MakeSection(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // positive: bottom-up
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Section section;
  section.bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (section.bitmap) section.bits = static_cast<std::uint32_t*>(bits);  // sections start cleared
  return section;
}

// Moves the shadow window to place with the section's size and pushes its pixels.
void Push(HWND shadow, const Section& section, POINT place, SIZE size) {
  const SkinUI::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return;
  const HGDIOBJ previous = SelectObject(dc.get(), section.bitmap.get());
  MoveWindow(shadow, place.x, place.y, size.cx, size.cy, FALSE);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  POINT origin{0, 0};
  g_updateLayeredWindow(shadow, nullptr, &place, &size, dc.get(), &origin, 0, &blend, ULW_ALPHA);
  SelectObject(dc.get(), previous);
}

}  // namespace

struct CWindowShadow::Native {
  HWND parent = nullptr;
  HWND shadow = nullptr;
  WNDPROC previous = nullptr;
  SkinUI::SkinWindow* skin = nullptr;
  SIZE lastSize{0, 0};
  std::wstring decodedFile;
  std::unique_ptr<Gdiplus::Bitmap> image;

  static LRESULT CALLBACK Intercept(HWND parent, UINT message, WPARAM wParam, LPARAM lParam);
  void OnParentMessage(CWindowShadow& owner, UINT message, WPARAM wParam);
  void OnSize(CWindowShadow& owner, WPARAM kind, SIZE size);
  void OnShowWindow(CWindowShadow& owner, bool shown);
  // Where the shadow window goes for the parent at window (its screen rectangle).
  static POINT Place(const CWindowShadow& owner, const RECT& window);
  Gdiplus::Bitmap* Image(const std::wstring& file);
};

CWindowShadow::CWindowShadow() : native_(std::make_unique<Native>()) {}

CWindowShadow::~CWindowShadow() {
  Native& n = *native_;
  if (n.shadow != nullptr && IsWindow(n.shadow)) PostMessageW(n.shadow, WM_CLOSE, 0, 0);
  // A parent that outlives its shadow gets its own procedure back, so that no message of it
  // reaches this object once it has gone.
  const auto found = Registry().find(n.parent);
  if (found != Registry().end() && found->second == this) {
    if (GetWindowLongPtrW(n.parent, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Native::Intercept)) {
      SetWindowLongPtrW(n.parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(n.previous));
    }
    Registry().erase(found);
  }
}

bool CWindowShadow::Initialize(void* instance) {
  if (g_updateLayeredWindow != nullptr) return true;
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const auto update = reinterpret_cast<UpdateLayeredWindowFn>(
      reinterpret_cast<void*>(user32 != nullptr ? GetProcAddress(user32, "UpdateLayeredWindow") : nullptr));
  if (update == nullptr) return false;
  g_instance = static_cast<HINSTANCE>(instance);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = &ShadowWindowProc;
  windowClass.hInstance = g_instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kShadowClass;
  if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  g_updateLayeredWindow = update;
  return true;
}

void CWindowShadow::Create(SkinUI::SkinWindow& parent) {
  if (g_updateLayeredWindow == nullptr) return;
  const auto* host = dynamic_cast<const SkinUI::NativeHost*>(parent.Host());
  const HWND handle = host != nullptr ? host->Handle() : nullptr;
  if (handle == nullptr || native_->shadow != nullptr) return;
  Native& n = *native_;
  n.parent = handle;
  n.skin = &parent;
  Registry()[handle] = this;
  n.shadow = CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, kShadowClass, nullptr, WS_POPUPWINDOW, 0, 0, 0, 0,
                             handle, nullptr, g_instance, nullptr);
  if (!IsWindowVisible(handle)) {
    status_ = kEnabled;
  } else if (IsIconic(handle) || IsZoomed(handle)) {
    status_ = kEnabled | kParentVisible;
  } else {
    status_ = kEnabled | kShadowVisible | kParentVisible;
    ShowWindow(n.shadow, SW_SHOWNOACTIVATE);
    Update();
  }
  n.previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Native::Intercept)));
}

void CWindowShadow::RefreshIfVisible() {
  if ((status_ & kShadowVisible) != 0) Update();
}

void CWindowShadow::Update() {
  Native& n = *native_;
  if (n.shadow == nullptr || g_updateLayeredWindow == nullptr) return;
  RECT window{};
  if (!GetWindowRect(n.parent, &window)) return;
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  const POINT place = Native::Place(*this, window);
  if (!imageFile_.empty()) {
    const int w = width + imageMargins_.left + imageMargins_.right;
    const int h = height + imageMargins_.top + imageMargins_.bottom;
    Gdiplus::Bitmap* image = n.Image(imageFile_);
    if (w <= 0 || h <= 0 || image == nullptr) return;
    const Section section = MakeSection(w, h);
    if (section.bits == nullptr) return;
    {
      // The section's rows bottom-up: the bitmap starts at its last row and steps back.
      Gdiplus::Bitmap canvas(w, h, -w * 4, PixelFormat32bppPARGB,
                             reinterpret_cast<BYTE*>(section.bits + static_cast<std::size_t>(h - 1) * w));
      Gdiplus::Graphics graphics(&canvas);
      SkinUI::ImageDescription description;
      description.file = imageFile_;
      description.corner = imageCorners_;
      SkinUI::DrawImageDescription(graphics, *image, description, SkinUI::Rect{0, 0, w, h});
    }
    Push(n.shadow, section, place, SIZE{w, h});
    return;
  }
  const ui::ShadowBitmap shadow = ui::ComputeShadow(RegionRows(n.parent, height), width, params_);
  if (shadow.width <= 0 || shadow.height <= 0) {
    // No shadow: the window shrinks to nothing rather than keep an earlier one.
    SetWindowPos(n.shadow, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    return;
  }
  const Section section = MakeSection(shadow.width, shadow.height);
  if (section.bits == nullptr) return;
  for (int y = 0; y < shadow.height; ++y) {
    const std::uint32_t* from = shadow.pixels.data() + static_cast<std::size_t>(y) * shadow.width;
    std::copy(from, from + shadow.width, section.bits + static_cast<std::size_t>(shadow.height - 1 - y) * shadow.width);
  }
  Push(n.shadow, section, place, SIZE{shadow.width, shadow.height});
}

LRESULT CALLBACK CWindowShadow::Native::Intercept(HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto found = Registry().find(parent);
  if (found == Registry().end()) return DefWindowProcW(parent, message, wParam, lParam);
  CWindowShadow& owner = *found->second;
  Native& n = *owner.native_;
  const WNDPROC previous = n.previous;
  if (message == WM_SIZE) {
    n.OnSize(owner, wParam, SIZE{LOWORD(lParam), HIWORD(lParam)});
  } else {
    n.OnParentMessage(owner, message, wParam);
  }
  if (message == WM_NCDESTROY) Registry().erase(parent);
  return CallWindowProcW(previous, parent, message, wParam, lParam);
}

void CWindowShadow::Native::OnParentMessage(CWindowShadow& owner, UINT message, WPARAM wParam) {
  const bool visible = (owner.status_ & kShadowVisible) != 0;
  switch (message) {
    case WM_DESTROY:
      if (shadow != nullptr && IsWindow(shadow)) DestroyWindow(shadow);
      shadow = nullptr;
      break;
    case WM_MOVE:
      if (RECT window{}; visible && GetWindowRect(parent, &window)) {
        const POINT place = Place(owner, window);
        SetWindowPos(shadow, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      break;
    case WM_ACTIVATE:
    case WM_EXITSIZEMOVE:
      if (visible) owner.Update();
      break;
    case WM_PAINT:
      if (owner.updatePending_) {
        owner.Update();
        owner.updatePending_ = false;
      }
      break;
    case WM_SHOWWINDOW:
      OnShowWindow(owner, wParam != FALSE);
      break;
    default:
      break;
  }
}

void CWindowShadow::Native::OnSize(CWindowShadow& owner, WPARAM kind, SIZE size) {
  if ((owner.status_ & kEnabled) == 0) return;
  if (kind == SIZE_MAXIMIZED || kind == SIZE_MINIMIZED) {
    ShowWindow(shadow, SW_HIDE);
    owner.status_ &= static_cast<std::uint8_t>(~kShadowVisible);
  } else if (IsWindowVisible(parent)) {
    // Shrinking shows the new shadow at once; growing waits for the paint of the new area.
    if (size.cx <= lastSize.cx && size.cy <= lastSize.cy) {
      owner.Update();
    } else {
      owner.updatePending_ = true;
    }
    if ((owner.status_ & kShadowVisible) == 0) {
      ShowWindow(shadow, SW_SHOWNOACTIVATE);
      owner.status_ |= kShadowVisible;
    }
  }
  lastSize = size;
}

void CWindowShadow::Native::OnShowWindow(CWindowShadow& owner, bool shown) {
  if ((owner.status_ & kEnabled) == 0) return;
  if (!shown) {
    ShowWindow(shadow, SW_HIDE);
    owner.status_ &= static_cast<std::uint8_t>(~(kShadowVisible | kParentVisible));
  } else if ((owner.status_ & kParentVisible) == 0) {
    owner.updatePending_ = true;
    ShowWindow(shadow, SW_SHOWNOACTIVATE);
    owner.status_ |= kShadowVisible | kParentVisible;
  }
}

POINT CWindowShadow::Native::Place(const CWindowShadow& owner, const RECT& window) {
  if (!owner.imageFile_.empty()) return POINT{window.left - owner.imageMargins_.left, window.top - owner.imageMargins_.top};
  const ui::ShadowParams& p = owner.params_;
  return POINT{window.left + p.xOffset - p.size, window.top + p.yOffset - p.size};
}

Gdiplus::Bitmap* CWindowShadow::Native::Image(const std::wstring& file) {
  if (file != decodedFile) {
    decodedFile = file;
    const std::vector<unsigned char>* bytes = skin != nullptr ? skin->FindSkinFile(file) : nullptr;
    image = bytes != nullptr ? SkinUI::DecodeImage(*bytes) : nullptr;  // a missing image draws nothing
  }
  return image.get();
}
