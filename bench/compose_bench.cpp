// Cost of one information line with every item, and of the probes a work tick reads.
#include <benchmark/benchmark.h>

#include "fakes.h"
#include "platform/linux/locale_icu.h"
#include "platform/linux/battery_probe_linux.h"
#include "platform/linux/cpu_usage_linux.h"
#include "platform/linux/free_resources_linux.h"
#include "platform/linux/memory_probe_linux.h"
#include "title/compose.h"

namespace quillenta {
namespace {

struct Line {
  Settings settings;
  testing::FakeClock clock;
  std::string saved_title = "無題 - テキストエディタ";
  MemoryStatus memory{std::int64_t{16} << 30, std::int64_t{9} << 30,
                      std::int64_t{1} << 47,  (std::int64_t{1} << 47) - (std::int64_t{900} << 20),
                      std::int64_t{2} << 30,  std::int64_t{3} << 29};
  PerfValues perf{7, 123456789, 9876543};
  testing::FakeBatteryProbe battery;
  std::array<std::string, 3> resources{"85", "90", "88"};
  ConnectionFigures connection{3723000, 3723000, 7446000, 5 << 20, 1 << 20, 6 << 20, 2 << 20};
  testing::FakeDialupLinks links;
  ItemSequence sequence;  // all 21 items in code order

  Line() {
    clock.now = {2026, 12, 8, 2, 4, 9, 6, 0};
    battery.percent = 100;
    links.SetConnected(1);
  }

  void Run(benchmark::State& state, const Locale& locale) {
    ItemContext context{settings, clock,   locale,    saved_title, memory,
                        perf,     battery, resources, connection,  links};
    std::string line;
    for (auto _ : state) {
      ComposeLine(sequence, context, line);
      benchmark::DoNotOptimize(line.data());
    }
  }
};

void BM_ComposeLineFakeLocale(benchmark::State& state) {
  Line line;
  testing::FakeLocale locale;
  line.Run(state, locale);
}
BENCHMARK(BM_ComposeLineFakeLocale);

void BM_ComposeLineIcuJapanese(benchmark::State& state) {
  Line line;
  IcuLocale locale("ja_JP.UTF-8", "ja_JP.UTF-8");
  line.Run(state, locale);
}
BENCHMARK(BM_ComposeLineIcuJapanese);

// The era year asks ICU's calendar at every line.
void BM_ComposeLineIcuJapaneseEraYear(benchmark::State& state) {
  Line line;
  line.settings.SetFlag(FlagKey::b52, false);
  line.settings.SetFlag(FlagKey::b51, true);
  line.settings.SetFlag(FlagKey::b58, false);
  IcuLocale locale("ja_JP.UTF-8", "ja_JP.UTF-8");
  line.Run(state, locale);
}
BENCHMARK(BM_ComposeLineIcuJapaneseEraYear);

// The live system's files: what the probes cost on this machine per work tick.
void BM_LiveProbesPerWorkTick(benchmark::State& state) {
  ProcMemoryProbe memory;
  ProcStatCpuUsage cpu;
  SysBatteryProbe battery;
  ProcFreeResources resources;
  for (auto _ : state) {
    benchmark::DoNotOptimize(memory.ReadMemoryStatus());
    benchmark::DoNotOptimize(cpu.SampleCpuUsage());
    benchmark::DoNotOptimize(battery.BatteryLifePercent());
    for (int kind = 0; kind < 3; ++kind) {
      benchmark::DoNotOptimize(resources.GetFreeResources(kind));
    }
  }
}
BENCHMARK(BM_LiveProbesPerWorkTick);

void BM_LiveMemoryProbe(benchmark::State& state) {
  ProcMemoryProbe memory;
  for (auto _ : state) benchmark::DoNotOptimize(memory.ReadMemoryStatus());
}
BENCHMARK(BM_LiveMemoryProbe);

void BM_LiveCpuSample(benchmark::State& state) {
  ProcStatCpuUsage cpu;
  for (auto _ : state) benchmark::DoNotOptimize(cpu.SampleCpuUsage());
}
BENCHMARK(BM_LiveCpuSample);

void BM_LiveBattery(benchmark::State& state) {
  SysBatteryProbe battery;
  for (auto _ : state) benchmark::DoNotOptimize(battery.BatteryLifePercent());
}
BENCHMARK(BM_LiveBattery);

void BM_LiveFreeResources(benchmark::State& state) {
  ProcFreeResources resources;
  for (auto _ : state) {
    for (int kind = 0; kind < 3; ++kind) {
      benchmark::DoNotOptimize(resources.GetFreeResources(kind));
    }
  }
}
BENCHMARK(BM_LiveFreeResources);

}  // namespace
}  // namespace quillenta
