// Builds a log line: prefix "<P%05d><T%05d><date time.ms>(function)<%04d>: ", the caller's
// message and an optional "\r\n", in one heap buffer sized by a counting pass.
#include "utils/log.h"

#include <cstdarg>
#include <cstdlib>
#include <cwchar>

#include "utils/clock.h"
#include "utils/log_format.h"

void WriteLogLine(const wchar_t* function, int line, bool appendLineEnd, const wchar_t* format, ...) {
  const Utils::LocalTime t = Utils::LocalTimeNow();
  if (function == nullptr) function = L"";
  if (format == nullptr) format = L"";

  // The prefix has a bounded length apart from the function name.
  wchar_t head[128];
  const int headLength = swprintf(head, 128, L"<P%05lu><T%05lu><%04d-%02d-%02d %02d:%02d:%02d.%03d>(",
                                  logging_detail::CurrentProcessId(), logging_detail::CurrentThreadId(),
                                  t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond);
  wchar_t tail[32];
  const int tailLength = swprintf(tail, 32, L")<%04d>: ", line);
  if (headLength < 0 || tailLength < 0) return;

  va_list args;
  va_start(args, format);
  const int messageLength = logging_detail::FormattedLength(format, args);
  va_end(args);
  if (messageLength < 0) return;  // a message the formatter rejects is dropped, not half-written

  const std::size_t nameLength = wcslen(function);
  const std::size_t lineEnd = appendLineEnd ? 2 : 0;
  const std::size_t total = headLength + nameLength + tailLength + messageLength + lineEnd;
  auto* buffer = static_cast<wchar_t*>(std::malloc((total + 2) * sizeof(wchar_t)));
  if (buffer == nullptr) return;  // out of memory: the line is dropped silently

  wchar_t* out = buffer;
  wmemcpy(out, head, headLength);
  out += headLength;
  wmemcpy(out, function, nameLength);
  out += nameLength;
  wmemcpy(out, tail, tailLength);
  out += tailLength;
  va_start(args, format);
  const int written = logging_detail::FormatInto(out, messageLength + 1, format, args);
  va_end(args);
  if (written != messageLength) {
    std::free(buffer);
    return;
  }
  out += messageLength;
  if (appendLineEnd) {
    *out++ = L'\r';
    *out++ = L'\n';
  }
  *out = L'\0';
  logging_detail::SendToSink(buffer, total);
  std::free(buffer);
}
