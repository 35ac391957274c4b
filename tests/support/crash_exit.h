// Whether a process's exit code says it ended by an access violation that nothing handled.
#pragma once

#include <cstdint>

namespace testsupport {

// 0xC0000005 on Windows; 128 + SIGSEGV on POSIX, as the child-process runner reports it.
std::uint32_t AccessViolationExitCode();

// True for AccessViolationExitCode(), and for the code 32-bit Wine gives the same fault where
// it runs under qemu's user-mode emulator (see crash_exit_win32.cpp).
bool IsAccessViolationExit(std::uint32_t exitCode);

}  // namespace testsupport
