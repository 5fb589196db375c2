#pragma once
#include <string>

#include "items/connection_figures.h"
#include "items/item_context.h"
#include "platform/clock.h"
#include "platform/system_probes.h"
#include "settings/connection_totals.h"
#include "settings/settings.h"

namespace quillenta {

// Dial-up connection time and traffic, current and cumulative.
//
// Time is measured on the monotonic clock, so setting the wall clock during a connection
// changes no duration. Traffic is 64-bit and never negative: a counter that drops below the
// value it last had (one of two links went away, or a link came back with fresh counters
// between two ticks) keeps the traffic counted so far and counts on from the new value.
class Accounting {
 public:
  Accounting(Clock& clock, DialupLinks& links, const PerfValues& perf, const Settings& settings);

  // i30 in tenths of a second, i31 and i33 in bytes.
  void LoadConnectionTotals(const PersistedTotals& totals);
  // One step of every composing tick.
  void UpdateConnectionAccounting();
  // Does nothing while not connected. Errors of the writer propagate.
  void SaveConnectionTotals(TotalsWriter& writer, const std::string& line);
  void ResetConnectionTime();
  void ResetTraffic();

  // What SaveSettings and SaveConnectionTotals write.
  PersistedTotals TotalsForSave() const;
  bool Connected() const { return connected_; }
  const ConnectionFigures& Figures() const { return figures_; }

  // i30 <-> milliseconds; a save rounds to the nearest tenth, ties to even.
  static std::int64_t TenthsToMs(std::int64_t tenths);
  static std::int64_t MsToTenths(std::int64_t ms);

 private:
  // One direction of traffic: the counter it is measured from and what it has counted.
  struct Traffic {
    std::int64_t stored = 0;      // all earlier connections
    std::int64_t baseline = 0;    // counter at the connection's start or the last reset
    std::int64_t last = 0;        // counter at the last update, to notice a drop
    std::int64_t connection = 0;  // counter - baseline

    void Restart(std::int64_t counter);
    void Update(std::int64_t counter);
  };

  void Publish();

  Clock& clock_;
  DialupLinks& links_;
  const PerfValues& perf_;
  const Settings& settings_;
  bool connected_ = false;

  std::int64_t cumulative_ms_ = 0;
  std::int64_t connection_start_ = 0;
  std::int64_t cumulative_origin_ = 0;
  std::int64_t last_connected_ = 0;
  std::int64_t shown_ms_ = 0;
  Traffic received_;
  Traffic sent_;

  ConnectionFigures figures_;
};

}  // namespace quillenta
