// Whether a process's exit code says it ended by an access violation that nothing handled.
#pragma once

#include <cstdint>

namespace testsupport {

// 0xC0000005 on Windows (and, where 32-bit Wine runs under qemu's user-mode emulator, the code
// it gives that fault: see crash_exit_win32.cpp); 128 + SIGSEGV on POSIX, as the
// child-process runner reports it.
bool IsAccessViolationExit(std::uint32_t exitCode);

}  // namespace testsupport
