#include "watch/time_watch.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace quillenta {
namespace {

using testing::FakeClock;
using testing::FakeFileChooser;
using testing::FakeLauncher;

constexpr std::int64_t kMinute = 60 * 1000;
constexpr std::int64_t kHour = 60 * kMinute;

class TimeWatchTest : public ::testing::Test {
 protected:
  void At(int hour, int minute, int second) {
    clock.now.hour = hour;
    clock.now.minute = minute;
    clock.now.second = second;
  }

  FakeClock clock;
  Settings settings;
  ConnectionFigures figures;
  FakeLauncher launcher;
  TimeWatch watch{clock, settings, figures, launcher};
};

TEST(TimeWatchTexts, ClockAndDurations) {
  struct ClockCase {
    int hour, minute;
    const char* text;
  } clock_cases[] = {{9, 5, "905"}, {21, 30, "2130"}, {0, 0, "000"}, {23, 59, "2359"}};
  for (const ClockCase& c : clock_cases) {
    LocalDateTime now;
    now.hour = c.hour;
    now.minute = c.minute;
    EXPECT_EQ(TimeWatch::ClockWatchText(now), c.text);
  }
  struct DurationCase {
    std::int64_t ms;
    const char* text;
  } duration_cases[] = {
      {150 * kHour + 5 * kMinute, "15005"},
      {5 * kMinute, "005"},
      {0, "000"},
      {5 * kMinute - 1, "004"},
      {24 * kHour, "2400"},
  };
  for (const DurationCase& c : duration_cases) {
    EXPECT_EQ(TimeWatch::DurationWatchText(c.ms), c.text) << c.ms;
  }
}

TEST_F(TimeWatchTest, ClockWatchFiresOncePerMatchingMinute) {
  settings.SetFlag(FlagKey::b77, true);
  settings.SetText(TextKey::s89, "2130");
  settings.SetText(TextKey::s92, "/usr/bin/alarm");
  At(21, 29, 59);
  watch.CheckTimeWatches();
  EXPECT_TRUE(launcher.opened.empty());
  for (int second = 0; second < 60; ++second) {
    At(21, 30, second);
    watch.CheckTimeWatches();
  }
  EXPECT_EQ(launcher.opened, std::vector<std::string>{"/usr/bin/alarm"});
  At(21, 31, 0);
  watch.CheckTimeWatches();
  clock.now.day += 1;
  At(21, 30, 0);
  watch.CheckTimeWatches();
  watch.CheckTimeWatches();
  EXPECT_EQ(launcher.opened.size(), 2u);
}

// The wall clock as time servers, summer time and a suspended machine move it: each case is
// a run of checks at the given dates and times, with the starts expected after all of them.
TEST_F(TimeWatchTest, ClockWatchFiresOncePerMinuteOfEachDate) {
  struct Step {
    int day, hour, minute, second;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    std::size_t starts;
  } cases[] = {
      {"stepped back 4 s inside the minute", {{9, 3, 0, 2}, {9, 2, 59, 58}, {9, 3, 0, 0}}, 1},
      {"back an hour and forward again", {{9, 3, 0, 1}, {9, 2, 0, 30}, {9, 3, 0, 40}}, 1},
      {"the hour repeated at the end of summer time", {{9, 3, 0, 0}, {9, 3, 1, 0}, {9, 3, 0, 0}}, 1},
      {"a day forward into the minute", {{9, 3, 0, 10}, {10, 3, 0, 20}}, 2},
      {"a jump over the minute", {{9, 2, 59, 50}, {9, 3, 1, 0}}, 0},
      {"back across midnight", {{10, 0, 0, 1}, {9, 23, 59, 57}, {10, 0, 0, 0}}, 1},
  };
  settings.SetFlag(FlagKey::b77, true);
  settings.SetText(TextKey::s92, "/usr/bin/alarm");
  for (const Case& c : cases) {
    TimeWatch fresh{clock, settings, figures, launcher};
    launcher.opened.clear();
    settings.SetText(TextKey::s89, c.steps.front().hour == 0 ? "000" : "300");
    for (const Step& step : c.steps) {
      clock.now.day = step.day;
      At(step.hour, step.minute, step.second);
      fresh.CheckTimeWatches();
    }
    EXPECT_EQ(launcher.opened.size(), c.starts) << c.name;
  }
}

TEST_F(TimeWatchTest, SwitchedOnDuringAMatch) {
  settings.SetText(TextKey::s89, "905");
  At(9, 5, 10);
  watch.CheckTimeWatches();
  EXPECT_TRUE(launcher.opened.empty());
  settings.SetFlag(FlagKey::b77, true);
  watch.CheckTimeWatches();
  EXPECT_EQ(launcher.opened.size(), 1u);

  // Switched off, the flag is left alone: no second start in the same minute.
  settings.SetFlag(FlagKey::b77, false);
  watch.CheckTimeWatches();
  settings.SetFlag(FlagKey::b77, true);
  watch.CheckTimeWatches();
  EXPECT_EQ(launcher.opened.size(), 1u);
}

TEST_F(TimeWatchTest, TargetsThatNeverMatch) {
  settings.SetFlag(FlagKey::b77, true);
  At(9, 5, 0);
  for (const char* target : {"", "0905", "905 ", " 905"}) {
    settings.SetText(TextKey::s89, target);
    watch.CheckTimeWatches();
  }
  EXPECT_TRUE(launcher.opened.empty());
}

TEST_F(TimeWatchTest, DurationWatches) {
  settings.SetFlag(FlagKey::b78, true);
  settings.SetFlag(FlagKey::b79, true);
  settings.SetText(TextKey::s90, "15005");
  settings.SetText(TextKey::s91, "005");
  settings.SetText(TextKey::s93, "continuous");
  settings.SetText(TextKey::s94, "cumulative");
  figures.continuous_ms = 150 * kHour + 4 * kMinute;
  figures.cumulative_ms = 4 * kMinute;
  watch.CheckTimeWatches();
  EXPECT_TRUE(launcher.opened.empty());
  figures.continuous_ms += kMinute;
  figures.cumulative_ms += kMinute;
  watch.CheckTimeWatches();
  EXPECT_EQ(launcher.opened, (std::vector<std::string>{"continuous", "cumulative"}));
}

TEST_F(TimeWatchTest, FrozenContinuousTimeDoesNotRefire) {
  settings.SetFlag(FlagKey::b78, true);
  settings.SetText(TextKey::s90, "010");
  figures.continuous_ms = 10 * kMinute;
  watch.CheckTimeWatches();
  // The connection ends; its length stays frozen at the target for many checks.
  for (int i = 0; i < 100; ++i) watch.CheckTimeWatches();
  EXPECT_EQ(launcher.opened.size(), 1u);
  // A new connection moves the value away and back.
  figures.continuous_ms = 0;
  watch.CheckTimeWatches();
  figures.continuous_ms = 10 * kMinute;
  watch.CheckTimeWatches();
  EXPECT_EQ(launcher.opened.size(), 2u);
}

TEST_F(TimeWatchTest, TestButtonSuppressesPendingMatch) {
  settings.SetFlag(FlagKey::b77, true);
  settings.SetText(TextKey::s89, "1200");
  settings.SetText(TextKey::s92, "/bin/prog");
  At(12, 0, 0);
  watch.LaunchWatchProgram(1);
  EXPECT_TRUE(watch.Fired(1));
  watch.CheckTimeWatches();
  EXPECT_EQ(launcher.opened.size(), 1u);
  watch.LaunchWatchProgram(0);
  watch.LaunchWatchProgram(4);
  EXPECT_EQ(launcher.opened.size(), 1u);
}

TEST_F(TimeWatchTest, ZeroTargetFiresAtStartUp) {
  settings.SetFlag(FlagKey::b78, true);
  settings.SetText(TextKey::s90, "000");
  watch.CheckTimeWatches();
  EXPECT_EQ(launcher.opened.size(), 1u);
  EXPECT_TRUE(watch.Fired(2));
  EXPECT_FALSE(watch.Fired(1));
}

TEST_F(TimeWatchTest, BrowseSetsOrKeepsThePath) {
  FakeFileChooser chooser;
  settings.SetText(TextKey::s93, "/old");
  watch.BrowseWatchProgram(2, chooser);
  EXPECT_EQ(settings.Text(TextKey::s93), "/old");
  chooser.answer = "/home/u/new prog";
  watch.BrowseWatchProgram(2, chooser);
  EXPECT_EQ(settings.Text(TextKey::s93), "/home/u/new prog");
  EXPECT_EQ(settings.Text(TextKey::s92), "");
  EXPECT_EQ(settings.Text(TextKey::s94), "");
}

}  // namespace
}  // namespace quillenta
