// The Windows shell: ShellExecuteW for opening, the system folder browser for choosing.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <memory>

#include "toolkit/native_host_win32.h"
#include "toolkit/skin_window.h"
#include "ui/shell.h"
#include "utils/com_apartment.h"

namespace ui {
namespace {

struct ItemListFree {
  void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};

class WindowsShell : public Shell {
 public:
  void Open(const std::wstring& target, const std::wstring& workingFolder, ShowMode mode) override {
    // The result is not examined: a page or program that does not open changes nothing here.
    ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, workingFolder.empty() ? nullptr : workingFolder.c_str(),
                  mode == ShowMode::kMaximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  }

  std::optional<std::wstring> ChooseFolder(SkinUI::SkinWindow& owner, const std::wstring& title) override {
    const Utils::ComApartment com;  // the browser's new dialog style needs COM
    const auto* host = dynamic_cast<const SkinUI::NativeHost*>(owner.Host());
    BROWSEINFOW info{};
    info.hwndOwner = host != nullptr ? host->Handle() : nullptr;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_NEWDIALOGSTYLE;
    std::unique_ptr<ITEMIDLIST, ItemListFree> chosen(SHBrowseForFolderW(&info));
    if (!chosen) return std::nullopt;
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(chosen.get(), path)) return std::nullopt;
    return std::wstring(path);
  }
};

}  // namespace

Shell& NativeShell() {
  static WindowsShell shell;
  return shell;
}

}  // namespace ui
