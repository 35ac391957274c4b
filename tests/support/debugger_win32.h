// Runs a program with the test as its debugger (Windows only). While an event is handled
// the program is frozen, which tests use to hold it at a known point.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace testsupport {

// onEvent sees every debug event with the program's process handle; status starts as the
// default answer (continue, or not handled for exceptions other than the initial
// breakpoint) and may be changed. Returns the exit code, 0xDEAD when the program did not
// start or did not end within timeoutMs of silence. processId receives its id.
DWORD RunUnderDebugger(std::wstring commandLine,
                       const std::function<void(const DEBUG_EVENT& event, HANDLE process, DWORD& status)>& onEvent,
                       DWORD* processId = nullptr, DWORD timeoutMs = 60000);

}  // namespace testsupport
