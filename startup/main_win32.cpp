// Windows entry point of the installer. The command-line argument is ignored: the
// configuration reads the process's command line itself.
#include <windows.h>

#include "startup/entry_sequence.h"

// No main window yet: the run goes from the start-up straight to the shut-down.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) { return RunEntrySequence(instance, {}); }
