#include <gtest/gtest.h>

#include "fakes.h"
#include "item_world.h"
#include "items/formatters.h"
#include "title/compose.h"

namespace quillenta {
namespace {

constexpr std::int64_t kGiB = std::int64_t{1} << 30;

struct SystemItems : ::testing::Test, testing::ItemWorld {};

TEST_F(SystemItems, DefaultSystemPiecesOfTheLine) {
  memory = {100 * kGiB, 55 * kGiB, 1000, 970, 200, 180};
  perf.cpu_usage = 7;
  battery.percent = 100;
  EXPECT_EQ(Compose({9, 10, 11, 12, 13, 14, 15, 16}),
            "M:45% V:3% P:10% C:7% E:100% S:85% G:90% U:88% ");
}

TEST_F(SystemItems, MemoryPercentAndAmountPatterns) {
  struct Case {
    std::int64_t total, avail;
    bool free, percent, grouped;
    const char* expected;
  };
  const Case cases[] = {
      // Shares: used by default, free on the switch; 12.5 % ties to 13, 1/3 gives 33.
      {8, 7, false, true, true, "M:13% "},
      {3, 2, false, true, true, "M:33% "},
      {3, 1, false, true, true, "M:67% "},
      {8, 7, true, true, true, "M:88% "},
      {100, 0, false, true, true, "M:100% "},
      {100, 100, false, true, true, "M:0% "},
      {200, 199, false, true, true, "M:1% "},  // 0.5 % rounds half away from zero
      {0, 0, false, true, true, "M:0% "},      // a zero total has no share
      {0, 0, true, true, true, "M:0% "},
      // Amounts in bytes, with and without separators.
      {134217728, 0, false, false, true, "M:134,217,728% "},
      {134217728, 0, false, false, false, "M:134217728% "},
      {134217728, 134217728, false, false, true, "M:0% "},
      {999, 0, false, false, true, "M:999% "},
      {1000, 0, false, false, true, "M:1,000% "},
      // Past 2 and 4 GiB nothing wraps.
      {5 * kGiB, kGiB, false, false, true, "M:4,294,967,296% "},
      {6 * kGiB, kGiB, true, false, false, "M:1073741824% "},
      {64 * kGiB, 16 * kGiB, false, true, true, "M:75% "},
      // 128 TiB of address space: the share needs more than 64 bits on the way.
      {std::int64_t{1} << 47, (std::int64_t{1} << 47) - (std::int64_t{1} << 40), false, true, true,
       "M:1% "},
      {std::int64_t{1} << 47, 0, false, false, true, "M:140,737,488,355,328% "},
  };
  for (const Case& c : cases) {
    memory.total_phys = c.total;
    memory.avail_phys = c.avail;
    settings.SetFlag(FlagKey::b57, c.free);
    settings.SetFlag(FlagKey::b58, c.percent);
    settings.SetFlag(FlagKey::b59, c.grouped);
    settings.SetText(TextKey::s67, "% ");  // the percent switch changes the unit; keep it fixed
    EXPECT_EQ(Format(AppendPhysicalMemory), c.expected) << c.total << " " << c.avail;
  }
}

TEST_F(SystemItems, EachMemoryItemReadsItsOwnFiguresAndKeys) {
  memory = {8, 2, 3000, 1000, 0, 0};
  settings.SetFlag(FlagKey::b61, false);  // virtual memory in bytes
  settings.SetFlag(FlagKey::b62, false);
  settings.SetFlag(FlagKey::b63, true);  // page file: free
  EXPECT_EQ(Format(AppendPhysicalMemory), "M:75% ");
  EXPECT_EQ(Format(AppendVirtualMemory), "V:2000bytes ");
  EXPECT_EQ(Format(AppendPageFile), "P:0% ");
}

TEST_F(SystemItems, ThousandsSeparatorComesFromTheLocale) {
  memory.total_phys = 1234567;
  settings.SetFlag(FlagKey::b58, false);
  locale.separator = ".";
  EXPECT_EQ(Format(AppendPhysicalMemory), "M:1.234.567bytes ");
  locale.separator = "\u202f";
  EXPECT_EQ(Format(AppendPhysicalMemory), "M:1\u202f234\u202f567bytes ");
}

TEST_F(SystemItems, CpuUsageOneAndTwoDigits) {
  struct Case {
    std::int32_t usage;
    bool two_digits;
    const char* expected;
  };
  const Case cases[] = {
      {0, false, "C:0% "}, {7, false, "C:7% "},  {100, false, "C:100% "}, {0, true, "C:00% "},
      {7, true, "C:07% "}, {42, true, "C:42% "}, {100, true, "C:00% "},   {4, true, "C:04% "},
  };
  for (const Case& c : cases) {
    perf.cpu_usage = c.usage;
    settings.SetFlag(FlagKey::b56, c.two_digits);
    EXPECT_EQ(Format(AppendCpuUsage), c.expected) << c.usage;
  }
}

TEST_F(SystemItems, BatteryAsksTheProbeAtEveryCall) {
  class CountingBattery : public BatteryProbe {
   public:
    int calls = 0;
    int BatteryLifePercent() override { return ++calls == 1 ? 255 : 37; }
  } counting;
  ItemContext own{settings, clock,    locale,    saved_title, memory,
                  perf,     counting, resources, connection,  links};
  std::string line;
  AppendBattery(line, own);
  EXPECT_EQ(line, "E:255% ");
  line.clear();
  AppendBattery(line, own);
  EXPECT_EQ(line, "E:37% ");
  EXPECT_EQ(counting.calls, 2);
}

TEST_F(SystemItems, ResourcesFreeOrUsedShare) {
  struct Case {
    std::string text;
    bool free;
    const char* expected;
  };
  const Case cases[] = {
      {"85", true, "S:85% "},  {"85", false, "S:15% "},   {"100", false, "S:0% "},
      {"0", false, "S:100% "}, {"120", false, "S:-20% "}, {"", false, "S:% "},
  };
  for (const Case& c : cases) {
    resources[0] = c.text;
    settings.SetFlag(FlagKey::b66, c.free);
    EXPECT_EQ(Format(AppendSystemResources), c.expected) << c.text;
  }
  settings.SetFlag(FlagKey::b67, false);
  settings.SetText(TextKey::s81, "");
  settings.SetText(TextKey::s82, "");
  EXPECT_EQ(Format(AppendGdiResources), "G:10% ");
  EXPECT_EQ(Format(AppendUserResources), "88");
}

TEST_F(SystemItems, AllTitlesAndUnitsEmptyLeaveBareNumbers) {
  for (TextKey key : {TextKey::s66, TextKey::s67, TextKey::s68, TextKey::s69, TextKey::s70,
                      TextKey::s71, TextKey::s77, TextKey::s78}) {
    settings.SetText(key, "");
  }
  memory.total_phys = 4;
  memory.avail_phys = 1;
  perf.cpu_usage = 42;
  battery.percent = 90;
  std::string line;
  for (ItemFormatter item :
       {AppendPhysicalMemory, AppendCpuUsage, AppendBattery, AppendSystemResources}) {
    item(line, context);
  }
  EXPECT_EQ(line, "75429085");
}

}  // namespace
}  // namespace quillenta
