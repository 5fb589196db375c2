#include "program/program_core.h"

namespace quillenta {

ProgramCore::ProgramCore(Platform platform, ErrorReport& errors)
    : platform_(std::move(platform)),
      errors_(errors),
      settings_file_(*platform_.profile, settings_, order_editor_),
      perf_(*platform_.cpu, *platform_.links),
      free_resources_(*platform_.free_resources),
      accounting_(*platform_.clock, *platform_.links, perf_.Values(), settings_),
      engine_(*platform_.windows, sequence_, *this),
      time_watch_(*platform_.clock, settings_, accounting_.Figures(), *platform_.launcher) {
  item_context_ = std::make_unique<ItemContext>(
      ItemContext{settings_, *platform_.clock, *platform_.locale, engine_.SavedTitle(),
                  memory_status_, perf_.Values(), *platform_.battery, free_resources_.Texts(),
                  accounting_.Figures(), *platform_.links});
  engine_.AttachItems(*item_context_);
  // First of all, before the shell builds its windows (a start under load can take a second
  // there): what a killed run left in windows waits for nothing else. The one instance that
  // runs makes the core, so no other run's lines are taken.
  platform_.windows->GiveBackLeftTitles();
  language_choice_ = settings_.changed.Subscribe([this](const SettingChange& change) {
    if (change.kind != SettingChange::Kind::kLanguage) return;
    // A choice made after the start is the user's and outweighs --lang.
    if (loaded_) platform_.language_override.reset();
    ApplyLanguage();
  });
  settings_.SetPanelLabelDefault(platform_.wayland_session);
  // The tray is made before the settings are read: it speaks the system's language until then.
  SetInterfaceLanguage(platform_.language_override.value_or(platform_.system_language));
}

void ProgramCore::Start() {
  perf_.StartCpuStatistic();
  settings_file_.LoadSettings();
  loaded_ = true;
}

void ProgramCore::ApplyLanguage() {
  Language language = platform_.system_language;
  if (platform_.language_override) {
    language = *platform_.language_override;
  } else if (std::optional<Language> chosen = ParseLanguage(settings_.LanguageChoice())) {
    language = *chosen;
  }
  const Language before = InterfaceLanguage();
  if (language == before) return;
  SetInterfaceLanguage(language);
  settings_file_.FollowLanguage(before, language);
  language_changed.Emit(language);
}

void ProgramCore::Stop() {
  perf_.StopCpuStatistic();
  engine_.RestoreTarget();
}

void ProgramCore::Timer1Timer() {
  try {
    engine_.Timer1Timer();
  } catch (const std::exception& error) {
    errors_.Report(error.what());
  }
}

int ProgramCore::TitleNotice() {
  try {
    return static_cast<int>(engine_.TitleNotice(platform_.clock->MonotonicMs()));
  } catch (const std::exception& error) {
    errors_.Report(error.what());
  }
  return 0;
}

void ProgramCore::Wakeup() {
  static constexpr int kWakeupsPerWatchCheck = 1000 / kWakeupMs;
  for (int tick = 0; tick < kTicksPerWakeup; ++tick) Timer1Timer();
  // A retitle that came in while the tick talked to the system was taken into the window
  // system's queue, where no descriptor tells of it.
  notice_wait_ms_ = TitleNotice();
  if (settings_save_.waiting) AttemptSave(settings_save_, &ProgramCore::WriteSettings);
  if (totals_save_.waiting) AttemptSave(totals_save_, &ProgramCore::WriteTotals);
  if (++wakeups_since_watch_ == kWakeupsPerWatchCheck) {
    wakeups_since_watch_ = 0;
    Timer3Timer();
    if (engine_.Line() != tray_line_) {
      tray_line_ = engine_.Line();
      tray_label_ = engine_.LineWithoutTitle();
      tray_line_changed.Emit(tray_line_);
    }
  }
}

void ProgramCore::Timer2Timer() {
  totals_save_.waiting = false;
  AttemptSave(totals_save_, &ProgramCore::WriteTotals);
}

void ProgramCore::AttemptSave(HeldSave& state, void (ProgramCore::*save)()) {
  const bool first = !state.waiting;
  try {
    (this->*save)();
    state.waiting = false;
  } catch (const FileHeldError& error) {
    const std::int64_t now = platform_.clock->MonotonicMs();
    if (first) state.give_up_at = now + kHeldFileRetryMs;
    state.waiting = now < state.give_up_at;
    if (!state.waiting) errors_.Report(error.what());
  } catch (const std::exception& error) {
    state.waiting = false;
    errors_.Report(error.what());
  }
}

void ProgramCore::Timer3Timer() {
  time_watch_.CheckTimeWatches();
  if (platform_.housekeeping) platform_.housekeeping();
}

void ProgramCore::SaveSettings() {
  settings_save_.waiting = false;
  AttemptSave(settings_save_, &ProgramCore::WriteSettings);
}

}  // namespace quillenta
