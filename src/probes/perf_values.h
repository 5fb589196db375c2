#pragma once
#include <cstdint>

namespace quillenta {

// The latest statistics sample.
struct PerfValues {
  std::int32_t cpu_usage = 0;
  std::int64_t received = 0;
  std::int64_t sent = 0;
};

}  // namespace quillenta
