#include "app/qt/application.h"

namespace quillenta {

Application::Application(Platform platform, ErrorReport& errors)
    : program_(std::move(platform), errors, *this) {
  connect(&timer1_, &QTimer::timeout, this, [this] { program_.OnTimer(Timer::kTimer1); });
  connect(&timer2_, &QTimer::timeout, this, [this] { program_.OnTimer(Timer::kTimer2); });
}

Application::~Application() { program_.FormClose(); }

void Application::FormCreate(ShellWindows* windows) {
  windows_ = windows;
  program_.FormCreate();
}

void Application::StartTimer(Timer timer, int interval_ms) { TimerOf(timer).start(interval_ms); }

void Application::StopTimer(Timer timer) { TimerOf(timer).stop(); }

void Application::HideToTray() {
  if (windows_ != nullptr) windows_->HideToTray();
}

void Application::ShowAtStart() {
  if (windows_ != nullptr) windows_->ShowAtStart();
}

}  // namespace quillenta
