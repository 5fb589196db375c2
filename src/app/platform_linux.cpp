#include <cstdlib>

#include "app/application.h"
#include "platform/linux/clock_linux.h"

namespace quillenta {

namespace {

// Until the Linux services land: nothing to show, nothing to read.
class NoWindows : public WindowSystem {
 public:
  WindowId ForegroundWindow() override { return kNoWindow; }
  std::string ReadTitle(WindowId) override { return {}; }
  void WriteTitle(WindowId, const std::string&) override {}
  WindowId FindWindowByTitle(const std::string&) override { return kNoWindow; }
  WindowId FindPanel() override { return kNoWindow; }
};
class CLocale : public Locale {
 public:
  std::string AbbreviatedDayName(int) const override { return {}; }
  std::string FullDayName(int) const override { return {}; }
  std::optional<std::string> AlternativeYear(const LocalDateTime&) const override { return {}; }
  std::string ThousandsSeparator() const override { return ","; }
};
class NoMemory : public MemoryProbe {
 public:
  MemoryStatus ReadMemoryStatus() override { return {}; }
};
class NoBattery : public BatteryProbe {
 public:
  int BatteryLifePercent() override { return 255; }
};
class NoCpu : public CpuUsageSource {
 public:
  std::optional<std::int32_t> SampleCpuUsage() override { return {}; }
};
class NoLinks : public DialupLinks {
 public:
  int CountConnections() override { return 0; }
  std::optional<LinkCounters> ReadByteCounters() override { return LinkCounters{}; }
};
class NoResources : public FreeResourcesSource {
 public:
  std::uint16_t GetFreeResources(int) override { return 100; }
};
class NoLauncher : public Launcher {
 public:
  void Open(const std::string&) override {}
};
class NoProfile : public ProfileStore {
 public:
  const std::string& Path() const override { return path_; }

 private:
  std::string path_;
};

}  // namespace

Platform MakeLinuxPlatform(const std::string& executable_path) {
  Platform platform;
  platform.windows = std::make_unique<NoWindows>();
  platform.clock = std::make_unique<LinuxClock>();
  platform.locale = std::make_unique<CLocale>();
  platform.memory = std::make_unique<NoMemory>();
  platform.battery = std::make_unique<NoBattery>();
  platform.cpu = std::make_unique<NoCpu>();
  platform.links = std::make_unique<NoLinks>();
  platform.free_resources = std::make_unique<NoResources>();
  platform.launcher = std::make_unique<NoLauncher>();
  platform.profile = std::make_unique<NoProfile>();
  return platform;
}

}  // namespace quillenta
