#pragma once
// Everything a display item reads, at the moment it runs.
#include <array>
#include <cstdint>
#include <string>

#include "accounting/connection_figures.h"
#include "platform/clock.h"
#include "platform/locale.h"
#include "platform/system_probes.h"
#include "settings/settings.h"

namespace quillenta {

// The latest statistics sample.
struct PerfValues {
  std::int32_t cpu_usage = 0;
  std::int64_t received = 0;
  std::int64_t sent = 0;
};

struct ItemContext {
  const Settings& settings;
  Clock& clock;
  const Locale& locale;
  const std::string& saved_title;
  const MemoryStatus& memory;
  const PerfValues& perf;
  BatteryProbe& battery;
  const std::array<std::string, 3>& free_resources;  // System, GDI, User
  const ConnectionFigures& connection;
  DialupLinks& links;
};

// Appends one item's text (leading text, value, trailing text) to the line.
using ItemFormatter = void (*)(std::string& line, const ItemContext& context);

}  // namespace quillenta
