#pragma once
#include <array>
#include <string>

#include "items/connection_figures.h"
#include "platform/clock.h"
#include "platform/launcher.h"
#include "settings/settings.h"
#include "watch/file_chooser.h"

namespace quillenta {

// Starts up to three programs when the clock, the continuous or the cumulative connection
// time reaches the value the user typed. Each watch starts its program once per match and
// again only after its value has differed from the target in between.
class TimeWatch {
 public:
  TimeWatch(Clock& clock, Settings& settings, const ConnectionFigures& figures, Launcher& launcher);

  void CheckTimeWatches();                               // every second
  void LaunchWatchProgram(int n);                        // n = 1..3; also the "試す" buttons
  void BrowseWatchProgram(int n, FileChooser& chooser);  // the "参照" buttons

  // The texts the targets are compared with: the wall clock as "hnn" (905 at 9:05), a
  // duration as its whole hours followed by two-digit minutes (15005 for 150 h 5 min).
  static std::string ClockWatchText(const LocalDateTime& now);
  static std::string DurationWatchText(std::int64_t ms);

  bool Fired(int n) const { return n >= 1 && n <= 3 && fired_[n - 1] != 0; }

 private:
  Clock& clock_;
  Settings& settings_;
  const ConnectionFigures& figures_;
  Launcher& launcher_;
  std::array<int, 3> fired_{};
};

}  // namespace quillenta
