// Windows: the exception code becomes the exit code.
#include <windows.h>

#include "tests/support/crash_exit.h"

std::uint32_t testsupport::AccessViolationExitCode() { return static_cast<std::uint32_t>(EXCEPTION_ACCESS_VIOLATION); }
