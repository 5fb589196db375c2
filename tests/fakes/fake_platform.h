#pragma once
// The program's platform with every service a fake, the fakes kept reachable by the test.
#include <memory>

#include "fakes.h"
#include "program/program_core.h"

namespace quillenta::testing {

struct Fakes {
  FakeWindowSystem* windows = nullptr;
  FakeClock* clock = nullptr;
  FakeDialupLinks* links = nullptr;
  FakeCpuUsageSource* cpu = nullptr;
  FakeProfileStore* profile = nullptr;
  FakeMemoryProbe* memory = nullptr;
  FakeLauncher* launcher = nullptr;
};

inline Platform MakeFakePlatform(Fakes& fakes) {
  Platform platform;
  auto windows = std::make_unique<FakeWindowSystem>();
  auto clock = std::make_unique<FakeClock>();
  auto links = std::make_unique<FakeDialupLinks>();
  auto cpu = std::make_unique<FakeCpuUsageSource>();
  auto profile = std::make_unique<FakeProfileStore>();
  auto memory = std::make_unique<FakeMemoryProbe>();
  auto launcher = std::make_unique<FakeLauncher>();
  fakes = {windows.get(), clock.get(),  links.get(),   cpu.get(),
           profile.get(), memory.get(), launcher.get()};
  platform.windows = std::move(windows);
  platform.clock = std::move(clock);
  platform.links = std::move(links);
  platform.cpu = std::move(cpu);
  platform.profile = std::move(profile);
  platform.memory = std::move(memory);
  platform.launcher = std::move(launcher);
  platform.locale = std::make_unique<FakeLocale>();
  platform.battery = std::make_unique<FakeBatteryProbe>();
  platform.free_resources = std::make_unique<FakeFreeResources>();
  // The interface the tests of behaviour read their captions and messages in.
  platform.system_language = Language::kJapanese;
  return platform;
}

}  // namespace quillenta::testing
