#pragma once
// What the system-value items, the statistics sample and the dial-up accounting read from
// the system. Linux versions read files under a root directory that tests point elsewhere.
#include <cstdint>
#include <optional>

namespace quillenta {

// Bytes; 64-bit so that nothing goes wrong past 2 GB.
struct MemoryStatus {
  std::int64_t total_phys = 0;
  std::int64_t avail_phys = 0;
  std::int64_t total_virtual = 0;
  std::int64_t avail_virtual = 0;
  std::int64_t total_page_file = 0;
  std::int64_t avail_page_file = 0;
};

class MemoryProbe {
 public:
  virtual ~MemoryProbe() = default;
  virtual MemoryStatus ReadMemoryStatus() = 0;
};

class BatteryProbe {
 public:
  virtual ~BatteryProbe() = default;
  // 0..100, or 255 when no battery reports a charge.
  virtual int BatteryLifePercent() = 0;
};

class CpuUsageSource {
 public:
  virtual ~CpuUsageSource() = default;
  virtual void StartCpuStatistic() {}
  virtual void StopCpuStatistic() {}
  // Percent busy since the previous call (0 on the first), nullopt when unreadable.
  virtual std::optional<std::int32_t> SampleCpuUsage() = 0;
};

struct LinkCounters {
  std::int64_t received = 0;
  std::int64_t sent = 0;
};

// The dial-up links (PPP interfaces and wwan devices that are up).
class DialupLinks {
 public:
  virtual ~DialupLinks() = default;
  // Taken anew at every call; 0 when none or unknown.
  virtual int CountConnections() = 0;
  // Byte counters summed over the up links (0 when none), nullopt when unreadable.
  virtual std::optional<LinkCounters> ReadByteCounters() = 0;
};

// Three percentages (0..100) of free system capacity; kind 0 System, 1 GDI, 2 User.
// Throws quillenta::Error with a "Faild to call ..." message when the source fails.
class FreeResourcesSource {
 public:
  virtual ~FreeResourcesSource() = default;
  virtual std::uint16_t GetFreeResources(int kind) = 0;
};

}  // namespace quillenta
