// Prints the visible top-level windows of the desktop, one line each, fields apart by tabs:
//   window <X window> <class> <enabled 0|1> <owner's class or -> <left,top,right,bottom>
//          <program> <title>
// <X window> is the X11 window Wine made for it (0 when it has none), so that X tools
// (xdotool, import) can act on a window found by its Win32 class, which X does not show;
// <program> is the full path of the executable that made it ("?" when it cannot be read), as
// programs of other X displays share the Wine session. Exit code 0, 2 for arguments.
#include <windows.h>

#include <string>
#include <vector>

#include "tools/entry/std_streams.h"
#include "tools/entry/tool_main.h"
#include "utils/text.h"

namespace {

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  return GetClassNameW(window, name, 256) > 0 ? name : L"?";
}

// Read without sending the window a message, so that a program that does not answer (stopped,
// or busy in a test) cannot hold the listing up.
std::wstring TitleOf(HWND window) {
  wchar_t title[512] = {};
  return std::wstring(title, static_cast<std::size_t>(InternalGetWindowText(window, title, 512)));
}

std::wstring ProgramOf(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (process == nullptr) return L"?";
  wchar_t path[MAX_PATH * 2] = {};
  DWORD length = MAX_PATH * 2;
  const bool read = QueryFullProcessImageNameW(process, 0, path, &length) != 0;
  CloseHandle(process);
  return read ? path : L"?";
}

BOOL CALLBACK ListOne(HWND window, LPARAM) {
  if (!IsWindowVisible(window)) return TRUE;
  RECT r{};
  GetWindowRect(window, &r);
  // Wine keeps the X window of a top-level window in this property.
  const auto x11 = reinterpret_cast<ULONG_PTR>(GetPropW(window, L"__wine_x11_whole_window"));
  const HWND owner = GetWindow(window, GW_OWNER);
  const std::wstring line = L"window\t" + std::to_wstring(x11) + L"\t" + ClassOf(window) + L"\t" +
                            (IsWindowEnabled(window) ? L"1" : L"0") + L"\t" + (owner ? ClassOf(owner) : L"-") + L"\t" +
                            std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) +
                            L"," + std::to_wstring(r.bottom) + L"\t" + ProgramOf(window) + L"\t" + TitleOf(window) +
                            L"\n";
  tools::WriteOut(Utils::ToNarrow(line, Utils::kCodePageUtf8));
  return TRUE;
}

}  // namespace

int ToolMain(const std::vector<std::wstring>& args) {
  if (args.size() != 1) {
    tools::WriteErr("usage: windowlist\n");
    return 2;
  }
  EnumWindows(ListOne, 0);
  return 0;
}
