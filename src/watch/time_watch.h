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
  // A watched minute of one calendar date. The wall clock may step back (a time server's
  // correction, the hour repeated at the end of summer time) or jump forward into the
  // minute, so "the text has differed in between" cannot tell a new match from the same
  // one seen twice: the clock watch remembers which minute of which date it fired for.
  struct ClockMinute {
    int year = 0, month = 0, day = 0;
    std::string text;
    bool operator==(const ClockMinute&) const = default;
  };
  static ClockMinute MinuteOf(const LocalDateTime& now);

  Clock& clock_;
  Settings& settings_;
  const ConnectionFigures& figures_;
  Launcher& launcher_;
  std::array<int, 3> fired_{};
  ClockMinute clock_fired_;
};

}  // namespace quillenta
