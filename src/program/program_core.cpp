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
}

void ProgramCore::Start() {
  perf_.StartCpuStatistic();
  settings_file_.LoadSettings();
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

void ProgramCore::Wakeup() {
  static constexpr int kWakeupsPerWatchCheck = 1000 / kWakeupMs;
  for (int tick = 0; tick < kTicksPerWakeup; ++tick) Timer1Timer();
  if (settings_save_.waiting) AttemptSave(settings_save_, &ProgramCore::WriteSettings);
  if (totals_save_.waiting) AttemptSave(totals_save_, &ProgramCore::WriteTotals);
  if (++wakeups_since_watch_ == kWakeupsPerWatchCheck) {
    wakeups_since_watch_ = 0;
    Timer3Timer();
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
