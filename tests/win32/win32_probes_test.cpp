#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>
#include <string>

#include "platform/error.h"
#include "platform/win32/clock_win32.h"
#include "platform/win32/dialup_ras.h"
#include "platform/win32/network_costs_win32.h"
#include "platform/win32/probes_win32.h"

namespace quillenta {
namespace {

constexpr std::uint64_t kU64Max = std::numeric_limits<std::uint64_t>::max();

bool UnderWine() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST(Win32Clock, NowIsTheLocalTime) {
  Win32Clock clock;
  SYSTEMTIME before{};
  ::GetLocalTime(&before);
  LocalDateTime now = clock.Now();
  EXPECT_EQ(now.year, before.wYear);
  EXPECT_EQ(now.month, before.wMonth);
  EXPECT_EQ(now.weekday, before.wDayOfWeek);
  EXPECT_GE(now.weekday, 0);
  EXPECT_LE(now.weekday, 6);
  EXPECT_LT(now.millisecond, 1000);
}

TEST(Win32Clock, MonotonicMsAdvancesWithSleep) {
  Win32Clock clock;
  std::int64_t first = clock.MonotonicMs();
  ::Sleep(60);
  std::int64_t second = clock.MonotonicMs();
  EXPECT_GE(second - first, 40);
  EXPECT_LT(second - first, 5000);
}

TEST(CpuBusyPercent, Table) {
  struct Case {
    const char* what;
    CpuTimes before, after;  // idle, kernel (idle included), user
    std::optional<std::int32_t> expected;
  };
  const Case cases[] = {
      {"no time passed", {10, 20, 30}, {10, 20, 30}, std::nullopt},
      {"totals ran backwards", {10, 20, 30}, {5, 15, 25}, std::nullopt},
      {"all idle", {0, 0, 0}, {100, 100, 0}, 0},
      {"all busy in user time", {0, 0, 0}, {0, 0, 100}, 100},
      {"all busy in kernel time", {50, 100, 0}, {50, 200, 0}, 100},
      {"half", {0, 0, 0}, {50, 50, 50}, 50},
      {"an eighth rounds up", {0, 0, 0}, {7, 7, 1}, 13},
      {"a third rounds down", {0, 0, 0}, {2, 2, 1}, 33},
      {"idle above the period counts as all idle", {0, 0, 0}, {500, 60, 40}, 0},
      {"idle that fell counts as none", {100, 100, 0}, {50, 200, 0}, 100},
      {"figures near the 64-bit limit", {0, kU64Max / 2 - 1000, 0}, {500, kU64Max / 2, 0}, 50},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CpuBusyPercent(c.before, c.after), c.expected) << c.what;
  }
}

TEST(Win32CpuUsage, FirstSampleIsZeroThenAShare) {
  Win32CpuUsage cpu;
  EXPECT_EQ(cpu.SampleCpuUsage(), 0);
  ::Sleep(50);
  std::optional<std::int32_t> usage = cpu.SampleCpuUsage();
  ASSERT_TRUE(usage.has_value());
  EXPECT_GE(*usage, 0);
  EXPECT_LE(*usage, 100);
}

TEST(BatteryPercentOf, Table) {
  struct Case {
    bool read;
    std::uint8_t flag;
    std::uint8_t percent;
    int expected;
  };
  const Case cases[] = {
      {true, 1, 85, 85},     // high
      {true, 8, 100, 100},   // charging, full
      {true, 4, 0, 0},       // critical, empty
      {true, 128, 0, 255},   // no system battery
      {true, 128 | 8, 50, 255},
      {true, 255, 60, 60},   // status unknown, charge known
      {true, 255, 255, 255}, // nothing known
      {true, 1, 255, 255},
      {true, 1, 101, 255},
      {false, 1, 85, 255},   // the call failed
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BatteryPercentOf(c.read, c.flag, c.percent), c.expected)
        << c.read << " " << int{c.flag} << " " << int{c.percent};
  }
}

TEST(Win32BatteryProbe, GivesAPercentOr255) {
  int percent = Win32BatteryProbe().BatteryLifePercent();
  EXPECT_TRUE((percent >= 0 && percent <= 100) || percent == 255) << percent;
}

TEST(Win32MemoryProbe, FiguresAreWholeAndConsistent) {
  MemoryStatus memory = Win32MemoryProbe().ReadMemoryStatus();
  EXPECT_GT(memory.total_phys, 0);
  EXPECT_GT(memory.avail_phys, 0);
  EXPECT_LE(memory.avail_phys, memory.total_phys);
  EXPECT_LE(memory.avail_page_file, memory.total_page_file);
  EXPECT_GT(memory.avail_virtual, 0);
  EXPECT_LE(memory.avail_virtual, memory.total_virtual);
  // A 64-bit process has terabytes of address space: a figure cut to 32 bits would not.
  EXPECT_GT(memory.total_virtual, std::int64_t{1} << 40);
}

TEST(FreeQuotaPercent, Table) {
  struct Case {
    std::uint32_t used, quota;
    std::uint16_t expected;
  };
  const Case cases[] = {
      {0, 10000, 100},    {1, 10000, 100},    {99, 10000, 100},  {100, 10000, 99},
      {5000, 10000, 50},  {9999, 10000, 1},   {10000, 10000, 0}, {20000, 10000, 0},
      {0, 0, 0},          {7, 0, 0},          {128, 256, 50},
      {0xFFFFFFFFu, 0xFFFFFFFFu, 0},          {0xFFFFFFFEu, 0xFFFFFFFFu, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FreeQuotaPercent(c.used, c.quota), c.expected) << c.used << "/" << c.quota;
  }
}

