// Windows entry point of the installer. The command-line argument is ignored: the
// configuration reads the process's command line itself.
#include <windows.h>

#include "startup/entry_sequence.h"
#include "ui/main_window_steps.h"

// Between the start-up and the shut-down, the main window runs until it closes.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) { return RunEntrySequence(instance, &RunMainWindow); }
