#include "platform/win32/connection_links.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quillenta {
namespace {

constexpr std::uint32_t kEthernet = 6;
constexpr std::uint32_t kWifi = 71;
constexpr std::uint32_t kPpp = ConnectionLinks::kPppType;
constexpr std::uint64_t kTwoGb = std::uint64_t{2} << 30;

AdapterId Guid(std::uint8_t n) {
  AdapterId id{};
  id[0] = n;
  id[15] = 0xA5;
  return id;
}

// The world the links see; the test changes it between steps.
struct World {
  std::int64_t now = 10'000;
  int ras = 0;
  std::vector<InterfaceRow> rows;
  bool table_readable = true;
  bool costs_known = true;
  std::vector<AdapterId> metered;
  // Interfaces up that the network list does not show as connections.
  std::vector<AdapterId> unlisted;
  int table_reads = 0;
  int cost_reads = 0;
};

class FakeRas : public RemoteAccess {
 public:
  explicit FakeRas(World& world) : world_(world) {}
  int CountConnections() override { return world_.ras; }

 private:
  World& world_;
};

class FakeTable : public InterfaceTable {
 public:
  explicit FakeTable(World& world) : world_(world) {}
  bool Read(std::vector<InterfaceRow>* rows) override {
    ++world_.table_reads;
    if (!world_.table_readable) return false;
    rows->insert(rows->end(), world_.rows.begin(), world_.rows.end());
    return true;
  }

 private:
  World& world_;
};

class FakeCosts : public ConnectionCosts {
 public:
  explicit FakeCosts(World& world) : world_(world) {}
  // The network list shows a connection for each interface that is up.
  bool Connections(std::vector<NetworkAdapter>* adapters) override {
    ++world_.cost_reads;
    if (!world_.costs_known) return false;
    for (const InterfaceRow& row : world_.rows) {
      if (!row.up || row.filter || Has(world_.unlisted, row.guid)) continue;
      adapters->push_back(NetworkAdapter{row.guid, Has(world_.metered, row.guid)});
    }
    return true;
  }

 private:
  static bool Has(const std::vector<AdapterId>& ids, const AdapterId& id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
  }

