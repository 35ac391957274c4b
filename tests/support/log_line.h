// Log capture from a child process and the parsing of a log line into its fields.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// Runs the command line and returns every log line it wrote: its standard error on POSIX,
// its debugger-output strings on Windows (the test acts as its debugger). Thread names the
// child announces to a debugger are collected too (Windows only).
struct CapturedLog {
  std::vector<std::wstring> lines;
  std::vector<std::string> threadNames;
  unsigned long processId = 0;
  unsigned long exitCode = 0;
};
CapturedLog CaptureLog(const std::wstring& commandLine);

// One parsed log line; ok is false when the text does not have the line's format.
struct LogLine {
  bool ok = false;
  unsigned long processId = 0, threadId = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
  std::wstring function;
  int line = 0;
  std::wstring message;  // everything after ": "
  std::wstring raw;
};
LogLine ParseLogLine(const std::wstring& text);

// Splits captured text at each "\n" that ends a line, keeping the line ends.
std::vector<std::wstring> SplitLines(const std::wstring& text);

}  // namespace testsupport
