#pragma once
#include "platform/clock.h"

namespace quillenta {

// GetLocalTime for the wall clock, GetTickCount64 for durations.
class Win32Clock : public Clock {
 public:
  LocalDateTime Now() override;
  std::int64_t MonotonicMs() override;
};

}  // namespace quillenta
