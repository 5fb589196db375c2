#pragma once
#include <string>

#include "accounting/connection_figures.h"
#include "items/item_context.h"
#include "platform/clock.h"
#include "platform/system_probes.h"
#include "settings/settings.h"

namespace quillenta {

// Where the periodic save writes: the settings file (s00 unquoted, i30, i31, i33).
class TotalsWriter {
 public:
  virtual ~TotalsWriter() = default;
  // Throws quillenta::Error when the file cannot be written.
  virtual void WriteConnectionTotals(const std::string& line, const PersistedTotals& totals) = 0;
};

// Dial-up connection time and traffic, current and cumulative.
class Accounting {
 public:
  Accounting(Clock& clock, DialupLinks& links, const PerfValues& perf, const Settings& settings);

  void LoadConnectionTotals(const PersistedTotals& totals);
  void UpdateConnectionAccounting();
  // Does nothing while not connected.
  void SaveConnectionTotals(TotalsWriter& writer, const std::string& line);
  void ResetConnectionTime();
  void ResetTraffic();

  // What SaveSettings and SaveConnectionTotals write.
  PersistedTotals TotalsForSave() const;
  bool Connected() const { return connected_; }
  const ConnectionFigures& Figures() const { return figures_; }

 private:
  Clock& clock_;
  DialupLinks& links_;
  const PerfValues& perf_;
  const Settings& settings_;
  bool connected_ = false;
  ConnectionFigures figures_;
};

}  // namespace quillenta
