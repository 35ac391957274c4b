// POSIX entry point of the installer's native build.
#include "startup/entry_sequence.h"
#include "ui/main_window_steps.h"

// Between the start-up and the shut-down, the main window runs until it closes.
int main() { return RunEntrySequence(nullptr, &RunMainWindow); }
