// Windows: the exception code becomes the exit code.
#include <windows.h>

#include "tests/support/crash_exit.h"
#include "tests/support/test_server.h"

bool testsupport::IsAccessViolationExit(std::uint32_t exitCode) {
  if (exitCode == static_cast<std::uint32_t>(EXCEPTION_ACCESS_VIOLATION)) return true;
  // Where the kernel runs no 32-bit programs, 32-bit Wine runs under qemu's user-mode
  // emulator, whose signal frames carry no trap number; Wine then reports every fault as an
  // illegal instruction ("Got unexpected trap -1"). 64-bit Wine and Windows report the
  // access violation.
  return sizeof(void*) == 4 && RunningUnderWine() && exitCode == static_cast<std::uint32_t>(EXCEPTION_ILLEGAL_INSTRUCTION);
}