TEST(Win32FreeResources, EveryKindIsAPercent) {
  Win32FreeResources resources;
  for (int round = 0; round < 2; ++round) {
    for (int kind = 0; kind < 3; ++kind) {
      std::uint16_t free = resources.GetFreeResources(kind);
      EXPECT_LE(free, 100) << kind;
      // Wine counts no GUI objects for any process.
      if (UnderWine()) {
        EXPECT_EQ(free, 100) << kind;
      }
    }
  }
}

TEST(Win32FreeResources, SystemIsTheLowerOfGdiAndUser) {
  Win32FreeResources resources;
  // A window of our own in front gives the program's own counts, which are not zero on
  // Windows; under Wine both are 100.
  std::uint16_t system = resources.GetFreeResources(0);
  std::uint16_t gdi = resources.GetFreeResources(1);
  std::uint16_t user = resources.GetFreeResources(2);
  EXPECT_EQ(system, std::min(gdi, user));
}

TEST(Win32FreeResources, AsksItsForegroundSourceOncePerRefresh) {
  int asked = 0;
  Win32FreeResources resources(GuiResourceFunctions{}, [&asked]() -> void* {
    ++asked;
    return nullptr;  // nothing in front: the program's own process is counted
  });
  for (int refresh = 1; refresh <= 3; ++refresh) {
    const std::uint16_t system = resources.GetFreeResources(0);
    const std::uint16_t gdi = resources.GetFreeResources(1);
    const std::uint16_t user = resources.GetFreeResources(2);
    EXPECT_EQ(asked, refresh);
    EXPECT_EQ(system, std::min(gdi, user));
  }
}

TEST(Win32FreeResources, AFunctionThatCannotBeBoundFailsEveryCallWithItsMessage) {
  struct Case {
    const wchar_t* user_module;
    const char* gui_resources;
    const wchar_t* kernel_module;
    const char* open_process;
    const char* message;
  };
  const Case cases[] = {
      {L"no-such-user.dll", "GetGuiResources", L"kernel32.dll", "OpenProcess",
       "Faild to call User.exe"},
      {L"user32.dll", "NoSuchGuiResources", L"kernel32.dll", "OpenProcess",
       "Faild to call function"},
      {L"user32.dll", "GetGuiResources", L"no-such-kernel.dll", "OpenProcess",
       "Faild to call Kernel32.dll"},
      {L"user32.dll", "GetGuiResources", L"kernel32.dll", "NoSuchOpenProcess",
       "Faild to call QT_Thunk"},
      // The first failure in the order of the old thunk is the one reported.
      {L"no-such-user.dll", "GetGuiResources", L"no-such-kernel.dll", "OpenProcess",
       "Faild to call User.exe"},
      {L"user32.dll", "NoSuchGuiResources", L"kernel32.dll", "NoSuchOpenProcess",
       "Faild to call function"},
  };
  for (const Case& c : cases) {
    Win32FreeResources resources(
        GuiResourceFunctions{c.user_module, c.gui_resources, c.kernel_module, c.open_process});
    for (int kind = 0; kind < 3; ++kind) {
      try {
        resources.GetFreeResources(kind);
        ADD_FAILURE() << "no error for " << c.message << ", kind " << kind;
      } catch (const Error& error) {
        EXPECT_STREQ(error.what(), c.message) << kind;
      }
    }
  }
}

TEST(RasDialupLinks, Binding) {
  struct Case {
    const wchar_t* library;
    RasDialupLinks::LoadStatus status;
  };
  // Wine's rasapi32 exports all six W entries; kernel32 none of them.
  const Case cases[] = {
      {L"rasapi32.dll", RasDialupLinks::LoadStatus::kLoaded},
      {L"no-such-rasapi.dll", RasDialupLinks::LoadStatus::kNoLibrary},
      {L"kernel32.dll", RasDialupLinks::LoadStatus::kMissingEntry},
  };
  for (const Case& c : cases) {
    RasDialupLinks links(c.library);
    EXPECT_EQ(links.Status(), c.status);
    // Wine has no RAS connections; a missing service counts none.
    EXPECT_EQ(links.CountConnections(), 0);
    EXPECT_EQ(links.CountConnections(), 0);
  }
  EXPECT_EQ(RasDialupLinks().Status(), RasDialupLinks::LoadStatus::kLoaded);
}

TEST(ConnectionLinks, TheRealSourcesUnderWine) {
  // The interface table as the program reads it: rows with their LUIDs and types.
  IfTable2Interfaces table;
  std::vector<InterfaceRow> rows;
  ASSERT_TRUE(table.Read(&rows));
  EXPECT_FALSE(rows.empty());
  for (const InterfaceRow& row : rows) EXPECT_NE(row.luid, 0u);

  // The costs come from COM, as on the program's thread.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    auto costs = std::make_unique<NetworkListCosts>();
    std::vector<NetworkAdapter> connections;
    bool known = costs->Connections(&connections);
    if (UnderWine()) {
      // Wine calls every connection unrestricted.
      EXPECT_TRUE(known);
      for (const NetworkAdapter& adapter : connections) EXPECT_FALSE(adapter.metered);
    }
    ConnectionLinks links([] { return static_cast<std::int64_t>(::GetTickCount64()); },
                          std::make_unique<RasDialupLinks>(),
                          std::make_unique<IfTable2Interfaces>(), std::move(costs));
    std::optional<LinkCounters> counters = links.ReadByteCounters();
    ASSERT_TRUE(counters.has_value());
    EXPECT_GE(counters->received, 0);
    if (UnderWine()) {
      // Wine calls every connection unrestricted and has neither RAS nor mobile broadband:
      // nothing counts, as before.
      EXPECT_EQ(links.CountConnections(), 0);
      EXPECT_EQ(counters->received, 0);
      EXPECT_EQ(counters->sent, 0);
    }
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
}

}  // namespace
}  // namespace quillenta
