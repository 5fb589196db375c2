#pragma once
#include <array>

#include "accounting/connection_figures.h"
#include "platform/clock.h"
#include "platform/launcher.h"
#include "settings/settings.h"

namespace quillenta {

// Starts up to three programs when the clock, the continuous or the cumulative connection
// time reaches the value the user typed.
class TimeWatch {
 public:
  TimeWatch(Clock& clock, Settings& settings, const ConnectionFigures& figures, Launcher& launcher);

  void CheckTimeWatches();           // every second
  void LaunchWatchProgram(int n);    // n = 1..3; also the "試す" buttons
  void BrowseWatchProgram(int n, FileChooser& chooser);  // the "参照" buttons

 private:
  Clock& clock_;
  Settings& settings_;
  const ConnectionFigures& figures_;
  Launcher& launcher_;
  std::array<int, 3> fired_{};
};

}  // namespace quillenta
