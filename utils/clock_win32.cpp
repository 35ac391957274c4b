// Windows time sources: GetLocalTime and GetTickCount64.
#include <windows.h>

#include "utils/clock.h"

namespace Utils {

LocalTime LocalTimeNow() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

std::uint64_t TickCountMs() { return GetTickCount64(); }

}  // namespace Utils
