// The installer's run from its first instruction to its exit code.
#pragma once

// Exit codes of the process.
inline constexpr int kExitNormal = 0;
inline constexpr int kExitAlreadyRunning = -1;

// Runs the start-up sequence, the main window and the shut-down. instance is the module
// handle on Windows (null elsewhere).
int RunEntrySequence(void* instance);

// Platform steps of the sequence.
// Keeps DLLs planted beside the executable or in the current directory from being loaded.
void HardenLibrarySearchPath();
// Installs CrashFilter for unhandled exceptions (fatal signals on POSIX).
void InstallCrashFilter();
// The filter's work: the crash reports when analytics is on. Runs once per process.
void RunCrashFilter();
