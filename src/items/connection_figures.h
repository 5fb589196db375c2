#pragma once
#include <cstdint>

namespace quillenta {

// The dial-up figures the connection items and the time watch read, as the accounting last
// computed them. Durations are milliseconds of the monotonic clock; bytes are 64-bit.
struct ConnectionFigures {
  std::int64_t shown_ms = 0;       // what items 17..19 show (cumulative when b70 is on)
  std::int64_t continuous_ms = 0;  // length of the current or most recent connection
  std::int64_t cumulative_ms = 0;  // all connections, including the current one
  std::int64_t connection_received = 0;
  std::int64_t connection_sent = 0;
  std::int64_t cumulative_received = 0;  // stored total + current connection
  std::int64_t cumulative_sent = 0;
};

}  // namespace quillenta