 private:
  World& world_;
};

ConnectionLinks MakeLinks(World& world) {
  return ConnectionLinks([&world] { return world.now; }, std::make_unique<FakeRas>(world),
                         std::make_unique<FakeTable>(world), std::make_unique<FakeCosts>(world));
}

InterfaceRow Row(std::uint64_t luid, std::uint32_t type, std::uint8_t guid, bool up,
                 std::uint64_t received, std::uint64_t sent, std::uint32_t index = 0) {
  InterfaceRow row;
  row.luid = luid;
  row.index = index != 0 ? index : static_cast<std::uint32_t>(luid);
  row.guid = Guid(guid);
  row.type = type;
  row.up = up;
  row.received = received;
  row.sent = sent;
  return row;
}

// One step: the world as changed, then a second later one count and one sample.
struct Step {
  const char* what;
  int ras;
  std::vector<InterfaceRow> rows;
  std::vector<std::uint8_t> metered;
  int count;
  std::int64_t received;
  std::int64_t sent;
};

struct Case {
  const char* name;
  std::vector<Step> steps;
};

TEST(ConnectionLinks, CountsAndMeasures) {
  const InterfaceRow wifi_idle = Row(1, kWifi, 1, true, kTwoGb, kTwoGb);
  const InterfaceRow ethernet = Row(2, kEthernet, 2, true, 900, 900);
  const std::vector<Case> cases = {
      {"a Wi-Fi connection that becomes metered after 2 GB",
       {{"unmetered", 0, {wifi_idle, ethernet}, {}, 0, 0, 0},
        {"metered now", 0, {wifi_idle, ethernet}, {1}, 1, 0, 0},
        {"traffic", 0, {Row(1, kWifi, 1, true, kTwoGb + 500, kTwoGb + 50), ethernet}, {1}, 1,
         500, 50},
        {"unmetered again, more traffic", 0,
         {Row(1, kWifi, 1, true, kTwoGb + 9000, kTwoGb + 900), ethernet}, {}, 0, 500, 50}}},
      {"mobile broadband interfaces that are up",
       {{"both kinds up", 0,
         {Row(5, 243, 5, true, 100, 10), Row(6, 244, 6, true, 7, 7), ethernet}, {}, 2, 0, 0},
        {"traffic on both", 0,
         {Row(5, 243, 5, true, 300, 30), Row(6, 244, 6, true, 8, 9), ethernet}, {}, 2, 201, 22},
        {"one goes down: nothing drops", 0,
         {Row(5, 243, 5, false, 300, 30), Row(6, 244, 6, true, 10, 11), ethernet}, {}, 1, 203,
         24}}},
      {"a Remote Access connection over its PPP interface",
       {{"dialled, filter row beside", 1,
         {Row(9, kPpp, 9, true, 1000, 200), [] {
            InterfaceRow filter = Row(10, kPpp, 10, true, 1000, 200);
            filter.filter = true;
            return filter;
          }()},
         {}, 1, 0, 0},
        {"traffic", 1, {Row(9, kPpp, 9, true, 1500, 260)}, {}, 1, 500, 60},
        {"a PPP interface Windows calls metered is still one connection", 1,
         {Row(9, kPpp, 9, true, 1600, 270)}, {9}, 1, 600, 70},
        {"hung up", 0, {}, {}, 0, 600, 70}}},
      {"all three kinds at once, and changes",
       {{"RAS, WWAN, metered Ethernet", 1,
         {Row(9, kPpp, 9, true, 50, 5), Row(5, 243, 5, true, 60, 6), ethernet}, {2}, 3, 0, 0},
        {"traffic on each", 1,
         {Row(9, kPpp, 9, true, 51, 6), Row(5, 243, 5, true, 62, 7),
          Row(2, kEthernet, 2, true, 903, 901)},
         {2}, 3, 6, 3},
        {"the WWAN interface made anew, counters at 0; a WWAN also metered counts once", 1,
         {Row(9, kPpp, 9, true, 51, 6), Row(5, 243, 5, true, 0, 0, 77),
          Row(2, kEthernet, 2, true, 903, 901)},
         {2, 5}, 3, 6, 3},
        {"RAS gone, the others count on", 0,
         {Row(5, 243, 5, true, 10, 1, 77), Row(2, kEthernet, 2, true, 904, 901)}, {2}, 2, 17,
         4}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    World world;
    ConnectionLinks links = MakeLinks(world);
    for (const Step& step : c.steps) {
      SCOPED_TRACE(step.what);
      world.now += ConnectionLinks::kLookMs;
      world.ras = step.ras;
      world.rows = step.rows;
      world.metered.clear();
      for (std::uint8_t n : step.metered) world.metered.push_back(Guid(n));
      EXPECT_EQ(links.CountConnections(), step.count);
      std::optional<LinkCounters> counters = links.ReadByteCounters();
      ASSERT_TRUE(counters.has_value());
      EXPECT_EQ(counters->received, step.received);
      EXPECT_EQ(counters->sent, step.sent);
    }
  }
}

TEST(ConnectionLinks, CostsAndStatesAreLookedAtOnceASecond) {
  World world;
  world.rows = {Row(1, kWifi, 1, true, 100, 100)};
  ConnectionLinks links = MakeLinks(world);
  // Five refreshes of 200 ms with nothing counted: one look, no counter reads.
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(links.CountConnections(), 0);
    EXPECT_EQ(links.CountConnections(), 0);
    ASSERT_TRUE(links.ReadByteCounters().has_value());
    world.now += 199;
  }
  EXPECT_EQ(world.cost_reads, 1);
  EXPECT_EQ(world.table_reads, 1);

  // The cost changes: seen at the next look, not before.
  world.metered = {Guid(1)};
  EXPECT_EQ(links.CountConnections(), 0);
  world.now += 5;
  EXPECT_EQ(links.CountConnections(), 1);
  EXPECT_EQ(world.cost_reads, 2);

  // While something counts, every sample reads the counters.
  int reads = world.table_reads;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(links.ReadByteCounters().has_value());
  EXPECT_EQ(world.table_reads, reads + 3);
  EXPECT_EQ(world.cost_reads, 2);
}

TEST(ConnectionLinks, TheTableIsReadWhenItCanTellSomethingNew) {
  World world;
  world.rows = {Row(1, kWifi, 1, true, 100, 100), Row(2, kEthernet, 2, true, 5, 5)};
  ConnectionLinks links = MakeLinks(world);
  auto look = [&] {
    world.now += ConnectionLinks::kLookMs;
    return links.CountConnections();
  };
  // Nothing changes and nothing counts: the connections every second, the table at the
  // first look and then every kTableMs.
  EXPECT_EQ(links.CountConnections(), 0);
  for (int second = 1; second <= 30; ++second) ASSERT_EQ(look(), 0) << second;
  EXPECT_EQ(world.cost_reads, 31);
  EXPECT_EQ(world.table_reads, 1 + 30 * ConnectionLinks::kLookMs / ConnectionLinks::kTableMs);

  struct Case {
    const char* what;
    std::function<void()> change;
    int count;  // at the look right after the change
  };
  const Case cases[] = {
      {"a mobile broadband link comes up", [&] { world.rows.push_back(Row(5, 243, 5, true, 0, 0)); }, 1},
      {"it goes down again", [&] { world.rows.back().up = false; }, 0},
      {"Windows calls the Wi-Fi metered", [&] { world.metered = {Guid(1)}; }, 1},
      {"and unmetered again", [&] { world.metered.clear(); }, 0},
      {"a connection goes", [&] { world.rows[1].up = false; }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int reads = world.table_reads;
    c.change();
    EXPECT_EQ(look(), c.count);
    EXPECT_EQ(world.table_reads, reads + 1);
  }

  // A mobile broadband link the network list does not show still counts within kTableMs.
  for (int second = 0; second < 12; ++second) look();
  world.unlisted = {Guid(6)};
  world.rows.push_back(Row(6, 244, 6, true, 0, 0));
  int count = 0;
  for (std::int64_t waited = 0; waited <= ConnectionLinks::kTableMs && count == 0;
       waited += ConnectionLinks::kLookMs) {
    count = look();
  }
  EXPECT_EQ(count, 1);
}

TEST(ConnectionLinks, UnknownCostsAndAnUnreadableTable) {
  World world;
  world.costs_known = false;
  world.metered = {Guid(1)};
  world.rows = {Row(1, kWifi, 1, true, 100, 100), Row(5, 243, 5, true, 1, 1)};
  ConnectionLinks links = MakeLinks(world);
  // Costs unknown: only the mobile broadband interface counts.
  EXPECT_EQ(links.CountConnections(), 1);
  world.rows[1].received = 41;
  EXPECT_EQ(links.ReadByteCounters()->received, 0);
  world.rows[1].received = 81;
  EXPECT_EQ(links.ReadByteCounters()->received, 40);

  // A counted link whose counters cannot be read gives no figure, and takes nothing away.
  world.table_readable = false;
  EXPECT_FALSE(links.ReadByteCounters().has_value());
  world.table_readable = true;
  world.rows[1].received = 91;
  EXPECT_EQ(links.ReadByteCounters()->received, 50);

  // No table at the look: nothing but Remote Access counts.
  world.table_readable = false;
  world.ras = 2;
  world.now += ConnectionLinks::kLookMs;
  EXPECT_EQ(links.CountConnections(), 2);
}

TEST(ConnectionLinks, MeteredCosts) {
  const struct {
    std::uint32_t cost;
    bool metered;
  } cases[] = {
      {0x0, false},      {0x1, false},  // unknown, unrestricted
      {0x2, true},       {0x4, true},   // fixed, variable
      {0x20001, false},                 // congested alone
      {0x10001, true},   {0x40001, true}, {0x80001, true},  // over limit, roaming, approaching
  };
  for (const auto& c : cases) EXPECT_EQ(CostIsMetered(c.cost), c.metered) << std::hex << c.cost;
}

}  // namespace
}  // namespace quillenta
