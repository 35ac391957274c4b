// POSIX: the child-process runner reports a death by signal as 128 + the signal.
#include <csignal>

#include "tests/support/crash_exit.h"

bool testsupport::IsAccessViolationExit(std::uint32_t exitCode) { return exitCode == 128u + SIGSEGV; }
