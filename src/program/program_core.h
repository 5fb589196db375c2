#pragma once
// Every part of the program and how they meet, without Qt: the Qt layer adds the timers, the
// tray and the window; the soak test drives this directly with fakes.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "accounting/accounting.h"
#include "items/item_context.h"
#include "lang/translate.h"
#include "platform/clock.h"
#include "platform/launcher.h"
#include "platform/locale.h"
#include "platform/profile_store.h"
#include "platform/system_probes.h"
#include "platform/window_system.h"
#include "probes/perf_stats.h"
#include "program/error_report.h"
#include "settings/item_sequence.h"
#include "settings/order_editor.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "title/title_engine.h"
#include "watch/time_watch.h"

namespace quillenta {

// The platform services the program runs on.
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
  // Once a second: collects ended children of the launcher.
  std::function<void()> housekeeping;
  // The language the system's display asks for, and --lang's, which holds until the user
  // chooses one in the settings window.
  Language system_language = Language::kEnglish;
  std::optional<Language> language_override;
  // A Wayland session whose compositor lets no program retitle its native windows: only
  // windows that run through XWayland can carry the line.
  bool only_xwayland_windows = false;
  // A Wayland session, where the panel's icon carries the line beside it by default (an X11
  // user's panel stays as it was).
  bool wayland_session = false;
};

class ProgramCore : private TickSteps {
 public:
  ProgramCore(Platform platform, ErrorReport& errors);
  ProgramCore(const ProgramCore&) = delete;
  ProgramCore& operator=(const ProgramCore&) = delete;

  // The start-up steps after the tray: statistics, then settings; the window decides by b49
  // before the dial-up totals are read.
  void Start();
  void LoadConnectionTotals() {
    accounting_.LoadConnectionTotals(settings_file_.ReadConnectionTotals());
  }
  // Statistics stopped, the target's own title back.
  void Stop();

  // The tick alternates a sample tick and a work tick, so the line changes every 200 ms.
  // Waking the program costs more than either tick's work, so one wakeup per refresh runs
  // both, sample first: CPU samples stay 200 ms apart, and the accounting gets byte counters
  // read just before it runs. The once-a-second time watch rides on every fifth wakeup
  // rather than on a timer of its own, which would wake the program a sixth time a second.
  static constexpr int kTickMs = 100;
  static constexpr int kTicksPerWakeup = 2;
  static constexpr int kWakeupMs = kTicksPerWakeup * kTickMs;
  void Wakeup();

  // Reports the error of a step that failed.
  void Timer1Timer();
  // The window system told of a retitle of the target. The result: in how many ms to call
  // again for a retitle that came too soon to be answered (0: none waits); a wakeup's own
  // look at the notices leaves it in NoticeWaitMs().
  int TitleNotice();
  int NoticeWaitMs() const { return notice_wait_ms_; }
  // The periodic save; reports a failed write.
  void Timer2Timer();
  // A save that meets the settings file held by another program is made again at each
  // wakeup, the tick going on meanwhile, until it succeeds or this much time has passed;
  // only then is it reported, once.
  static constexpr std::int64_t kHeldFileRetryMs = 5000;
  // Whether a save waits for the file to be let go.
  bool SaveWaiting() const { return settings_save_.waiting || totals_save_.waiting; }
  void Timer3Timer();
  // "&OK" after the window is hidden; reports a failed write.
  void SaveSettings();
  void LoadSettings() { settings_file_.LoadSettings(); }

  // The interface's language changed (also at the load, from the system's to the file's):
  // the shell redraws its texts.
  Signal<Language> language_changed;
  // The line as the tray shows it (the icon's tooltip): at most once a second, and only when
  // it changed, so that a tray host is not asked to redraw five times a second.
  Signal<const std::string&> tray_line_changed;
  // The line without the window's title (the label beside a panel's icon), taken with the
  // tray's line.
  const std::string& TrayLabel() const { return tray_label_; }

  Platform& platform() { return platform_; }
  Settings& settings() { return settings_; }
  ItemSequence& sequence() { return sequence_; }
  OrderEditor& order_editor() { return order_editor_; }
  SettingsFile& settings_file() { return settings_file_; }
  Accounting& accounting() { return accounting_; }
  TimeWatch& time_watch() { return time_watch_; }
  TitleEngine& engine() { return engine_; }
  ErrorReport& errors() { return errors_; }

 private:
  void SamplePerfStats() override { perf_.SamplePerfStats(); }
  void UpdateConnectionAccounting() override { accounting_.UpdateConnectionAccounting(); }
  void RefreshMemoryStatus() override { memory_status_ = platform_.memory->ReadMemoryStatus(); }
  void RefreshFreeResources() override { free_resources_.RefreshFreeResources(); }

  struct HeldSave {
    bool waiting = false;
    std::int64_t give_up_at = 0;
  };
  // One attempt of a save; a held file leaves it waiting until give_up_at.
  void AttemptSave(HeldSave& state, void (ProgramCore::*save)());
  void WriteSettings() { settings_file_.SaveSettings(accounting_.TotalsForSave(), engine_.Line()); }
  void WriteTotals() { accounting_.SaveConnectionTotals(settings_file_, engine_.Line()); }

  // Makes the language the settings and the sources choose the interface's.
  void ApplyLanguage();

  Platform platform_;
  ErrorReport& errors_;
  HeldSave settings_save_;
  HeldSave totals_save_;
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
  int wakeups_since_watch_ = 0;
  int notice_wait_ms_ = 0;
  std::string tray_line_;
  std::string tray_label_;
  Signal<const SettingChange&>::Subscription language_choice_;
  bool loaded_ = false;
};

}  // namespace quillenta
