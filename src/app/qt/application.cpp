#include "app/qt/application.h"

namespace quillenta {

Application::Application(Platform platform, ErrorReport& errors)
    : core_(std::move(platform), errors) {
  timer1_.setInterval(ProgramCore::kWakeupMs);
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
  core_.Wakeup();
}

}  // namespace quillenta
