// The shell the installer's windows use: the system's own unless a test has set another.
#include "ui/shell.h"

namespace ui {
namespace {
Shell* g_shell = nullptr;  // set and read on the UI thread only
}  // namespace

Shell& CurrentShell() { return g_shell != nullptr ? *g_shell : NativeShell(); }
void SetShell(Shell* shell) { g_shell = shell; }

}  // namespace ui
