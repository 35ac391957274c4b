// The installer's run from its first instruction to its exit code.
#pragma once

#include <functional>

// Exit codes of the process.
inline constexpr int kExitNormal = 0;
inline constexpr int kExitAlreadyRunning = -1;

// The part of the run between the start-up and the shut-down, with the command line applied
// and the tracker running: preparing the toolkit and running the main window modally. It is
// given the module handle (null on POSIX).
using MainWindowSteps = std::function<void(void* instance)>;

// Runs the start-up sequence, windowSteps (when set) and the shut-down. instance is the
// module handle on Windows (null elsewhere).
int RunEntrySequence(void* instance, const MainWindowSteps& windowSteps);

// Platform steps of the sequence.
// Keeps DLLs planted beside the executable or in the current directory from being loaded.
void HardenLibrarySearchPath();
// Installs CrashFilter for unhandled exceptions (fatal signals on POSIX).
void InstallCrashFilter();
// The filter's work: the crash reports when analytics is on. Runs once per process.
void RunCrashFilter();
