// Shows one window of a skin and prints what happens on it, one line each, as it happens:
//   skinview <skin file> [archive.7z] [--select TAB=INDEX]... [--value PROGRESS=N]...
// The skin comes from the skin archive built into the program, or from the archive file
// given. First the window's controls ("control <class> <name> <left,top,right,bottom>", with
// "hidden" when not shown), then "showing", then each notification ("click okBtn",
// "textchanged installDirEdit C:\x", "selectchanged treatyCb 0"), and "closed <result>" when
// the window closes: closebtn closes it with 1, okBtn with 0, cancelBtn with 1. On a platform
// without windows (the headless one) the window closes at once.
// Exit code 0 after the window closed, 1 when the skin cannot be loaded, 2 for bad arguments.
#include "tools/entry/tool_main.h"

#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "skin/skin_resource.h"
#include "tools/entry/std_streams.h"
#include "toolkit/containers.h"
#include "toolkit/controls.h"
#include "toolkit/skin_window.h"
#include "utils/file_ops.h"
#include "utils/text.h"

namespace {

void Print(const std::wstring& line) { tools::WriteOut(Utils::ToNarrow(line + L"\n", Utils::kCodePageUtf8)); }

class ViewerWindow : public SkinUI::SkinWindow {
 public:
  explicit ViewerWindow(std::wstring file) : file_(std::move(file)) {}

  std::wstring GetSkinFile() const override { return file_; }
  int GetResourceID() const override { return kSkinResourceId; }
  // The skin file's name up to its last dot, as the installer names its message windows.
  std::wstring GetWindowClassName() const override { return file_.substr(0, file_.rfind(L'.')); }

  void Notify(const SkinUI::Notify& notify) override {
    Print(notify.type + L" " + NameOf(notify.sender) + Detail(notify));
    SkinWindow::Notify(notify);
  }

  void OnClick(const SkinUI::Notify& notify) override {
    const std::wstring name = NameOf(notify.sender);
    if (name == L"okBtn") Close(0);
    else if (name == L"cancelBtn") Close(1);
    else SkinWindow::OnClick(notify);
  }

 private:
  static std::wstring NameOf(const SkinUI::Control* control) {
    return control == nullptr ? L"-" : control->Name().empty() ? L"(" + control->ClassName() + L")" : control->Name();
  }

  static std::wstring Detail(const SkinUI::Notify& notify) {
    if (notify.type == L"textchanged" && notify.sender != nullptr) return L" " + notify.sender->Text();
    if (notify.type == L"selectchanged") {
      const auto* option = dynamic_cast<const SkinUI::Option*>(notify.sender);
      return option != nullptr ? (option->IsSelected() ? L" 1" : L" 0") : L"";
    }
    if (notify.type == L"click") return L"";
    return L" " + std::to_wstring(notify.wParam);
  }

  std::wstring file_;
};

std::wstring RectText(const SkinUI::Rect& r) {
  return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
         std::to_wstring(r.bottom);
}

void PrintTree(SkinUI::WindowManager& manager) {
  manager.LayoutIfNeeded();
  for (const SkinUI::Control* c : manager.AllControls()) {
    Print(L"control " + c->ClassName() + L" " + (c->Name().empty() ? L"-" : c->Name()) + L" " + RectText(c->Pos()) +
          (c->IsShown() ? L"" : L" hidden"));
  }
}

// "NAME=N" split in two; nothing when it is not of that form.
std::optional<std::pair<std::wstring, int>> NameAndNumber(const std::wstring& text) {
  const std::size_t equals = text.find(L'=');
  if (equals == std::wstring::npos || equals == 0 || equals + 1 == text.size()) return std::nullopt;
  try {
    return std::make_pair(text.substr(0, equals), std::stoi(text.substr(equals + 1)));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// Applies one --select or --value; false when the control is not of the right kind.
bool Apply(ViewerWindow& window, const std::wstring& option, const std::pair<std::wstring, int>& setting) {
  SkinUI::Control* control = window.FindControl(setting.first);
  if (option == L"--select") {
    auto* tab = dynamic_cast<SkinUI::TabLayout*>(control);
    return tab != nullptr && tab->SelectItem(setting.second);
  }
  auto* progress = dynamic_cast<SkinUI::Progress*>(control);
  if (progress == nullptr) return false;
  progress->SetValue(setting.second);
  return true;
}

std::vector<unsigned char> g_archive;  // an archive file given on the command line

bool ReadArchive(const std::wstring& path) {
  const std::optional<std::string> bytes = Utils::ReadWholeFile(path);
  if (!bytes || bytes->empty()) return false;
  g_archive.assign(bytes->begin(), bytes->end());
  return true;
}

int Usage() {
  tools::WriteErr("usage: skinview <skin file> [archive.7z] [--select TAB=INDEX]... [--value PROGRESS=N]...\n");
  return 2;
}

}  // namespace

int ToolMain(const std::vector<std::wstring>& args) {
  std::vector<std::wstring> positional;
  std::vector<std::pair<std::wstring, std::pair<std::wstring, int>>> settings;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == L"--select" || args[i] == L"--value") {
      const auto setting = i + 1 < args.size() ? NameAndNumber(args[i + 1]) : std::nullopt;
      if (!setting) return Usage();
      settings.emplace_back(args[i], *setting);
      ++i;
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.empty() || positional.size() > 2) return Usage();
  if (positional.size() == 2) {
    if (!ReadArchive(positional[1])) {
      tools::WriteErr("skinview: the archive cannot be read\n");
      return 1;
    }
    SkinUI::SetResourceLoader([](int, int) { return std::span<const unsigned char>(g_archive); });
  } else {
    SkinUI::SetResourceLoader([](int, int id) { return SkinResource(id); });
  }

  ViewerWindow window(positional[0]);
  if (!window.Create(nullptr, positional[0] + L" - skinview")) {
    tools::WriteErr("skinview: the window cannot be made (its skin cannot be loaded, or there is no display)\n");
    return 1;
  }
  for (const auto& [option, setting] : settings) {
    if (!Apply(window, option, setting)) {
      tools::WriteErr("skinview: " + Utils::ToNarrow(option + L" " + setting.first, Utils::kCodePageUtf8) +
                      " names no such control\n");
      return 2;
    }
  }
  PrintTree(window.Manager());
  Print(L"showing");
  const int result = window.ShowModal();
  Print(L"closed " + std::to_wstring(result));
  return 0;
}
