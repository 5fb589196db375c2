#pragma once
// The Windows program: the core behind a hidden main window that owns the timers.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "program/program.h"
#include "app/win32/settings_window.h"
#include "app/win32/tray_win32.h"

namespace quillenta {

// MessageBoxW with the error icon, titled "Quillenta". A box only queues its text: it opens
// from the message loop, never inside the handler that failed, since the box's own message
// loop goes on running the timers, and a tick must never start while another is half done.
class Win32ErrorBox : public ErrorBoxShower {
 public:
  static constexpr UINT kShowMessage = WM_APP + 1;

  // The window whose message loop opens the box.
  void SetMessageWindow(HWND window) { window_ = window; }
  void ShowErrorBox(const std::string& text, std::function<void()> closed) override;
  // On kShowMessage.
  void ShowPending();

 private:
  HWND window_ = nullptr;
  std::string pending_;
  std::function<void()> closed_;
};

class MainWindow : private Shell {
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

  ProgramCore& core() { return program_.core(); }
  SettingsWindow& settings_window() { return settings_; }
  Win32Tray& tray() { return tray_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  // Idempotent: the close box, WM_ENDSESSION and a close request may all come.
  void FormClose() { program_.FormClose(); }

  void StartTimer(Timer timer, int interval_ms) override;
  void StopTimer(Timer timer) override;
  void HideToTray() override;
  void ShowAtStart() override;
  void Closed() override;

  HINSTANCE instance_;
  Win32ErrorBox box_;
  OneErrorBoxAtATime errors_{box_};
  Program program_;
  Win32Tray tray_;
  SettingsWindow settings_;
  HWND window_ = nullptr;
  Signal<const std::string&>::Subscription tray_line_;
};

// The Win32 services the core runs on; the interface's language follows the system's display
// language unless --lang named one.
Platform MakeWin32Platform(std::optional<Language> language_override = std::nullopt);

}  // namespace quillenta
