#include "app/application.h"

namespace quillenta {

Application::Application(Platform platform, ErrorReport& errors)
    : platform_(std::move(platform)),
      errors_(errors),
      settings_file_(*platform_.profile, settings_, order_editor_),
      perf_(*platform_.cpu, *platform_.links),
      free_resources_(*platform_.free_resources),
      accounting_(*platform_.clock, *platform_.links, perf_.Values(), settings_),
      engine_(*platform_.windows, sequence_, *this, errors_),
      time_watch_(*platform_.clock, settings_, accounting_.Figures(), *platform_.launcher) {
  item_context_ = std::make_unique<ItemContext>(ItemContext{
      settings_, *platform_.clock, *platform_.locale, engine_.SavedTitle(), memory_status_,
      perf_.Values(), *platform_.battery, free_resources_.Texts(), accounting_.Figures(),
      *platform_.links});
  engine_.AttachItems(*item_context_);

  timer1_.setInterval(100);
  timer2_.setInterval(18000);
  timer3_.setInterval(1000);
  connect(&timer1_, &QTimer::timeout, this, &Application::OnTimer1);
  connect(&timer2_, &QTimer::timeout, this, &Application::OnTimer2);
  connect(&timer3_, &QTimer::timeout, this, &Application::OnTimer3);
  settings_.on_periodic_save_changed = [this](bool on) {
    if (on) {
      timer2_.start();
    } else {
      timer2_.stop();
    }
  };
}

Application::~Application() { FormClose(); }

void Application::FormCreate(Shell* shell) {
  if (shell != nullptr) shell->HideToTray();
  perf_.StartCpuStatistic();
  settings_file_.LoadSettings();
  if (shell != nullptr && settings_.Flag(FlagKey::b49)) shell->ShowAtStart();
  accounting_.LoadConnectionTotals(settings_file_.ReadConnectionTotals());
  timer1_.start();
  timer3_.start();
}

void Application::FormClose() {
  if (closed_) return;
  closed_ = true;
  timer1_.stop();
  timer2_.stop();
  timer3_.stop();
  perf_.StopCpuStatistic();
  engine_.RestoreTarget();
  emit closed();
}

void Application::SaveSettings() {
  try {
    settings_file_.SaveSettings(accounting_.TotalsForSave(), engine_.Line());
  } catch (const std::exception& error) {
    errors_.Report(error.what());
  }
}

void Application::OnTimer1() {
  if (platform_.display_lost && platform_.display_lost()) {
    FormClose();
    return;
  }
  engine_.Timer1Timer();
}

void Application::OnTimer2() {
  try {
    accounting_.SaveConnectionTotals(settings_file_, engine_.Line());
  } catch (const std::exception& error) {
    errors_.Report(error.what());
  }
}

void Application::OnTimer3() { time_watch_.CheckTimeWatches(); }

}  // namespace quillenta
