// The exit code a process ends with after an access violation that nothing handles.
#pragma once

#include <cstdint>

namespace testsupport {

// 0xC0000005 on Windows; 128 + SIGSEGV on POSIX, as the child-process runner reports it.
std::uint32_t AccessViolationExitCode();

}  // namespace testsupport
