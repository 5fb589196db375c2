#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>

#include "platform/window_system.h"

namespace quillenta {

// The title engine's window operations on user32. A WindowId is the HWND's value: Windows
// puts a reuse counter into every handle, so a dead window's handle never names a new one.
// A window that has gone (IsWindow) reads as "" and ignores writes. Writes go through
// SendMessageTimeoutW with SMTO_ABORTIFHUNG, so a window that has stopped answering costs at
// most the timeout once and is passed over while Windows reports it hung.
//
// A window whose write timed out is not written again until it answers: its newest title is
// kept and sent when it has worked through its queue, which this object hears of through
// SendMessageCallbackW. The news arrives while the calling thread retrieves messages, as the
// program's message loop does. Until then the window reads as bearing that title: what it
// shows meanwhile is a title this program wrote, not one its owner set, and taking it for the
// owner's would give the window a stale line back as its own at the next switch.
class Win32WindowSystem : public WindowSystem {
 public:
  // write_timeout_ms bounds a write into a window that does not answer.
  explicit Win32WindowSystem(unsigned write_timeout_ms = 50);
  // A title still held for a window that has not answered is sent once more, waiting at most
  // a second (or the timeout, if longer) for all such windows together, so that a restore at
  // shutdown reaches a window that answers again within that time.
  ~Win32WindowSystem() override;
  Win32WindowSystem(const Win32WindowSystem&) = delete;
  Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;

  // The desktop and shell windows count as none.
  WindowId ForegroundWindow() override;
  std::string ReadTitle(WindowId window) override;
  void WriteTitle(WindowId window, const std::string& title) override;
  // Exact, case included: FindWindowW alone compares without case.
  WindowId FindWindowByTitle(const std::string& title) override;
  // The taskbar: the window of class Shell_TrayWnd.
  WindowId FindPanel() override;

  // Whether a write into `window` timed out and the window has not answered since.
  bool Unanswered(WindowId window) const { return unanswered_.count(window) != 0; }

 private:
  struct Callbacks;

  void Send(WindowId window, std::wstring title);

  unsigned write_timeout_ms_;
  // Names this object to the answer callbacks, which may arrive after it has gone.
  std::uintptr_t serial_;
  // Windows whose last write timed out, each with the title it is to get once it answers.
  std::unordered_map<WindowId, std::wstring> unanswered_;
  // The foreground stays the same window tick after tick: whether it is the desktop is
  // asked once per window, not at every tick.
  WindowId last_foreground_ = kNoWindow;
  bool last_foreground_is_desktop_ = false;
  // The window last written: the one a search for the line just written is for.
  WindowId last_written_ = kNoWindow;
};

}  // namespace quillenta
