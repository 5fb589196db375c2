#include "watch/time_watch.h"

#include "items/number_format.h"

namespace quillenta {

namespace {

struct WatchKeys {
  FlagKey on;
  TextKey target;
  TextKey program;
};

constexpr std::array<WatchKeys, 3> kWatches = {{
    {FlagKey::b77, TextKey::s89, TextKey::s92},
    {FlagKey::b78, TextKey::s90, TextKey::s93},
    {FlagKey::b79, TextKey::s91, TextKey::s94},
}};

bool ValidWatch(int n) { return n >= 1 && n <= static_cast<int>(kWatches.size()); }

}  // namespace

TimeWatch::TimeWatch(Clock& clock, Settings& settings, const ConnectionFigures& figures,
                     Launcher& launcher)
    : clock_(clock), settings_(settings), figures_(figures), launcher_(launcher) {}

std::string TimeWatch::ClockWatchText(const LocalDateTime& now) {
  std::string text;
  AppendClockField(text, now.hour, false);
  AppendClockField(text, now.minute, true);
  return text;
}

std::string TimeWatch::DurationWatchText(std::int64_t ms) {
  ClockParts parts = SplitDuration(ms);
  std::string text;
  AppendClockField(text, parts.whole_hours, false);
  AppendClockField(text, parts.minute, true);
  return text;
}

TimeWatch::ClockMinute TimeWatch::MinuteOf(const LocalDateTime& now) {
  return {now.year, now.month, now.day, ClockWatchText(now)};
}

void TimeWatch::CheckTimeWatches() {
  for (int n = 1; n <= static_cast<int>(kWatches.size()); ++n) {
    const WatchKeys& keys = kWatches[n - 1];
    if (!settings_.Flag(keys.on)) continue;
    if (n == 1) {
      ClockMinute minute = MinuteOf(clock_.Now());
      if (minute.text != settings_.Text(keys.target)) {
        fired_[0] = 0;
      } else if (minute != clock_fired_) {
        LaunchWatchProgram(1);
        clock_fired_ = std::move(minute);  // the minute compared, not one the clock moved on to
      }
      continue;
    }
    std::string text =
        DurationWatchText(n == 2 ? figures_.continuous_ms : figures_.cumulative_ms);
    if (text != settings_.Text(keys.target)) {
      fired_[n - 1] = 0;
    } else if (fired_[n - 1] == 0) {
      LaunchWatchProgram(n);
    }
  }
}

void TimeWatch::LaunchWatchProgram(int n) {
  if (!ValidWatch(n)) return;
  // Set before the start so that a program that fails to start is not retried every second.
  fired_[n - 1] = 1;
  if (n == 1) clock_fired_ = MinuteOf(clock_.Now());
  launcher_.Open(settings_.Text(kWatches[n - 1].program));
}

void TimeWatch::BrowseWatchProgram(int n, FileChooser& chooser) {
  if (!ValidWatch(n)) return;
  if (std::optional<std::string> path = chooser.ChooseFile()) {
    settings_.SetText(kWatches[n - 1].program, std::move(*path));
  }
}

}  // namespace quillenta
