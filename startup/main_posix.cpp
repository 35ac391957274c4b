// POSIX entry point of the installer's native build.
#include "startup/entry_sequence.h"

// No main window yet: the run goes from the start-up straight to the shut-down.
int main() { return RunEntrySequence(nullptr, {}); }
