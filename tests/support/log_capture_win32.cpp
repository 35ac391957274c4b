// Windows log capture: the test starts the child as its debugger and collects the child's
// OutputDebugString events and its thread-naming exceptions.
#include <windows.h>

#include <vector>

#include "tests/support/debugger_win32.h"
#include "tests/support/log_line.h"

namespace testsupport {
namespace {

constexpr DWORD kSetThreadNameException = 0x406D1388;

std::wstring ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
  const SIZE_T units = info.nDebugStringLength;
  if (units == 0) return {};
  if (info.fUnicode) {
    std::wstring text(units, L'\0');
    SIZE_T got = 0;
    ReadProcessMemory(process, info.lpDebugStringData, text.data(), units * sizeof(wchar_t), &got);
    text.resize(got / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
  }
  std::string narrow(units, '\0');
  SIZE_T got = 0;
  ReadProcessMemory(process, info.lpDebugStringData, narrow.data(), units, &got);
  narrow.resize(got);
  while (!narrow.empty() && narrow.back() == '\0') narrow.pop_back();
  const int n = MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), text.data(), n);
  return text;
}

std::string ReadName(HANDLE process, const void* address) {
  std::string name;
  char c = 0;
  SIZE_T got = 0;
  const char* p = static_cast<const char*>(address);
  while (name.size() < 256 && ReadProcessMemory(process, p + name.size(), &c, 1, &got) && got == 1 && c != '\0') {
    name.push_back(c);
  }
  return name;
}

}  // namespace

CapturedLog CaptureLog(const std::wstring& commandLine) {
  CapturedLog captured;
  std::wstring pending;  // a line may arrive in more than one string on some systems
  DWORD processId = 0;
  captured.exitCode = RunUnderDebugger(
      commandLine,
      [&](const DEBUG_EVENT& event, HANDLE process, DWORD& status) {
        if (event.dwDebugEventCode == OUTPUT_DEBUG_STRING_EVENT) {
          pending += ReadDebugString(process, event.u.DebugString);
          std::wstring rest;
          for (const std::wstring& line : SplitLines(pending)) {
            if (!line.empty() && line.back() == L'\n') captured.lines.push_back(line);
            else rest = line;
          }
          pending = rest;
        } else if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT) {
          const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
          if (record.ExceptionCode == kSetThreadNameException && record.NumberParameters >= 2) {
            captured.threadNames.push_back(ReadName(process, reinterpret_cast<const void*>(record.ExceptionInformation[1])));
            status = DBG_CONTINUE;  // the debugger took the name
          }
        }
      },
      &processId, 30000);
  captured.processId = processId;
  if (!pending.empty()) captured.lines.push_back(pending);
  return captured;
}

}  // namespace testsupport
