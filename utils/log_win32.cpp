// Windows side of the logger: the C runtime's counting formatter and OutputDebugStringW.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "utils/log.h"
#include "utils/log_format.h"

namespace logging_detail {

int FormattedLength(const wchar_t* format, va_list args) { return _vscwprintf(format, args); }

int FormatInto(wchar_t* dest, std::size_t capacity, const wchar_t* format, va_list args) {
  return _vsnwprintf(dest, capacity, format, args);
}

void SendToSink(const wchar_t* text, std::size_t) { OutputDebugStringW(text); }

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }
unsigned long CurrentThreadId() { return GetCurrentThreadId(); }

}  // namespace logging_detail
