// Shows one window of the installer's skin archive (or of the 7z archive given) in the
// installer's window frame, with the drop shadow its skin asks for, and acts on it on
// command, one line of standard input each:
//   framewindow <skin file> [archive.7z]
//   move X Y | maximize | restore | close
// After the window shows and after each command it prints the state of the window and its
// shadow when the window has taken the command:
//   state <left,top,right,bottom> shadow <visible 0|1> <left,top,right,bottom>
// Exit code 0 after the window closed, 1 when it (or its archive) cannot be made or read, 2
// for bad arguments.
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

#include "skin/skin_resource.h"
#include "tools/entry/std_streams.h"
#include "tools/entry/tool_main.h"
#include "toolkit/native_host_win32.h"
#include "ui/skin_frame.h"
#include "utils/file_ops.h"

namespace {

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

struct ShadowSearch {
  HWND parent;
  HWND found;
};

// EnumWindows callback (stdcall on 32-bit Windows, so a named function, not a lambda).
BOOL CALLBACK MatchShadow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<ShadowSearch*>(data);
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  if (GetWindow(window, GW_OWNER) != search->parent || std::wstring(name) != L"SkinShadowWnd") return TRUE;
  search->found = window;
  return FALSE;
}

// The shadow window the frame owns, or null.
HWND ShadowOf(HWND parent) {
  ShadowSearch search{parent, nullptr};
  EnumWindows(&MatchShadow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void PrintState(HWND parent) {
  RECT window{};
  GetWindowRect(parent, &window);
  const HWND shadow = ShadowOf(parent);
  RECT shadowRect{};
  if (shadow != nullptr) GetWindowRect(shadow, &shadowRect);
  const bool visible = shadow != nullptr && IsWindowVisible(shadow);
  tools::WriteOut("state " + RectText(window) + " shadow " + (visible ? "1 " : "0 ") + RectText(shadowRect) + "\n");
}

// Each command is handed to the window's thread and answered once that thread has taken it
// and everything it posted in turn.
void Obey(HWND window, const std::string& line) {
  int x = 0;
  int y = 0;
  if (std::sscanf(line.c_str(), "move %d %d", &x, &y) == 2) {
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (line == "maximize") {
    SendMessageW(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else if (line == "restore") {
    SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
  } else if (line == "close") {
    PostMessageW(window, WM_CLOSE, 1, 0);
    return;
  } else {
    tools::WriteErr("framewindow: unknown command " + line + "\n");
    return;
  }
  SendMessageW(window, WM_NULL, 0, 0);  // the window's thread has handled what came before
  PrintState(window);
}

}  // namespace

int ToolMain(const std::vector<std::wstring>& args) {
  if (args.size() != 2 && args.size() != 3) {
    tools::WriteErr("usage: framewindow <skin file> [archive.7z]\n");
    return 2;
  }
  static std::string archive;  // the archive given, for as long as the window reads it
  if (args.size() == 3) {
    const std::optional<std::string> bytes = Utils::ReadWholeFile(args[2]);
    if (!bytes || bytes->empty()) {
      tools::WriteErr("framewindow: the archive cannot be read\n");
      return 1;
    }
    archive = *bytes;
    SkinUI::SetResourceLoader([](int, int) {
      return std::span<const unsigned char>(reinterpret_cast<const unsigned char*>(archive.data()), archive.size());
    });
  } else {
    SkinUI::SetResourceLoader([](int type, int id) {
      return type == 4 ? SkinResource(id) : std::span<const unsigned char>();
    });
  }
  if (!CWindowShadow::Initialize(GetModuleHandleW(nullptr))) tools::WriteErr("framewindow: no layered windows\n");
  CSkinFrame frame(InstallerSkin(args[1]));
  if (!frame.Create(nullptr, L"framewindow")) {
    tools::WriteErr("framewindow: the window cannot be made\n");
    return 1;
  }
  const auto* host = dynamic_cast<const SkinUI::NativeHost*>(frame.Host());
  const HWND window = host != nullptr ? host->Handle() : nullptr;
  // Commands come on a thread of their own once the modal loop below has shown the window.
  std::thread commands([window] {
    for (int i = 0; i < 1000 && !IsWindowVisible(window); ++i) Sleep(10);
    SendMessageW(window, WM_NULL, 0, 0);
    PrintState(window);
    char line[256];
    std::string text = "close";  // the end of the input closes the window too
    while (std::fgets(line, sizeof(line), stdin) != nullptr) {
      text = line;
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
      if (text == "close") break;
      Obey(window, text);
    }
    Obey(window, "close");
  });
  frame.ShowModal();
  // The window has gone; the command thread may still wait for input, and ends with the process.
  commands.detach();
  return 0;
}
