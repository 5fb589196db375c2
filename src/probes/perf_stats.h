#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "platform/system_probes.h"
#include "probes/perf_values.h"

namespace quillenta {

// The statistics sample: CPU usage and the dial-up byte counters. A figure that cannot be
// read is 4 for that sample, never a value carried over from an earlier one.
class PerfStats {
 public:
  static constexpr std::int32_t kPreset = 4;

  PerfStats(CpuUsageSource& cpu, DialupLinks& links) : cpu_(cpu), links_(links) {}

  void StartCpuStatistic() { cpu_.StartCpuStatistic(); }
  void StopCpuStatistic() { cpu_.StopCpuStatistic(); }
  void SamplePerfStats();
  const PerfValues& Values() const { return values_; }

 private:
  CpuUsageSource& cpu_;
  DialupLinks& links_;
  PerfValues values_;
};

// The three free-resources texts, refreshed before every composition.
class FreeResources {
 public:
  explicit FreeResources(FreeResourcesSource& source) : source_(source) {}

  // Fills System, GDI, User in that order; an error from the source ends the refresh there
  // (the kinds already done keep their new text) and propagates.
  void RefreshFreeResources();
  const std::array<std::string, 3>& Texts() const { return texts_; }

 private:
  FreeResourcesSource& source_;
  std::array<std::string, 3> texts_;
};

}  // namespace quillenta
