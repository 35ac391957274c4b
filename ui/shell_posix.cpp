// The native build's shell: a program file is started as a detached child; a web page has
// no browser to go to and is only logged; there is no folder browser, so nothing is chosen.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "ui/shell.h"
#include "utils/log.h"
#include "utils/text.h"

extern char** environ;

namespace ui {
namespace {

bool IsProgramFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

class PosixShell : public Shell {
 public:
  void Open(const std::wstring& target, const std::wstring& workingFolder, ShowMode) override {
    const std::string path = Utils::ToNarrow(target, Utils::kCodePageUtf8);
    if (!IsProgramFile(path)) {
      TLOGLN(L"nothing opens %ls here", target.c_str());
      return;
    }
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return;
    const std::string folder = Utils::ToNarrow(workingFolder, Utils::kCodePageUtf8);
    // A working folder that cannot be entered makes the spawn fail, as it would on Windows.
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
      TLOGLN(L"%ls cannot be started: %d", target.c_str(), rc);
      return;
    }
    // The program runs on its own; its exit is collected so that it leaves no zombie.
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  }

  std::optional<std::wstring> ChooseFolder(SkinUI::SkinWindow&, const std::wstring&) override {
    return std::nullopt;
  }
};

}  // namespace

Shell& NativeShell() {
  static PosixShell shell;
  return shell;
}

}  // namespace ui
