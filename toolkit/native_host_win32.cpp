// The Win32 host: window class and creation, the window procedure, painting, pointer input
// and timers.
#include "toolkit/native_host_win32.h"

#include <windowsx.h>

#include <algorithm>

#include "toolkit/skin_window.h"
#include "toolkit/window_manager.h"
#include "utils/log.h"

namespace SkinUI {
namespace {

// The window property that leads from a window of ours to its host.
constexpr const wchar_t* kHostProperty = L"SkinUI.NativeHost";
constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;

bool RegisterWindowClass(const std::wstring& name, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(GetModuleHandleW(nullptr), name.c_str(), &existing)) return true;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = name.c_str();
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Centred on the owner when it has one that is not minimised, otherwise in the work area of
// the monitor nearest to it (the primary one without owner), then pushed inside that area.
POINT CentredPlace(Size size, HWND owner) {
  const HMONITOR monitor = owner != nullptr ? MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST)
                                            : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (GetMonitorInfoW(monitor, &info)) work = info.rcWork;
  RECT around = work;
  if (owner != nullptr && !IsIconic(owner)) GetWindowRect(owner, &around);
  const int x = around.left + (around.right - around.left - size.cx) / 2;
  const int y = around.top + (around.bottom - around.top - size.cy) / 2;
  return {std::max<int>(work.left, std::min<int>(x, work.right - size.cx)),
          std::max<int>(work.top, std::min<int>(y, work.bottom - size.cy))};
}

// BeginPaint and EndPaint around one WM_PAINT.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
  ~PaintScope() { EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC Dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_ = nullptr;
};

void PrepareGraphics(Gdiplus::Graphics& graphics) {
  graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBilinear);
}

}  // namespace

NativeHost::NativeHost(SkinWindow& skin, HWND owner) : skin_(skin), owner_(owner), painter_(skin) {}

std::unique_ptr<NativeHost> NativeHost::Create(SkinWindow& window, SkinWindow* owner, const std::wstring& title) {
  const std::wstring className = window.GetWindowClassName();
  if (!RegisterWindowClass(className, &NativeHost::WindowProc)) {
    TLOGLN(L"window class %ls cannot be registered: %lu", className.c_str(), GetLastError());
    return nullptr;
  }
  HWND ownerHandle = nullptr;
  if (owner != nullptr) {
    if (const auto* ownerHost = dynamic_cast<const NativeHost*>(owner->Host())) ownerHandle = ownerHost->Handle();
  }
  std::unique_ptr<NativeHost> host(new NativeHost(window, ownerHandle));
  const Size size = window.Manager().Attributes().size;
  const POINT place = CentredPlace(size, ownerHandle);
  // A window of its own (no owner) gets a taskbar button.
  const DWORD exStyle = ownerHandle == nullptr ? WS_EX_APPWINDOW : 0;
  // WM_NCCREATE hands the handle to the host, which destroys the window when it goes.
  if (CreateWindowExW(exStyle, className.c_str(), title.c_str(), kStyle, place.x, place.y, size.cx, size.cy,
                      ownerHandle, nullptr, GetModuleHandleW(nullptr), host.get()) == nullptr) {
    TLOGLN(L"window %ls cannot be made: %lu", className.c_str(), GetLastError());
    return nullptr;
  }
  host->postTarget_ = host->Handle();
  host->edits_ = std::make_unique<NativeEdits>(host->Handle());
  host->ApplyRegion();
  return host;
}

NativeHost* NativeHost::FromHandle(HWND handle) {
  const HWND root = handle != nullptr ? GetAncestor(handle, GA_ROOT) : nullptr;
  return root != nullptr ? static_cast<NativeHost*>(GetPropW(root, kHostProperty)) : nullptr;
}

NativeHost::~NativeHost() {
  postTarget_ = nullptr;
  const HWND handle = Handle();
  if (handle == nullptr) return;
  for (const auto& [event, timer] : timers_) KillTimer(handle, event);
  // From here on the window's messages get the default handling.
  RemovePropW(handle, kHostProperty);
  if (ownerDisabled_ && IsWindow(owner_)) EnableWindow(owner_, TRUE);
  edits_.reset();
  window_.reset();
}

