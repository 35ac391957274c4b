// What the installer asks of the desktop shell: opening a file or web page with the verb
// "open", and the folder browser. The system's own shell unless a test sets another, so
// tests see what would open and answer the browser without one.
#pragma once

#include <optional>
#include <string>

namespace SkinUI {
class SkinWindow;
}

namespace ui {

enum class ShowMode { kNormal, kMaximized };

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens a file or web page as the user's double click would; the result is not examined.
  virtual void Open(const std::wstring& target, const std::wstring& workingFolder, ShowMode mode) = 0;
  // The folder the user picks in the system's folder browser (at most 260 characters), or
  // nothing when the user cancels or the choice has no file-system path.
  virtual std::optional<std::wstring> ChooseFolder(SkinUI::SkinWindow& owner, const std::wstring& title) = 0;
};

Shell& CurrentShell();
// null: the system's own again.
void SetShell(Shell* shell);
// The system's shell (a platform file of the build).
Shell& NativeShell();

}  // namespace ui
