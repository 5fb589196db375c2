#pragma once
#include <string>

#include "platform/window_system.h"

namespace quillenta {

// The title engine's window operations on user32. A WindowId is the HWND's value: Windows
// puts a reuse counter into every handle, so a dead window's handle never names a new one.
// A window that has gone (IsWindow) reads as "" and ignores writes. Writes go through
// SendMessageTimeoutW with SMTO_ABORTIFHUNG, so a window that has stopped answering costs at
// most the timeout once and is passed over while Windows reports it hung.
class Win32WindowSystem : public WindowSystem {
 public:
  // write_timeout_ms bounds a write into a window that does not answer.
  explicit Win32WindowSystem(unsigned write_timeout_ms = 50);

  // The desktop and shell windows count as none.
  WindowId ForegroundWindow() override;
  std::string ReadTitle(WindowId window) override;
  void WriteTitle(WindowId window, const std::string& title) override;
  WindowId FindWindowByTitle(const std::string& title) override;
  // The taskbar: the window of class Shell_TrayWnd.
  WindowId FindPanel() override;

 private:
  unsigned write_timeout_ms_;
};

}  // namespace quillenta
