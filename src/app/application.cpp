#include "app/application.h"

namespace quillenta {

Application::Application(Platform platform, ErrorReport& errors)
    : core_(std::move(platform), errors) {
  // The tick alternates a sample tick and a work tick, so the line changes every 200 ms.
  // Waking the event loop costs more than either tick's work; one wakeup per refresh runs
  // both, sample first: CPU samples stay 200 ms apart, and the accounting gets byte
  // counters read just before it runs instead of 100 ms before.
  timer1_.setInterval(kTicksPerWakeup * kTickMs);
  timer2_.setInterval(18000);
  connect(&timer1_, &QTimer::timeout, this, &Application::OnTimer1);
  connect(&timer2_, &QTimer::timeout, this, [this] { core_.Timer2Timer(); });
  core_.settings().on_periodic_save_changed = [this](bool on) {
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
  core_.Start();
  if (shell != nullptr && core_.settings().Flag(FlagKey::b49)) shell->ShowAtStart();
  core_.LoadConnectionTotals();
  timer1_.start();
}

void Application::FormClose() {
  if (closed_) return;
  closed_ = true;
  timer1_.stop();
  timer2_.stop();
  core_.Stop();
  emit closed();
}

void Application::OnTimer1() {
  const auto& display_lost = core_.platform().display_lost;
  if (display_lost && display_lost()) {
    FormClose();
    return;
  }
  for (int tick = 0; tick < kTicksPerWakeup; ++tick) core_.Timer1Timer();
  // The once-a-second time watch rides on every fifth wakeup instead of a timer of its own,
  // which would wake the program a sixth time each second.
  if (++wakeups_since_watch_ == kWakeupsPerWatchCheck) {
    wakeups_since_watch_ = 0;
    core_.Timer3Timer();
  }
}

}  // namespace quillenta
