// Platform wide formatter used by the logger: a counting pass and a bounded pass.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace logging_detail {
// Number of characters the message will take, or -1 when the formatter rejects it.
int FormattedLength(const wchar_t* format, va_list args);
// Formats into dest (capacity includes the terminating zero); returns the characters written.
int FormatInto(wchar_t* dest, std::size_t capacity, const wchar_t* format, va_list args);
}  // namespace logging_detail
