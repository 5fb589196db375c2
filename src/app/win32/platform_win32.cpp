#include "app/win32/main_window.h"
#include "platform/win32/clock_win32.h"
#include "platform/win32/dialup_ras.h"
#include "platform/win32/locale_win32.h"
#include "platform/win32/network_costs_win32.h"
#include "platform/win32/probes_win32.h"
#include "platform/win32/profile_store_win32.h"
#include "platform/win32/shell_launcher.h"
#include "platform/win32/ui_language_win32.h"
#include "platform/win32/window_system_win32.h"
#include "program/settings_location.h"

namespace quillenta {

Platform MakeWin32Platform(std::optional<Language> language_override) {
  Platform platform;
  platform.system_language = Win32SystemLanguage();
  platform.language_override = language_override;
  auto windows = std::make_unique<Win32WindowSystem>(50, Win32WindowSystem::SendCalls{},
                                                     BorrowedTitles::DefaultPath());
  const Win32WindowSystem* window_system = windows.get();
  platform.windows = std::move(windows);
  platform.clock = std::make_unique<Win32Clock>();
  platform.locale = std::make_unique<Win32Locale>();
  platform.memory = std::make_unique<Win32MemoryProbe>();
  platform.battery = std::make_unique<Win32BatteryProbe>();
  platform.cpu = std::make_unique<Win32CpuUsage>();
  platform.links = std::make_unique<ConnectionLinks>(
      [] { return static_cast<std::int64_t>(::GetTickCount64()); },
      std::make_unique<RasDialupLinks>(), std::make_unique<IfTable2Interfaces>(),
      std::make_unique<NetworkListCosts>());
  // The window the title engine found in front: both live as long as the platform.
  platform.free_resources = std::make_unique<Win32FreeResources>(
      GuiResourceFunctions{}, [window_system]() -> void* {
        return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window_system->LastForeground()));
      });
  platform.launcher = std::make_unique<ShellLauncher>();
  platform.profile = std::make_unique<Win32ProfileStore>(ChooseSettingsFile(Win32SettingsPlaces()));
  return platform;
}

}  // namespace quillenta
