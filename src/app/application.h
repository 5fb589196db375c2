#pragma once
// The program: owns every part, runs the start-up and shutdown orders and the three timers.
#include <QObject>
#include <QTimer>
#include <array>
#include <memory>
#include <string>

#include "accounting/accounting.h"
#include "items/item_context.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/launcher.h"
#include "platform/locale.h"
#include "platform/profile_store.h"
#include "platform/system_probes.h"
#include "platform/window_system.h"
#include "probes/perf_stats.h"
#include "settings/order_editor.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "title/item_sequence.h"
#include "title/title_engine.h"
#include "watch/time_watch.h"

namespace quillenta {

// The platform services the program runs on; tests of the whole program swap the roots.
struct Platform {
  std::unique_ptr<WindowSystem> windows;
  std::unique_ptr<Clock> clock;
  std::unique_ptr<Locale> locale;
  std::unique_ptr<MemoryProbe> memory;
  std::unique_ptr<BatteryProbe> battery;
  std::unique_ptr<CpuUsageSource> cpu;
  std::unique_ptr<DialupLinks> links;
  std::unique_ptr<FreeResourcesSource> free_resources;
  std::unique_ptr<Launcher> launcher;
  std::unique_ptr<ProfileStore> profile;
  // True once the window system's connection to the display is gone.
  std::function<bool()> display_lost;
};

// The tray and the settings window, as start-up drives them.
class Shell {
 public:
  virtual ~Shell() = default;
  virtual void HideToTray() = 0;
  // b49 is on: the settings window shows when the loop starts (the tray icon stays).
  virtual void ShowAtStart() = 0;
};

class Application : public QObject, private TickSteps {
  Q_OBJECT

 public:
  Application(Platform platform, ErrorReport& errors);
  ~Application() override;

  // shell may be null (no tray and no window, as in tests of the engine alone).
  void FormCreate(Shell* shell);
  // Idempotent: a signal, the X connection closing and the menu may all ask for it.
  void FormClose();

  Settings& settings() { return settings_; }
  OrderEditor& order_editor() { return order_editor_; }
  SettingsFile& settings_file() { return settings_file_; }
  Accounting& accounting() { return accounting_; }
  TimeWatch& time_watch() { return time_watch_; }
  TitleEngine& engine() { return engine_; }
  ErrorReport& errors() { return errors_; }

  // "&OK": the window is hidden first by the caller; then the save.
  void SaveSettings();
  void LoadSettings() { settings_file_.LoadSettings(); }

 signals:
  // Asks the event loop to end; FormClose has run.
  void closed();

 private:
  void SamplePerfStats() override { perf_.SamplePerfStats(); }
  void UpdateConnectionAccounting() override { accounting_.UpdateConnectionAccounting(); }
  void RefreshMemoryStatus() override { memory_status_ = platform_.memory->ReadMemoryStatus(); }
  void RefreshFreeResources() override { free_resources_.RefreshFreeResources(); }

  void OnTimer1();
  void OnTimer2();
  void OnTimer3();

  Platform platform_;
  ErrorReport& errors_;
  Settings settings_;
  ItemSequence sequence_;
  OrderEditor order_editor_{sequence_};
  SettingsFile settings_file_;
  PerfStats perf_;
  FreeResources free_resources_;
  MemoryStatus memory_status_;
  Accounting accounting_;
  TitleEngine engine_;
  TimeWatch time_watch_;
  std::unique_ptr<ItemContext> item_context_;
  QTimer timer1_;
  QTimer timer2_;
  QTimer timer3_;
  bool closed_ = false;
};

// Builds the Linux platform; roots of /proc and /sys come from the environment only in the
// test build of the program.
Platform MakeLinuxPlatform(const std::string& executable_path);

}  // namespace quillenta
