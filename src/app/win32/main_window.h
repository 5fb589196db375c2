#pragma once
// The Windows program: the core behind a hidden main window that owns the timers.
#include <windows.h>

#include <string>

#include "app/program_core.h"
#include "app/win32/settings_window.h"
#include "app/win32/tray_win32.h"

namespace quillenta {

// MessageBoxW with the error icon, titled "Quillenta", one box at a time. A report only
// queues the message: the box opens from the message loop, never inside the handler that
// failed, since the box's own message loop goes on running the timers, and a tick must never
// start while another is half done.
class Win32ErrorBox : public ErrorReport {
 public:
  static constexpr UINT kShowMessage = WM_APP + 1;

  // The window whose message loop opens the box.
  void SetMessageWindow(HWND window) { window_ = window; }
  void Report(const std::string& message) override;
  // On kShowMessage.
  void ShowPending();

 private:
  HWND window_ = nullptr;
  std::string pending_;
  bool queued_ = false;
  bool showing_ = false;
};

class MainWindow {
 public:
  static constexpr wchar_t kClassName[] = L"QuillentaMainWindow";

  // chooser: the "参照" dialog; null gives the GetOpenFileNameW one.
  MainWindow(HINSTANCE instance, Platform platform, FileChooser* chooser = nullptr);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the hidden window and runs the start-up; false when the window cannot be made.
  bool FormCreate();
  // Runs the message loop until the program ends; the process's exit code.
  int Run();

  ProgramCore& core() { return core_; }
  SettingsWindow& settings_window() { return settings_; }
  Win32Tray& tray() { return tray_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  // Idempotent: the close box, WM_ENDSESSION and a close request may all come.
  void FormClose();

  enum TimerId : UINT_PTR { kTimer1 = 1, kTimer2 = 2 };

  HINSTANCE instance_;
  Win32ErrorBox errors_;
  ProgramCore core_;
  Win32Tray tray_;
  SettingsWindow settings_;
  HWND window_ = nullptr;
  bool closed_ = false;
};

// The Win32 services the core runs on.
Platform MakeWin32Platform();

}  // namespace quillenta
