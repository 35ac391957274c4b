// POSIX side of the logger: glibc's wide formatter (which cannot count, so the counting
// pass formats into a per-thread scratch buffer that only grows) and standard error as the
// sink, written as UTF-8 in one write call so that lines of different threads never mix.
#include <sys/syscall.h>
#include <unistd.h>

#include <cwchar>
#include <string>
#include <vector>

#include "utils/log.h"
#include "utils/log_format.h"
#include "utils/utf8.h"

namespace logging_detail {

int FormattedLength(const wchar_t* format, va_list args) {
  thread_local std::vector<wchar_t> scratch(512);
  constexpr std::size_t kLimit = 16u << 20;  // a message the formatter keeps refusing
  for (;;) {
    va_list copy;
    va_copy(copy, args);
    const int n = vswprintf(scratch.data(), scratch.size(), format, copy);
    va_end(copy);
    if (n >= 0) return n;
    if (scratch.size() >= kLimit) return -1;
    scratch.resize(scratch.size() * 4);
  }
}

int FormatInto(wchar_t* dest, std::size_t capacity, const wchar_t* format, va_list args) {
  return vswprintf(dest, capacity, format, args);
}

void SendToSink(const wchar_t* text, std::size_t length) {
  thread_local std::string bytes;
  bytes.clear();
  Utils::AppendUtf8(bytes, text, length);
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = write(STDERR_FILENO, p, left);
    if (n <= 0) return;  // nowhere to write: logging never reports an error
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }
unsigned long CurrentThreadId() { return static_cast<unsigned long>(syscall(SYS_gettid)); }

}  // namespace logging_detail
