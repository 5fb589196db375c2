#include "accounting/accounting.h"

#include <gtest/gtest.h>

#include "fakes.h"
#include "platform/error.h"

namespace quillenta {
namespace {

using testing::FakeClock;
using testing::FakeDialupLinks;

constexpr std::int64_t kMinute = 60 * 1000;
constexpr std::int64_t kHour = 60 * kMinute;
constexpr std::int64_t kDay = 24 * kHour;

class RecordingWriter : public TotalsWriter {
 public:
  std::vector<std::pair<std::string, PersistedTotals>> writes;
  bool fail = false;
  void WriteConnectionTotals(const std::string& line, const PersistedTotals& totals) override {
    if (fail) throw Error("/x/quillenta.INI に書き込めません");
    writes.emplace_back(line, totals);
  }
};

class AccountingTest : public ::testing::Test {
 protected:
  // One composing tick: the sample that precedes it, then the accounting step.
  void Tick(int count, std::int64_t received, std::int64_t sent, std::int64_t advance_ms = 200) {
    clock.Advance(advance_ms);
    links.SetConnected(count);
    perf.received = received;
    perf.sent = sent;
    accounting.UpdateConnectionAccounting();
  }
  const ConnectionFigures& F() const { return accounting.Figures(); }

  FakeClock clock;
  FakeDialupLinks links;
  PerfValues perf;
  Settings settings;
  Accounting accounting{clock, links, perf, settings};
};

TEST_F(AccountingTest, WorkedTrafficExample) {
  accounting.LoadConnectionTotals({0, 1000, 500});
  Tick(0, 0, 0);
  EXPECT_FALSE(accounting.Connected());
  EXPECT_EQ(F().connection_received, 0);
  EXPECT_EQ(F().cumulative_received, 1000);

  Tick(1, 0, 0);  // begins
  EXPECT_TRUE(accounting.Connected());
  EXPECT_EQ(F().cumulative_received, 1000);
  EXPECT_EQ(F().cumulative_sent, 500);

  Tick(1, 20000, 3000);
  EXPECT_EQ(F().connection_received, 20000);
  EXPECT_EQ(F().connection_sent, 3000);
  EXPECT_EQ(F().cumulative_received, 21000);
  EXPECT_EQ(F().cumulative_sent, 3500);

  Tick(0, 0, 0);  // link down, counters gone
  EXPECT_FALSE(accounting.Connected());
  Tick(0, 0, 0);
  EXPECT_EQ(F().connection_received, 20000);
  EXPECT_EQ(F().connection_sent, 3000);
  EXPECT_EQ(F().cumulative_received, 21000);

  Tick(1, 0, 0);  // next connection: the last one's traffic moves into the stored totals
  EXPECT_EQ(F().connection_received, 0);
  EXPECT_EQ(F().connection_sent, 0);
  EXPECT_EQ(accounting.TotalsForSave().received, 21000);
  EXPECT_EQ(accounting.TotalsForSave().sent, 3500);
  Tick(1, 700, 70);
  EXPECT_EQ(F().cumulative_received, 21700);
  EXPECT_EQ(F().cumulative_sent, 3570);
}

TEST_F(AccountingTest, NinetyMinutesShownPerSwitch) {
  accounting.LoadConnectionTotals({36000, 0, 0});  // one hour already
  Tick(1, 0, 0);
  Tick(1, 0, 0, 90 * kMinute);
  EXPECT_EQ(F().shown_ms, 90 * kMinute);  // 0.0625 days
  EXPECT_EQ(F().continuous_ms, 90 * kMinute);
  EXPECT_EQ(F().cumulative_ms, kHour + 90 * kMinute);

  settings.SetFlag(FlagKey::b70, true);
  Tick(1, 0, 0, 0);
  EXPECT_EQ(F().shown_ms, kHour + 90 * kMinute);
}

TEST_F(AccountingTest, SecondConnectionAfterPause) {
  Tick(1, 0, 0);
  Tick(1, 0, 0, 10 * kMinute);
  Tick(0, 0, 0, kMinute);  // seen down here: this tick's time still counts
  EXPECT_EQ(F().continuous_ms, 11 * kMinute);
  Tick(0, 0, 0, kHour);  // the pause
  EXPECT_EQ(F().continuous_ms, 11 * kMinute);
  EXPECT_EQ(F().cumulative_ms, 11 * kMinute);

  Tick(1, 0, 0);
  EXPECT_EQ(F().continuous_ms, 0);
  EXPECT_EQ(F().shown_ms, 0);
  Tick(1, 0, 0, 5 * kMinute);
  EXPECT_EQ(F().continuous_ms, 5 * kMinute);
  EXPECT_EQ(F().cumulative_ms, 16 * kMinute);
}

TEST_F(AccountingTest, ConnectionUpAtStartCountsFromFirstTick) {
  accounting.LoadConnectionTotals({0, 100, 10});
  // The link has carried traffic before the program started.
  Tick(1, 50000, 6000);
  EXPECT_TRUE(accounting.Connected());
  EXPECT_EQ(F().connection_received, 0);
  EXPECT_EQ(F().cumulative_received, 100);
  Tick(1, 50500, 6100, kMinute);
  EXPECT_EQ(F().connection_received, 500);
  EXPECT_EQ(F().connection_sent, 100);
  EXPECT_EQ(F().cumulative_received, 600);
  EXPECT_EQ(F().continuous_ms, kMinute);
}

TEST_F(AccountingTest, BeginAndEndOnOneTick) {
  links.counts = {1, 0};  // seen at the first count, gone at the second
  clock.Advance(200);
  accounting.UpdateConnectionAccounting();
  EXPECT_FALSE(accounting.Connected());
  EXPECT_EQ(links.count_calls, 2);
  EXPECT_EQ(F().continuous_ms, 0);
}

TEST_F(AccountingTest, ResetsWhileConnectedAndNot) {
  accounting.LoadConnectionTotals({864000, 5000, 4000});
  Tick(1, 100, 10);
  Tick(1, 900, 90, kHour);
  ASSERT_EQ(F().cumulative_ms, kDay + kHour);

  accounting.ResetTraffic();
  EXPECT_EQ(F().connection_received, 0);
  EXPECT_EQ(F().cumulative_received, 0);
  EXPECT_EQ(F().cumulative_sent, 0);
  Tick(1, 1000, 100);
  EXPECT_EQ(F().connection_received, 100);
  EXPECT_EQ(F().cumulative_received, 100);
  EXPECT_EQ(F().cumulative_sent, 10);

  accounting.ResetConnectionTime();
  EXPECT_EQ(F().cumulative_ms, 0);
  Tick(1, 1000, 100, kMinute);
  EXPECT_EQ(F().continuous_ms, kMinute);
  EXPECT_EQ(F().cumulative_ms, kMinute);

  // Not connected: both stay at 0 until a connection begins.
  Tick(0, 0, 0);
  settings.SetFlag(FlagKey::b70, true);
  accounting.ResetConnectionTime();
  accounting.ResetTraffic();
  Tick(0, 0, 0, kHour);
  EXPECT_EQ(F().shown_ms, 0);
  EXPECT_EQ(F().cumulative_ms, 0);
  EXPECT_EQ(F().cumulative_received, 0);
  settings.SetFlag(FlagKey::b70, false);
  Tick(0, 0, 0, kHour);
  EXPECT_EQ(F().shown_ms, 0);
  Tick(1, 0, 0);
  Tick(1, 0, 0, kMinute);
  EXPECT_EQ(F().shown_ms, kMinute);
}

TEST(AccountingTenths, RoundTripAndTies) {
  struct Case {
    std::int64_t ms;
    std::int64_t tenths;
  } cases[] = {
      {kDay, 864000}, {150, 2}, {250, 2}, {350, 4}, {149, 1}, {151, 2}, {0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Accounting::MsToTenths(c.ms), c.tenths) << c.ms;
  EXPECT_EQ(Accounting::TenthsToMs(864000), kDay);
  EXPECT_EQ(Accounting::TenthsToMs(-5), 0);
}

TEST_F(AccountingTest, LoadAndSaveTotals) {
  accounting.LoadConnectionTotals({864000, 7, 8});
  EXPECT_EQ(F().cumulative_ms, kDay);
  PersistedTotals totals = accounting.TotalsForSave();
  EXPECT_EQ(totals.tenths, 864000);
  EXPECT_EQ(totals.received, 7);
  EXPECT_EQ(totals.sent, 8);
}

TEST_F(AccountingTest, PeriodicSaveOnlyWhileConnected) {
  RecordingWriter writer;
  settings.SetFlag(FlagKey::b76, true);
  accounting.LoadConnectionTotals({10, 1, 2});
  accounting.SaveConnectionTotals(writer, "line");
  EXPECT_TRUE(writer.writes.empty());

  Tick(1, 0, 0);
  Tick(1, 300, 30, 1050);
  accounting.SaveConnectionTotals(writer, "受:300byte");
  ASSERT_EQ(writer.writes.size(), 1u);
  EXPECT_EQ(writer.writes[0].first, "受:300byte");
  EXPECT_EQ(writer.writes[0].second.tenths, 10 + 10);  // 1.05 s: the tie goes to the even 10
  EXPECT_EQ(writer.writes[0].second.received, 301);
  EXPECT_EQ(writer.writes[0].second.sent, 32);

  writer.fail = true;
  EXPECT_THROW(accounting.SaveConnectionTotals(writer, "x"), Error);

  Tick(0, 0, 0);
  writer.fail = false;
  accounting.SaveConnectionTotals(writer, "line");
  EXPECT_EQ(writer.writes.size(), 1u);
}

TEST_F(AccountingTest, TotalsPastFourGibStayPositive) {
  constexpr std::int64_t kGib = std::int64_t{1} << 30;
  accounting.LoadConnectionTotals({0, 3 * kGib, 0});
  Tick(1, 0, 0);
  Tick(1, 2 * kGib, 5 * kGib);
  EXPECT_EQ(F().connection_received, 2 * kGib);
  EXPECT_EQ(F().cumulative_received, 5 * kGib);
  EXPECT_EQ(F().cumulative_sent, 5 * kGib);
  Tick(0, 0, 0);
  Tick(1, 0, 0);
  EXPECT_EQ(accounting.TotalsForSave().received, 5 * kGib);
  EXPECT_EQ(accounting.TotalsForSave().sent, 5 * kGib);
}

TEST_F(AccountingTest, NegativeTotalsFromThirtyTwoBitFilesAreUnwrapped) {
  // 3 GiB written by a 32-bit accounting.
  accounting.LoadConnectionTotals({-1, -1073741824, INT64_C(-5000000000)});
  EXPECT_EQ(F().cumulative_received, INT64_C(3221225472));
  EXPECT_EQ(F().cumulative_sent, 0);
  EXPECT_EQ(F().cumulative_ms, 0);
}

TEST_F(AccountingTest, CounterDropNeverGivesNegativeTraffic) {
  Tick(1, 1000, 1000);
  Tick(1, 5000, 3000);  // two links: 4000 and 2000 so far
  Tick(1, 1200, 2500);  // one of them went away
  EXPECT_EQ(F().connection_received, 4000);
  EXPECT_EQ(F().connection_sent, 2000);
  Tick(1, 1300, 2600);  // the other carries on
  EXPECT_EQ(F().connection_received, 4100);
  EXPECT_EQ(F().connection_sent, 2100);
}

TEST_F(AccountingTest, UnreadableSampleIsNotADrop) {
  Tick(1, 0, 0);
  Tick(1, 20000, 3000);
  Tick(1, 4, 4);  // the sample could not read the counters
  EXPECT_EQ(F().connection_received, 20000);
  Tick(1, 20100, 3010);
  EXPECT_EQ(F().connection_received, 20100);
  EXPECT_EQ(F().connection_sent, 3010);
}

}  // namespace
}  // namespace quillenta
