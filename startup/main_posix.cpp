// POSIX entry point of the installer's native build.
#include "startup/entry_sequence.h"

int main() { return RunEntrySequence(nullptr); }