void NativeHost::DisableOwner() {
  if (owner_ == nullptr || ownerDisabled_) return;
  EnableWindow(owner_, FALSE);
  ownerDisabled_ = true;
}

void NativeHost::Invalidate() {
  if (Handle() != nullptr) InvalidateRect(Handle(), nullptr, FALSE);
}

bool NativeHost::StartTimer(Control* control, unsigned id, unsigned milliseconds) {
  const auto timer = std::make_pair(control, id);
  auto found = std::find_if(timers_.begin(), timers_.end(), [&](const auto& t) { return t.second == timer; });
  const UINT_PTR event = found != timers_.end() ? found->first : nextTimer_++;
  // Setting an existing system timer again restarts it with the new interval.
  if (::SetTimer(Handle(), event, std::max(1u, milliseconds), nullptr) == 0) return false;
  timers_[event] = timer;
  return true;
}

void NativeHost::StopTimer(Control* control, unsigned id) {
  const auto timer = std::make_pair(control, id);
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->second != timer) continue;
    KillTimer(Handle(), it->first);
    timers_.erase(it);
    return;
  }
}

void NativeHost::WakeForPosted() {
  // A post that fails (the window just went, the queue is full) is dropped on purpose: the
  // notifications stay queued and the next wake-up delivers them.
  if (const HWND target = postTarget_.load()) PostMessageW(target, kDeliverPosted, 0, 0);
}

int NativeHost::MeasureTextWidth(const std::wstring& text, const FontInfo& font) {
  Gdiplus::Graphics graphics(Handle());
  PrepareGraphics(graphics);
  return painter_.MeasureTextWidth(graphics, text, font);
}

bool NativeHost::PostWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  const HWND target = postTarget_.load();
  return target != nullptr && PostMessageW(target, message, wParam, lParam) != FALSE;
}

void NativeHost::Centre() {
  RECT frame{};
  if (!GetWindowRect(Handle(), &frame)) return;
  const POINT place = CentredPlace(Size{frame.right - frame.left, frame.bottom - frame.top}, owner_);
  SetWindowPos(Handle(), nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK NativeHost::WindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* host = static_cast<NativeHost*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    host->window_.reset(handle);
    SetPropW(handle, kHostProperty, host);
  }
  NativeHost* host = static_cast<NativeHost*>(GetPropW(handle, kHostProperty));
  LRESULT result = 0;
  if (host != nullptr && host->HandleMessage(message, wParam, lParam, result)) return result;
  return DefWindowProcW(handle, message, wParam, lParam);
}

bool NativeHost::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_NCHITTEST:
      result = HitTest(lParam);
      return true;
    case WM_ERASEBKGND:
      result = 1;  // the back buffer covers everything
      return true;
    case WM_PAINT:
      Paint();
      return true;
    case WM_MOUSEMOVE:
      OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return true;
    case WM_MOUSELEAVE:
      tracking_ = false;
      SetHotControl(nullptr);
      return true;
    case WM_NCMOUSEMOVE:  // over the caption: no control is hot; the system does the rest
      SetHotControl(nullptr);
      return false;
    case WM_LBUTTONDOWN:
      OnButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return true;
    case WM_LBUTTONUP:
      OnButtonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return true;
    case WM_CAPTURECHANGED:
      ReleasePushed();
      return true;
    case WM_TIMER:
      OnTimer(wParam);
      return true;
    case kDeliverPosted:
      skin_.Manager().DispatchPosted();
      return true;
    case WM_CTLCOLOREDIT:
      if (edits_ == nullptr) break;
      result = reinterpret_cast<LRESULT>(edits_->OnColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
      if (result != 0) return true;
      break;
    case WM_COMMAND:
      if (edits_ != nullptr && edits_->OnCommand(wParam, lParam)) return true;
      break;
    case WM_CLOSE:
      return HandleClose(wParam, lParam);
    default:
      break;
  }
  return skin_.HandleCustomMessage(message, wParam, lParam);
}

bool NativeHost::HandleClose(WPARAM wParam, LPARAM lParam) {
  // The window may keep itself open (its own close rules); otherwise the request closes it
  // with its value, and the system's own close (Alt+F4), which carries 0, with 1.
  if (skin_.HandleCustomMessage(WM_CLOSE, wParam, lParam)) return true;
  skin_.Close(wParam != 0 ? static_cast<int>(wParam) : 1);
  return true;
}

