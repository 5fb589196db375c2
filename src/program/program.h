#pragma once
// The program's life, the same under every shell: the start-up and shutdown order, the three
// timers' intervals and their work, the periodic-save switch, one error box at a time. A
// shell only makes the timers, the tray, the windows and the boxes with its toolkit, and
// forwards their events here.
#include <string>

#include "program/error_report.h"
#include "program/program_core.h"

namespace quillenta {

// What a shell does with its toolkit when the program asks.
class Shell {
 public:
  // kNotice: once, for a retitle that came too soon to be answered.
  enum class Timer { kTimer1, kTimer2, kNotice };

  virtual ~Shell() = default;
  // A repeating timer whose expiries come back through Program::OnTimer.
  virtual void StartTimer(Timer timer, int interval_ms) = 0;
  virtual void StopTimer(Timer timer) = 0;
  // The tray icon, before the settings load.
  virtual void HideToTray() = 0;
  // b49 is on: the settings window shows when the loop starts; the icon stays.
  virtual void ShowAtStart() = 0;
  // The shutdown has run: the icon and the windows go, and the loop ends.
  virtual void Closed() = 0;
  // Something the user should know once, shown without holding up the caller.
  virtual void ShowNotice(const std::string& text) {}
};

// What a user of a Wayland session without a retitling compositor is told, once.
std::string OnlyXWaylandNotice();

class Program {
 public:
  static constexpr int kTimer2Ms = 18000;  // the periodic save

  Program(Platform platform, ErrorReport& errors, Shell& shell);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The tray first, then statistics and settings; the window decides by b49 before the
  // dial-up totals are read; the main timer last.
  void FormCreate();
  // Idempotent: a signal, the display going away, the session ending and the menu may all
  // ask for it. Nothing is saved.
  void FormClose();
  bool Closed() const { return closed_; }

  void OnTimer(Shell::Timer timer);
  // The window system's notice descriptor turned readable (the shell watches it), or the
  // implementation's own notice came.
  void OnWindowNotice();

  ProgramCore& core() { return core_; }

 private:
  void AwaitNotice(int wait_ms);
  Shell& shell_;
  ProgramCore core_;
  Signal<bool>::Subscription periodic_save_;
  bool closed_ = false;
};

}  // namespace quillenta
