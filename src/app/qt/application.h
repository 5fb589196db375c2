#pragma once
// The program under Qt: its timers, and the tray and window that start-up drives.
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "program/program.h"

namespace quillenta {

// The tray and the settings window, as start-up drives them.
class ShellWindows {
 public:
  virtual ~ShellWindows() = default;
  virtual void HideToTray() = 0;
  virtual void ShowAtStart() = 0;
};

class Application : public QObject, private Shell {
  Q_OBJECT

 public:
  Application(Platform platform, ErrorReport& errors);
  ~Application() override;

  // windows may be null (no tray and no window).
  void FormCreate(ShellWindows* windows);
  void FormClose() { program_.FormClose(); }

  ProgramCore& core() { return program_.core(); }

 signals:
  // FormClose has run; the event loop should end.
  void closed();

 private:
  void StartTimer(Timer timer, int interval_ms) override;
  void StopTimer(Timer timer) override;
  void HideToTray() override;
  void ShowAtStart() override;
  void Closed() override { emit closed(); }
  void ShowNotice(const std::string& text) override;
  QTimer& TimerOf(Timer timer) {
    return timer == Timer::kTimer1 ? timer1_ : timer == Timer::kTimer2 ? timer2_ : notice_timer_;
  }

  ShellWindows* windows_ = nullptr;
  QTimer timer1_;
  QTimer timer2_;
  QTimer notice_timer_;
  // After the timers: loading the settings may start the periodic save.
  Program program_;
  // The window system's notices of a target that retitled itself.
  std::unique_ptr<QSocketNotifier> notices_;
};

// Builds the Linux platform; roots of /proc and /sys come from the environment only in the
// test build of the program.
Platform MakeLinuxPlatform(const std::string& executable_path);

}  // namespace quillenta