LRESULT NativeHost::HitTest(LPARAM lParam) {
  POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ScreenToClient(Handle(), &point);
  return skin_.Manager().InCaption(point.x, point.y) ? HTCAPTION : HTCLIENT;
}

void NativeHost::ApplyRegion() {
  const WindowAttributes& attributes = skin_.Manager().Attributes();
  const Size& corner = attributes.roundCorner;
  if (corner.cx <= 0 && corner.cy <= 0) return;
  UniqueRegion region(
      CreateRoundRectRgn(0, 0, attributes.size.cx + 1, attributes.size.cy + 1, corner.cx, corner.cy));
  // On success the system owns the region.
  if (region && SetWindowRgn(Handle(), region.get(), FALSE) != 0) region.release();
}

void NativeHost::Paint() {
  const PaintScope scope(Handle());
  WindowManager& manager = skin_.Manager();
  manager.LayoutIfNeeded();
  if (edits_ != nullptr) edits_->Sync(manager);
  const Size size = manager.Attributes().size;
  if (!buffer_ || !(buffer_->Dimensions() == size)) buffer_ = BackBuffer::Make(scope.Dc(), size);
  if (!buffer_) return;  // nothing to paint with: the window stays as it was
  {
    Gdiplus::Graphics graphics(buffer_->Dc());
    PrepareGraphics(graphics);
    graphics.Clear(Gdiplus::Color(0xFFFFFFFF));
    painter_.Paint(graphics);
    graphics.Flush(Gdiplus::FlushIntentionSync);
  }
  BitBlt(scope.Dc(), 0, 0, size.cx, size.cy, buffer_->Dc(), 0, 0, SRCCOPY);
}

void NativeHost::OnMouseMove(int x, int y) {
  if (!tracking_) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = Handle();
    tracking_ = TrackMouseEvent(&track) != FALSE;
  }
  Control* under = skin_.Manager().ControlAt(x, y);
  if (pushed_ != nullptr) {
    // While the button is held, the pressed control looks pushed only under the pointer.
    if (skin_.Manager().IsLive(pushed_)) pushed_->SetPushed(under == pushed_);
    SetHotControl(under == pushed_ ? pushed_ : nullptr);
    return;
  }
  SetHotControl(under != nullptr && under->IsEnabled() ? under : nullptr);
}

void NativeHost::OnButtonDown(int x, int y) {
  Control* under = skin_.Manager().ControlAt(x, y);
  if (under == nullptr || !under->IsEnabled()) return;
  ReleasePushed();
  pushed_ = under;
  under->SetPushed(true);
  SetCapture(Handle());
}

void NativeHost::OnButtonUp(int x, int y) {
  Control* pressed = pushed_ != nullptr && skin_.Manager().IsLive(pushed_) ? pushed_ : nullptr;
  pushed_ = nullptr;  // so that losing the capture below changes nothing more
  if (GetCapture() == Handle()) ReleaseCapture();
  if (pressed == nullptr) return;
  pressed->SetPushed(false);
  // A click: the button went up over the control it went down on. Its handler may close the
  // window and with it this host, so nothing follows it.
  if (skin_.Manager().ControlAt(x, y) == pressed) pressed->Activate();
}

void NativeHost::ReleasePushed() {
  if (pushed_ != nullptr && skin_.Manager().IsLive(pushed_)) pushed_->SetPushed(false);
  pushed_ = nullptr;
}

void NativeHost::SetHotControl(Control* control) {
  if (control == hot_) return;
  if (hot_ != nullptr && skin_.Manager().IsLive(hot_)) hot_->SetHot(false);
  hot_ = control;
  if (hot_ != nullptr) hot_->SetHot(true);
}

void NativeHost::OnTimer(UINT_PTR event) {
  const auto found = timers_.find(event);
  if (found == timers_.end()) return;
  const auto [control, id] = found->second;
  skin_.Manager().OnTimer(control, id);  // checks that the control is still in the tree
}

}  // namespace SkinUI
