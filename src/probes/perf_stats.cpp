#include "probes/perf_stats.h"

namespace quillenta {

void PerfStats::SamplePerfStats() {
  values_ = PerfValues{kPreset, kPreset, kPreset};
  if (auto cpu = cpu_.SampleCpuUsage()) values_.cpu_usage = *cpu;
  if (auto counters = links_.ReadByteCounters()) {
    values_.received = counters->received;
    values_.sent = counters->sent;
  }
}

void FreeResources::RefreshFreeResources() {
  for (int kind = 0; kind < 3; ++kind) {
    texts_[kind] = std::to_string(source_.GetFreeResources(kind));
  }
}

}  // namespace quillenta
