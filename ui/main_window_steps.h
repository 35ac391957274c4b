// The entry sequence's window steps: the toolkit prepared, the main window created and run
// modally until it closes.
#pragma once

// Given the module handle (null on POSIX), as the entry sequence hands it over.
void RunMainWindow(void* instance);
