#include "program/program.h"

namespace quillenta {

Program::Program(Platform platform, ErrorReport& errors, Shell& shell)
    : shell_(shell), core_(std::move(platform), errors) {
  periodic_save_ = core_.settings().periodic_save_changed.Subscribe([this](bool on) {
    if (on) {
      shell_.StartTimer(Shell::Timer::kTimer2, kTimer2Ms);
    } else {
      shell_.StopTimer(Shell::Timer::kTimer2);
    }
  });
}

void Program::FormCreate() {
  shell_.HideToTray();
  core_.Start();
  if (core_.settings().Flag(FlagKey::b49)) shell_.ShowAtStart();
  core_.LoadConnectionTotals();
  shell_.StartTimer(Shell::Timer::kTimer1, ProgramCore::kWakeupMs);
}

void Program::FormClose() {
  if (closed_) return;
  closed_ = true;
  shell_.StopTimer(Shell::Timer::kTimer1);
  shell_.StopTimer(Shell::Timer::kTimer2);
  core_.Stop();
  shell_.Closed();
}

void Program::OnTimer(Shell::Timer timer) {
  if (closed_) return;
  if (timer == Shell::Timer::kTimer2) {
    core_.Timer2Timer();
    return;
  }
  const auto& display_lost = core_.platform().display_lost;
  if (display_lost && display_lost()) {
    FormClose();
    return;
  }
  core_.Wakeup();
}

}  // namespace quillenta
