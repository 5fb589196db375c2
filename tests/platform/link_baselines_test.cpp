#include "platform/link_baselines.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillenta {
namespace {

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

// One sample: the links counted at that moment, and the totals expected after it.
struct Step {
  std::vector<LinkSample> counted;
  std::int64_t received;
  std::int64_t sent;
  std::size_t count;
};

struct Case {
  const char* name;
  std::vector<Step> steps;
};

TEST(LinkBaselines, CountsOnlyWhatPassedWhileCounted) {
  const std::vector<Case> cases = {
      {"a link that joins with 2 GB on its counters adds nothing",
       {{{}, 0, 0, 0},
        {{{"wlan0", 4, 2 * kGiB, kGiB}}, 0, 0, 1},
        {{{"wlan0", 4, 2 * kGiB + 700, kGiB + 50}}, 700, 50, 1}}},
      {"one of two links leaves: nothing drops, the other counts on",
       {{{{"ppp0", 1, 100, 10}, {"wwan0", 2, 5000, 500}}, 0, 0, 2},
        {{{"ppp0", 1, 300, 30}, {"wwan0", 2, 6000, 600}}, 1200, 120, 2},
        {{{"wwan0", 2, 6500, 650}}, 1700, 170, 1},
        {{}, 1700, 170, 0}}},
      {"an interface made anew with counters at 0 makes no jump",
       {{{{"wwan0", 7, 9000, 900}}, 0, 0, 1},
        {{{"wwan0", 7, 9100, 910}}, 100, 10, 1},
        {{{"wwan0", 8, 0, 0}}, 100, 10, 1},
        {{{"wwan0", 8, 40, 4}}, 140, 14, 1}}},
      {"counters that fall on the same instance start anew, never go back",
       {{{{"ppp0", 3, 1000, 100}}, 0, 0, 1},
        {{{"ppp0", 3, 1500, 150}}, 500, 50, 1},
        {{{"ppp0", 3, 20, 2}}, 500, 50, 1},
        {{{"ppp0", 3, 120, 12}}, 600, 60, 1}}},
      {"a link that leaves and comes back is measured from its return",
       {{{{"wlan0", 1, 100, 100}}, 0, 0, 1},
        {{{"wlan0", 1, 200, 200}}, 100, 100, 1},
        {{}, 100, 100, 0},
        {{{"wlan0", 1, 5000, 5000}}, 100, 100, 1},
        {{{"wlan0", 1, 5001, 5002}}, 101, 102, 1}}},
      {"several links count as that many; a repeated id counts once",
       {{{{"a", 1, 0, 0}, {"b", 1, 0, 0}, {"c", 1, 0, 0}, {"a", 9, 77, 77}}, 0, 0, 3},
        {{{"a", 1, 1, 2}, {"b", 1, 10, 20}, {"c", 1, 100, 200}}, 111, 222, 3}}},
      {"totals stop at the largest signed 64-bit figure",
       {{{{"x", 1, 0, 0}}, 0, 0, 1},
        {{{"x", 1, ~std::uint64_t{0}, 5}}, INT64_MAX, 5, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkBaselines baselines;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      SCOPED_TRACE("step " + std::to_string(i));
      const Step& step = c.steps[i];
      LinkCounters totals = baselines.Update(step.counted);
      EXPECT_EQ(totals.received, step.received);
      EXPECT_EQ(totals.sent, step.sent);
      EXPECT_EQ(baselines.Count(), step.count);
      EXPECT_EQ(baselines.Totals().received, step.received);
    }
  }
}

}  // namespace
}  // namespace quillenta
