#pragma once
// Everything a display item reads, at the moment it runs.
#include <array>
#include <cstdint>
#include <string>

#include "items/connection_figures.h"
#include "platform/clock.h"
#include "platform/locale.h"
#include "platform/system_probes.h"
#include "probes/perf_values.h"
#include "settings/settings.h"

namespace quillenta {

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
