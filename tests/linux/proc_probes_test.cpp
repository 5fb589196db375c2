#include "platform/linux/battery_probe_linux.h"
#include "platform/linux/cpu_usage_linux.h"
#include "platform/linux/free_resources_linux.h"
#include "platform/linux/memory_probe_linux.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fakes.h"
#include "probes/perf_stats.h"

namespace quillenta {
namespace {

namespace fs = std::filesystem;

const std::string kData = QUILLENTA_TEST_DATA;
constexpr std::int64_t kKiB = 1024;

std::optional<std::uint64_t> Unlimited() { return std::nullopt; }
std::optional<std::uint64_t> FourGiB() { return std::uint64_t{4} << 30; }
std::optional<std::uint64_t> Huge() { return ~std::uint64_t{0} - 1; }

// A private root that a test fills and changes.
struct TempRoot {
  fs::path path;
  TempRoot() {
    std::string pattern = (fs::temp_directory_path() / "quillenta-probe-XXXXXX").string();
    path = ::mkdtemp(pattern.data());
  }
  ~TempRoot() { fs::remove_all(path); }
  void Put(const std::string& relative, const fs::path& from) {
    fs::create_directories((path / relative).parent_path());
    fs::copy_file(from, path / relative, fs::copy_options::overwrite_existing);
  }
};

TEST(ProcMemoryProbe, MeminfoVariants) {
  struct Case {
    const char* tree;
    AddressSpaceLimitFn limit;
    MemoryStatus expected;
  };
  const std::int64_t user_space = UserAddressSpaceSize();
  const Case cases[] = {
      {"desktop",
       &Unlimited,
       {16318412 * kKiB, 8974532 * kKiB, user_space, user_space - 884736 * kKiB, 2097148 * kKiB,
        1572860 * kKiB}},
      {"desktop",
       &FourGiB,
       {16318412 * kKiB, 8974532 * kKiB, std::int64_t{4} << 30,
        (std::int64_t{4} << 30) - 884736 * kKiB, 2097148 * kKiB, 1572860 * kKiB}},
      // No MemAvailable: free memory and caches; no status file: nothing used.
      {"old_kernel",
       &Unlimited,
       {2052340 * kKiB, (512000 + 102400 + 409600) * kKiB, user_space, user_space, 4194300 * kKiB,
        4194300 * kKiB}},
      // A terabyte of memory, no swap, and more mapped than the limit allows.
      {"big_no_swap",
       &FourGiB,
       {std::int64_t{1} << 40, std::int64_t{1} << 38, std::int64_t{4} << 30, 0, 0, 0}},
      {"big_no_swap",
       &Huge,
       {std::int64_t{1} << 40, std::int64_t{1} << 38, INT64_MAX,
        INT64_MAX - (std::int64_t{5} << 30), 0, 0}},
  };
  for (const Case& c : cases) {
    ProcMemoryProbe probe(kData + "/memory/" + c.tree, c.limit);
    MemoryStatus got = probe.ReadMemoryStatus();
    SCOPED_TRACE(c.tree);
    EXPECT_EQ(got.total_phys, c.expected.total_phys);
    EXPECT_EQ(got.avail_phys, c.expected.avail_phys);
    EXPECT_EQ(got.total_virtual, c.expected.total_virtual);
    EXPECT_EQ(got.avail_virtual, c.expected.avail_virtual);
    EXPECT_EQ(got.total_page_file, c.expected.total_page_file);
    EXPECT_EQ(got.avail_page_file, c.expected.avail_page_file);
  }
}

TEST(ProcMemoryProbe, MissingFilesGiveZeros) {
  ProcMemoryProbe probe(kData + "/does-not-exist", &FourGiB);
  MemoryStatus got = probe.ReadMemoryStatus();
  EXPECT_EQ(got.total_phys, 0);
  EXPECT_EQ(got.avail_phys, 0);
  EXPECT_EQ(got.total_page_file, 0);
  EXPECT_EQ(got.total_virtual, std::int64_t{4} << 30);
  EXPECT_EQ(got.avail_virtual, std::int64_t{4} << 30);
}

TEST(SysBatteryProbe, PreparedTrees) {
  struct Case {
    const char* tree;
    int expected;
  };
  const Case cases[] = {
      {"none", 255},                         // mains only
      {"absent", 255},                       // an empty battery slot
      {"does-not-exist", 255}, {"one", 57},  // BAT1, not BAT0; the mouse's battery does not count
      {"no_capacity", 75},                   // from its energy alone
      {"two_energy", 33},                    // 20 of 60 Wh, not the mean of 50 and 0
      {"two_charge", 72},                    // 4.65 of 6.5 Ah
      {"two_mixed", 61},                     // energy and charge cannot be added: mean of 80 and 41
  };
  for (const Case& c : cases) {
    SysBatteryProbe probe(kData + "/battery/" + c.tree);
    EXPECT_EQ(probe.BatteryLifePercent(), c.expected) << c.tree;
  }
}

TEST(ProcStatCpuUsage, SequenceOfSamples) {
  TempRoot root;
  ProcStatCpuUsage cpu(root.path.string());
  struct Step {
    const char* sample;  // nullptr: the file is gone
    std::optional<std::int32_t> expected;
  };
  const Step steps[] = {
      {"stat.0", 0},            // nothing to compare with yet
      {"stat.1", 30},           // guest counted once, iowait as idle
      {"stat.2", 93},           // 37 of 40 ticks, 92.5 rounded
      {"stat.3", 93},           // no tick passed
      {nullptr, std::nullopt},  // unreadable
      {"stat.4", 0},            // all idle since stat.2's sample
  };
  for (const Step& step : steps) {
    if (step.sample != nullptr) {
      root.Put("proc/stat", kData + "/cpu_sequence/" + step.sample);
    } else {
      fs::remove(root.path / "proc/stat");
    }
    EXPECT_EQ(cpu.SampleCpuUsage(), step.expected) << (step.sample ? step.sample : "gone");
  }
}

TEST(ProcStatCpuUsage, OldKernelAndMalformedLines) {
  TempRoot root;
  ProcStatCpuUsage cpu(root.path.string());
  root.Put("proc/stat", kData + "/cpu_sequence/old.0");
  EXPECT_EQ(cpu.SampleCpuUsage(), 0);
  root.Put("proc/stat", kData + "/cpu_sequence/old.1");
  EXPECT_EQ(cpu.SampleCpuUsage(), 50);

  for (const char* text : {"", "cpu0 1 2 3 4 5\n", "cpu 1 2 x 4 5\n", "cpu 1 2\n"}) {
    FILE* file = std::fopen((root.path / "proc/stat").c_str(), "w");
    std::fputs(text, file);
    std::fclose(file);
    EXPECT_EQ(cpu.SampleCpuUsage(), std::nullopt) << text;
  }
}

TEST(ProcStatCpuUsage, UnreadableStatGivesThePresetInTheSample) {
  ProcStatCpuUsage cpu(kData + "/does-not-exist");
  testing::FakeDialupLinks links;
  links.counters = std::nullopt;
  PerfStats stats(cpu, links);
  for (int i = 0; i < 2; ++i) {
    stats.SamplePerfStats();
    EXPECT_EQ(stats.Values().cpu_usage, PerfStats::kPreset);
    EXPECT_EQ(stats.Values().received, PerfStats::kPreset);
    EXPECT_EQ(stats.Values().sent, PerfStats::kPreset);
  }
}

std::vector<std::string> g_statted;
std::optional<FilesystemSpace> QuarterFree(const std::string& path) {
  g_statted.push_back(path);
  return FilesystemSpace{1000, 250};
}
std::optional<FilesystemSpace> NoFilesystem(const std::string& path) { return std::nullopt; }

TEST(ProcFreeResources, PreparedTrees) {
  struct Case {
    const char* tree;
    const char* home;
    std::uint16_t system, gdi, user;
    const char* statted;  // under the tree
  };
  const Case cases[] = {
      {"desktop", "/home/guest", 90, 80, 25, "/home/guest"},
      // The open-file table is practically unlimited; pid_max is the lower task limit.
      {"pid_limited", "/home/guest", 50, 100, 25, "/home/guest"},
  };
  for (const Case& c : cases) {
    g_statted.clear();
    std::string root = kData + "/resources/" + c.tree;
    ProcFreeResources resources(root, c.home, &QuarterFree);
    EXPECT_EQ(resources.GetFreeResources(0), c.system) << c.tree;
    EXPECT_EQ(resources.GetFreeResources(1), c.gdi) << c.tree;
    EXPECT_EQ(resources.GetFreeResources(2), c.user) << c.tree;
    EXPECT_EQ(g_statted, std::vector<std::string>{root + c.statted});
  }
}

TEST(ProcFreeResources, HomeOnAFilesystemThatMayHangIsNotStatted) {
  struct Case {
    const char* tree;
    const char* home;
    const char* used;  // under the tree
  };
  const Case cases[] = {
      {"network_home", "/home/me", "/"},
      {"network_home", "/mnt/my files/docs", "/"},
      {"network_home", "/mnt/my", "/mnt/my"},
      {"network_home", "/srv/me", "/srv/me"},
      {"desktop", "/home/guest/net", "/"},
      {"desktop", "/home/guest/network", "/home/guest/network"},
  };
  for (const Case& c : cases) {
    std::string root = kData + "/resources/" + c.tree;
    ProcFreeResources resources(root, c.home, &QuarterFree);
    EXPECT_EQ(resources.UserFilesystemPath(), root + c.used) << c.home;
  }
}

TEST(ProcFreeResources, UnreadableFiguresKeepTheirLastValueAndNeverThrow) {
  ProcFreeResources nothing(kData + "/does-not-exist", "/home/guest", &NoFilesystem);
  for (int kind = 0; kind < 3; ++kind) EXPECT_EQ(nothing.GetFreeResources(kind), 100);

  TempRoot root;
  const std::string tree = kData + "/resources/desktop/";
  for (const char* file : {"proc/loadavg", "proc/sys/kernel/threads-max", "proc/sys/fs/file-nr"}) {
    root.Put(file, tree + file);
  }
  ProcFreeResources resources(root.path.string(), "/home/guest", &QuarterFree);
  EXPECT_EQ(resources.GetFreeResources(0), 90);
  EXPECT_EQ(resources.GetFreeResources(1), 80);
  fs::remove(root.path / "proc/loadavg");
  fs::remove(root.path / "proc/sys/fs/file-nr");
  EXPECT_EQ(resources.GetFreeResources(0), 90);
  EXPECT_EQ(resources.GetFreeResources(1), 80);

  // The refresh over this source fills all three texts, tick after tick.
  FreeResources refresh(resources);
  refresh.RefreshFreeResources();
  EXPECT_EQ(refresh.Texts(), (std::array<std::string, 3>{"90", "80", "25"}));
}

}  // namespace
}  // namespace quillenta
