#include "platform/win32/clock_win32.h"

#include <windows.h>

namespace quillenta {

LocalDateTime Win32Clock::Now() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return LocalDateTime{now.wYear, now.wMonth,  now.wDay,    now.wDayOfWeek,
                       now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

std::int64_t Win32Clock::MonotonicMs() {
  // Counts through sleep and is not moved by setting the clock; 64-bit, so no wrap after
  // 49.7 days as GetTickCount has.
  return static_cast<std::int64_t>(::GetTickCount64());
}

}  // namespace quillenta
