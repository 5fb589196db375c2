#pragma once
// The program under Qt: the core, its timers, start-up and shutdown.
#include <QObject>
#include <QTimer>

#include "program/program_core.h"

namespace quillenta {

// The tray and the settings window, as start-up drives them.
class Shell {
 public:
  virtual ~Shell() = default;
  virtual void HideToTray() = 0;
  // b49 is on: the settings window shows when the loop starts (the tray icon stays).
  virtual void ShowAtStart() = 0;
};

class Application : public QObject {
  Q_OBJECT

 public:
  Application(Platform platform, ErrorReport& errors);
  ~Application() override;

  // shell may be null (no tray and no window).
  void FormCreate(Shell* shell);
  // Idempotent: a signal, the display going away and the menu may all ask for it.
  void FormClose();

  ProgramCore& core() { return core_; }
  Settings& settings() { return core_.settings(); }
  OrderEditor& order_editor() { return core_.order_editor(); }
  SettingsFile& settings_file() { return core_.settings_file(); }
  Accounting& accounting() { return core_.accounting(); }
  TimeWatch& time_watch() { return core_.time_watch(); }
  TitleEngine& engine() { return core_.engine(); }
  ErrorReport& errors() { return core_.errors(); }
  void SaveSettings() { core_.SaveSettings(); }
  void LoadSettings() { core_.LoadSettings(); }

 signals:
  // FormClose has run; the event loop should end.
  void closed();

 private:
  void OnTimer1();

  ProgramCore core_;
  QTimer timer1_;
  QTimer timer2_;
  bool closed_ = false;
};

// Builds the Linux platform; roots of /proc and /sys come from the environment only in the
// test build of the program.
Platform MakeLinuxPlatform(const std::string& executable_path);

}  // namespace quillenta
