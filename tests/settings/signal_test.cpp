#include "settings/signal.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace quillenta {
namespace {

TEST(Signal, ListeningEndsWithTheSubscription) {
  Signal<int> signal;
  std::vector<int> first, second;
  auto a = signal.Subscribe([&first](int v) { first.push_back(v); });
  {
    auto b = signal.Subscribe([&second](int v) { second.push_back(v); });
    signal.Emit(1);
  }
  signal.Emit(2);
  a.Reset();
  signal.Emit(3);
  EXPECT_EQ(first, (std::vector<int>{1, 2}));
  EXPECT_EQ(second, (std::vector<int>{1}));
}

TEST(Signal, ASubscriptionMayOutliveItsSignalAndEndAnotherMidEmission) {
  Signal<>::Subscription outliving;
  {
    Signal<> signal;
    outliving = signal.Subscribe([] {});
  }
  outliving.Reset();  // the signal is gone: nothing to do, nothing to crash

  Signal<> signal;
  int later_calls = 0;
  std::optional<Signal<>::Subscription> later;
  auto first = signal.Subscribe([&later] { later.reset(); });
  later = signal.Subscribe([&later_calls] { ++later_calls; });
  signal.Emit();
  EXPECT_EQ(later_calls, 0);
}

}  // namespace
}  // namespace quillenta
