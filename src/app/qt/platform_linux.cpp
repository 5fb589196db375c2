#include <cstdlib>
#include <string_view>

#include "app/qt/application.h"
#include "platform/linux/clock_linux.h"
#include "platform/linux/dialup_links_linux.h"
#include "platform/linux/locale_icu.h"
#include "platform/linux/battery_probe_linux.h"
#include "platform/linux/cpu_usage_linux.h"
#include "platform/linux/free_resources_linux.h"
#include "platform/linux/memory_probe_linux.h"
#include "platform/linux/network_manager_metered.h"
#include "platform/linux/profile_store_linux.h"
#include "platform/linux/spawn_launcher.h"
#include "platform/linux/sway_window_system.h"
#include "platform/linux/x11_window_system.h"
#include "program/settings_location.h"

namespace quillenta {

namespace {

// Where the probes read /proc and /sys. Only the test build of the program lets the
// environment move them, so that end-to-end tests can show it a prepared dial-up link.
std::string SystemRoot() {
#ifdef QUILLENTA_TEST_ROOTS
  if (const char* root = std::getenv("QUILLENTA_TEST_SYS_ROOT")) return root;
#endif
  return "/";
}

}  // namespace

Platform MakeLinuxPlatform(const std::string& executable_path) {
  Platform platform;
  // On sway the compositor draws every title bar and takes a title_format for each; where its
  // socket does not answer, XWayland's windows are still reached over X11.
  const char* sway_socket = std::getenv("SWAYSOCK");
  auto sway = std::make_unique<SwayWindowSystem>(sway_socket != nullptr ? sway_socket : "");
  if (sway->Ready()) {
    SwayWindowSystem* compositor = sway.get();
    platform.windows = std::move(sway);
    platform.display_lost = [compositor] { return compositor->ConnectionLost(); };
  } else {
    auto windows = std::make_unique<XcbWindowSystem>();
    XcbWindowSystem* x11 = windows.get();
    platform.windows = std::move(windows);
    platform.display_lost = [x11] { return x11->ConnectionLost(); };
  }
  platform.clock = std::make_unique<LinuxClock>();
  platform.locale = std::make_unique<IcuLocale>();
  platform.memory = std::make_unique<ProcMemoryProbe>();
  platform.battery = std::make_unique<SysBatteryProbe>();
  platform.cpu = std::make_unique<ProcStatCpuUsage>();
  platform.links = std::make_unique<DialupLinksLinux>(
      SystemRoot(), std::make_unique<NetworkManagerMetered>());
  platform.free_resources = std::make_unique<ProcFreeResources>();
  auto launcher = std::make_unique<SpawnLauncher>();
  SpawnLauncher* spawner = launcher.get();
  platform.launcher = std::move(launcher);
  platform.housekeeping = [spawner] { spawner->ReapChildren(); };
  // sway and its kin take the line over their own IPC; any other Wayland compositor lets
  // only XWayland windows be retitled.
  const char* session = std::getenv("XDG_SESSION_TYPE");
  const bool wayland = (session != nullptr && std::string_view(session) == "wayland") ||
                       std::getenv("WAYLAND_DISPLAY") != nullptr;
  platform.only_xwayland_windows = wayland && std::getenv("SWAYSOCK") == nullptr;
  platform.wayland_session = wayland;
  platform.profile = std::make_unique<LinuxProfileStore>(ChooseSettingsFile(LinuxSettingsPlaces(executable_path)));
  return platform;
}

}  // namespace quillenta
