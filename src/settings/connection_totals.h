#pragma once
#include <cstdint>
#include <string>

namespace quillenta {

// The totals the settings file keeps: i30 (tenths of a second), i31 and i33 (bytes).
struct PersistedTotals {
  std::int64_t tenths = 0;
  std::int64_t received = 0;
  std::int64_t sent = 0;
};

// Where the periodic save writes: the settings file (s00 unquoted, i30, i31, i33).
class TotalsWriter {
 public:
  virtual ~TotalsWriter() = default;
  // Throws quillenta::Error when the file cannot be written.
  virtual void WriteConnectionTotals(const std::string& line, const PersistedTotals& totals) = 0;
};

}  // namespace quillenta
