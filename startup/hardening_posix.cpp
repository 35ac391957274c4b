// POSIX start-up protection: nothing to harden in the library search path (the loader does
// not look beside the executable), and a handler for the fatal signals that runs the crash
// filter once and then lets the default action end the process.
#include <signal.h>

#include "startup/entry_sequence.h"

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

void OnFatalSignal(int signal) {
  RunCrashFilter();
  // The handler was reset when it was entered; raising again takes the default action.
  ::signal(signal, SIG_DFL);
  raise(signal);
}

}  // namespace

void HardenLibrarySearchPath() {}

void InstallCrashFilter() {
  struct sigaction action {};
  action.sa_handler = &OnFatalSignal;
  action.sa_flags = SA_RESETHAND | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (int signal : kFatalSignals) sigaction(signal, &action, nullptr);
}
