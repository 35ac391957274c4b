// The installer's one log routine: every diagnostic line is stamped with process, thread,
// local time, calling function and source line, then handed to the platform's sink
// (the debugger-output channel on Windows, standard error elsewhere).
#pragma once

#include <cstddef>

#include "utils/function_name.h"

// Formats one line: the fixed prefix, then the caller's printf-style wide message (use %ls
// for wide-string arguments; it means the same in every C runtime), then "\r\n" when
// appendLineEnd is set. Never fails visibly: a line that cannot be built is dropped.
void WriteLogLine(const wchar_t* function, int line, bool appendLineEnd, const wchar_t* format, ...);

// Plain form: the message carries its own line end ("DL_TYPE=%d\r\n").
#define TLOG(format, ...)                                                                          \
  WriteLogLine(TAVELO_FUNCTION_NAME(), __LINE__, false, format __VA_OPT__(, ) __VA_ARGS__)

// Line-end form: the logger appends "\r\n" ("THREAD BEGIN").
#define TLOGLN(format, ...)                                                                        \
  WriteLogLine(TAVELO_FUNCTION_NAME(), __LINE__, true, format __VA_OPT__(, ) __VA_ARGS__)

namespace logging_detail {
// Platform sink: takes the finished line of `length` characters (zero-terminated).
void SendToSink(const wchar_t* text, std::size_t length);
// Platform parts of the prefix.
unsigned long CurrentProcessId();
unsigned long CurrentThreadId();
}  // namespace logging_detail
