#pragma once
#include "platform/clock.h"

namespace quillenta {

class LinuxClock : public Clock {
 public:
  LocalDateTime Now() override;
  std::int64_t MonotonicMs() override;
};

}  // namespace quillenta
