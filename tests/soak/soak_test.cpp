// A simulated day of the whole program: the focus moves every few seconds, windows open,
// close and change their own titles, a dial-up link comes and goes, every item is in the line.
#include <gtest/gtest.h>
#include <malloc.h>

#include <random>

#include "fake_platform.h"
#include "program/program_core.h"

namespace quillenta {
namespace {

using namespace quillenta::testing;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHeapIsMeasurable = false;
#else
constexpr bool kHeapIsMeasurable = true;
#endif

constexpr std::int64_t kTicksPerHour = 36'000;  // 100 ms ticks

Platform MakeSoakPlatform(Fakes& fakes) {
  Platform platform = MakeFakePlatform(fakes);
  fakes.memory->status = {16LL << 30, 9LL << 30, 128LL << 40, 127LL << 40, 2LL << 30, 1LL << 30};
  return platform;
}

// Wall time from seconds since Tuesday 2026-12-08 00:00:00, rolling over days.
LocalDateTime WallTime(std::int64_t ms) {
  std::int64_t seconds = ms / 1000;
  std::int64_t days = seconds / 86'400;
  return LocalDateTime{2026,
                       12,
                       static_cast<int>(8 + days),
                       static_cast<int>((2 + days) % 7),
                       static_cast<int>(seconds / 3600 % 24),
                       static_cast<int>(seconds / 60 % 60),
                       static_cast<int>(seconds % 60),
                       static_cast<int>(ms % 1000)};
}

std::size_t HeapInUse() { return mallinfo2().uordblks; }

TEST(Soak, ADayOfTicksKeepsTitlesTotalsAndHeapSound) {
  Fakes fakes{};
  RecordingErrorReport errors;
  ProgramCore core(MakeSoakPlatform(fakes), errors);
  core.Start();
  core.LoadConnectionTotals();

  std::mt19937 random(20261208);
  auto chance = [&random](int one_in) { return random() % one_in == 0; };
  std::map<WindowId, std::string> own;  // each window's own title, as its owner set it
  int next_name = 0;
  auto open_window = [&] {
    std::string title = "window " + std::to_string(next_name++) + " - エディタ";
    own[fakes.windows->Open(title)] = title;
  };
  for (int i = 0; i < 6; ++i) open_window();

  std::int64_t moved_received = 0;
  std::int64_t moved_sent = 0;
  enum class Link { kDown, kUpIdle, kMoving, kDraining } link = Link::kDown;
  std::int64_t link_phase_left = 3000;
  std::int64_t next_focus = 0;
  std::size_t heap_at_hour_1 = 0;

  for (std::int64_t tick = 0; tick < 24 * kTicksPerHour; ++tick) {
    fakes.clock->Advance(100);
    fakes.clock->now = WallTime(tick * 100);

    if (--link_phase_left <= 0) {
      switch (link) {
        case Link::kDown:
          link = Link::kUpIdle, link_phase_left = 10;
          fakes.links->SetConnected(1);
          break;
        case Link::kUpIdle:
          link = Link::kMoving, link_phase_left = 600 + random() % 6000;
          break;
        case Link::kMoving:
          link = Link::kDraining, link_phase_left = 10;
          break;
        case Link::kDraining:
          link = Link::kDown, link_phase_left = 600 + random() % 3000;
          fakes.links->SetConnected(0);
          fakes.links->counters = LinkCounters{};
          break;
      }
    }
    if (link == Link::kMoving) {
      std::int64_t rx = random() % 40'000;
      std::int64_t tx = random() % 8'000;
      fakes.links->counters->received += rx;
      fakes.links->counters->sent += tx;
      moved_received += rx;
      moved_sent += tx;
    }

    if (tick >= next_focus) {
      next_focus = tick + 20 + random() % 60;
      if (own.size() > 3 && chance(4)) {
        auto victim = std::next(own.begin(), random() % own.size());
        fakes.windows->Close(victim->first);
        own.erase(victim);
      }
      if (own.size() < 20 && chance(3)) open_window();
      auto focus = std::next(own.begin(), random() % own.size());
      fakes.windows->Focus(focus->first);
    }
    if (chance(500)) {
      auto renamed = std::next(own.begin(), random() % own.size());
      renamed->second = "renamed " + std::to_string(tick);
      fakes.windows->Retitle(renamed->first, renamed->second);
    }

    core.Timer1Timer();
    if (tick % 10 == 0) core.Timer3Timer();
    if (tick % 180 == 0 && core.settings().Flag(FlagKey::b76)) core.Timer2Timer();
    fakes.windows->writes.clear();

    for (const auto& [window, title] : own) {
      if (window == core.engine().Target()) continue;
      ASSERT_EQ(fakes.windows->TitleOf(window), title) << "window lost the focus at tick " << tick;
    }
    if (tick == kTicksPerHour) heap_at_hour_1 = HeapInUse();
  }

  // Only the two draining seconds are left out by design: nothing moves in them.
  const ConnectionFigures& figures = core.accounting().Figures();
  EXPECT_EQ(figures.cumulative_received, moved_received);
  EXPECT_EQ(figures.cumulative_sent, moved_sent);
  EXPECT_GT(moved_received, 4LL << 30) << "the day should move more than 4 GiB";
  EXPECT_TRUE(errors.messages.empty());

  if (kHeapIsMeasurable) {
    std::size_t heap_at_hour_24 = HeapInUse();
    // One byte lost per work tick would be 400 KB by now.
    EXPECT_LT(static_cast<long long>(heap_at_hour_24) - static_cast<long long>(heap_at_hour_1),
              64 * 1024)
        << "heap at hour 1: " << heap_at_hour_1 << ", at hour 24: " << heap_at_hour_24;
    std::printf("heap in use: hour 1 %zu bytes, hour 24 %zu bytes\n", heap_at_hour_1,
                heap_at_hour_24);
  }

  core.Stop();
  for (const auto& [window, title] : own) EXPECT_EQ(fakes.windows->TitleOf(window), title);
}

}  // namespace
}  // namespace quillenta
