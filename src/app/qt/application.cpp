#include "app/qt/application.h"

#include <QMessageBox>

namespace quillenta {

Application::Application(Platform platform, ErrorReport& errors)
    : program_(std::move(platform), errors, *this) {
  connect(&timer1_, &QTimer::timeout, this, [this] { program_.OnTimer(Timer::kTimer1); });
  connect(&timer2_, &QTimer::timeout, this, [this] { program_.OnTimer(Timer::kTimer2); });
  // A wait of a few ms, to be kept as given (a coarse timer may move it by 5 %).
  notice_timer_.setTimerType(Qt::PreciseTimer);
  connect(&notice_timer_, &QTimer::timeout, this, [this] { program_.OnTimer(Timer::kNotice); });
  const int notices = program_.core().platform().windows->NoticeDescriptor();
  if (notices >= 0) {
    notices_ = std::make_unique<QSocketNotifier>(notices, QSocketNotifier::Read);
    connect(notices_.get(), &QSocketNotifier::activated, this, [this] {
      const auto& lost = program_.core().platform().display_lost;
      // A closed connection stays readable: the next tick ends the program.
      if (program_.Closed() || (lost && lost())) {
        notices_->setEnabled(false);
        return;
      }
      program_.core().platform().windows->ReadNotices();
      program_.OnWindowNotice();
    });
  }
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

void Application::ShowNotice(const std::string& text) {
  auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Quillenta"),
                              QString::fromStdString(text), QMessageBox::Ok);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->show();
}

void Application::ShowAtStart() {
  if (windows_ != nullptr) windows_->ShowAtStart();
}

}  // namespace quillenta
