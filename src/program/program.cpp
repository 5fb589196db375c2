#include "program/program.h"

#include "lang/translate.h"

namespace quillenta {

std::string OnlyXWaylandNotice() {
  return Tr("notice",
            "この Wayland のセッションでは、XWayland で動くウィンドウのタイトルバーにだけ情報を"
            "表示できます。Wayland で直接動くウィンドウ(GNOME や KDE の多くのアプリ)には表示"
            "できません。情報は通知領域のアイコンのツールチップで、対応するパネルではアイコンの"
            "横でも見られます。");
}

Program::Program(Platform platform, ErrorReport& errors, Shell& shell)
    : shell_(shell), core_(std::move(platform), errors) {
  core_.platform().windows->SetNotice([this] { OnWindowNotice(); });
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
  if (core_.platform().only_xwayland_windows && !core_.settings_file().WaylandNoticeSeen()) {
    shell_.ShowNotice(OnlyXWaylandNotice());
    core_.settings_file().MarkWaylandNoticeSeen();
  }
  if (core_.settings().Flag(FlagKey::b49)) shell_.ShowAtStart();
  core_.LoadConnectionTotals();
  shell_.StartTimer(Shell::Timer::kTimer1, ProgramCore::kWakeupMs);
}

void Program::FormClose() {
  if (closed_) return;
  closed_ = true;
  shell_.StopTimer(Shell::Timer::kTimer1);
  shell_.StopTimer(Shell::Timer::kTimer2);
  shell_.StopTimer(Shell::Timer::kNotice);
  core_.Stop();
  shell_.Closed();
}

void Program::OnWindowNotice() {
  if (!closed_) AwaitNotice(core_.TitleNotice());
}

void Program::AwaitNotice(int wait_ms) {
  if (wait_ms > 0) shell_.StartTimer(Shell::Timer::kNotice, wait_ms);
}

void Program::OnTimer(Shell::Timer timer) {
  if (closed_) return;
  if (timer == Shell::Timer::kTimer2) {
    core_.Timer2Timer();
    return;
  }
  if (timer == Shell::Timer::kNotice) {
    shell_.StopTimer(Shell::Timer::kNotice);
    OnWindowNotice();
    return;
  }
  const auto& display_lost = core_.platform().display_lost;
  if (display_lost && display_lost()) {
    FormClose();
    return;
  }
  core_.Wakeup();
  AwaitNotice(core_.NoticeWaitMs());
}

}  // namespace quillenta
