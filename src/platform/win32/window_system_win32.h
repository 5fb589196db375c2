#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include <windows.h>

#include "platform/win32/borrowed_titles_win32.h"
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
//
// A write the system refuses (the window belongs to a program of higher integrity, such as an
// elevated Task Manager) is not a hang: the window is left as it is for good, and no later
// write or restore is sent to it.
//
// With a record path, GiveBackLeftTitles opens the record of borrowed titles there: from then
// on each window written into has an entry (its own title, the line last sent) from before
// its first write until its own title has reached it, and a later start gives back what a
// run that did not get that far left. Without one, or where the file cannot be made, there is
// no record and nothing else changes.
class Win32WindowSystem : public WindowSystem {
 public:
  // The two user32 calls a write makes; a test puts in a window that refuses or hangs.
  struct SendCalls {
    decltype(&::SendMessageTimeoutW) send_timeout = &::SendMessageTimeoutW;
    decltype(&::SendMessageCallbackW) send_callback = &::SendMessageCallbackW;
  };

  // write_timeout_ms bounds a write into a window that does not answer.
  explicit Win32WindowSystem(unsigned write_timeout_ms = 50);
  Win32WindowSystem(unsigned write_timeout_ms, SendCalls calls, std::wstring record_path = {});
  // A title still held for a window that has not answered is sent once more, waiting at most
  // a second (or the timeout, if longer) for all such windows together, so that a restore at
  // shutdown reaches a window that answers again within that time.
  ~Win32WindowSystem() override;
  Win32WindowSystem(const Win32WindowSystem&) = delete;
  Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;

  WindowId ForegroundWindow() override;
  // What the last ForegroundWindow() found, without asking the system again.
  WindowId LastForeground() const { return last_foreground_; }
  std::string ReadTitle(WindowId window) override;
  void WriteTitle(WindowId window, const std::string& title) override;
  void RestoreTitle(WindowId window, const std::string& title) override;
  // Exact, case included: FindWindowW alone compares without case.
  WindowId FindWindowByTitle(const std::string& title) override;
  // The taskbar: the window of class Shell_TrayWnd.
  WindowId FindPanel() override;
  // Every shell surface that comes to the front over the user's window: the taskbars of all
  // monitors, the notification overflow, Start, Search and the action centre, Alt+Tab and
  // Task View, the desktop; and this program's own windows that come to the front only to
  // carry a menu (the hidden main window, a menu itself).
  bool IsPanel(WindowId window) override;
  // Each entry whose window is still the one it names (the same owner process and thread)
  // and shows exactly the line last written gets its own title, sent as a write is; then
  // every entry goes.
  void GiveBackLeftTitles() override;
  // An out-of-context WinEvent hook on the followed window's thread tells of its name
  // changes; Windows delivers them while the program's thread retrieves messages, and the
  // notice is called from there.
  void FollowTitle(WindowId window) override;
  bool TakeRetitle() override;
  void SetNotice(std::function<void()> notice) override { notice_ = std::move(notice); }

  // Whether a write into `window` timed out and the window has not answered since.
  bool Unanswered(WindowId window) const { return unanswered_.count(window) != 0; }
  // Whether the system refused a write into `window`.
  bool Refused(WindowId window) const { return refused_.count(window) != 0; }

 private:
  struct Callbacks;

  // A give-back removes the window's entry once it has arrived; a line is recorded first.
  enum class Purpose { kLine, kGiveBack };
  void Send(WindowId window, std::wstring title, Purpose purpose);
  // A window that has not answered a write gets `title` once it answers, instead of now;
  // false where the window answers and the title is to be sent.
  bool HoldForUnanswered(WindowId window, std::wstring& title, Purpose purpose);
  void Forget(WindowId window);

  unsigned write_timeout_ms_;
  SendCalls calls_;
  // Names this object to the answer callbacks, which may arrive after it has gone.
  std::uintptr_t serial_;
  // Windows whose last write timed out, each with the title it is to get once it answers.
  std::unordered_map<WindowId, std::wstring> unanswered_;
  // Those of them whose held title is their own, not a line.
  std::unordered_set<WindowId> giving_back_;
  // Windows that refused a write.
  std::unordered_set<WindowId> refused_;
  std::wstring record_path_;
  std::unique_ptr<BorrowedTitles> record_;
  // The window last written: the one a search for the line just written is for.
  WindowId last_written_ = kNoWindow;
  WindowId last_foreground_ = kNoWindow;
  HWINEVENTHOOK hook_ = nullptr;
  HWND followed_ = nullptr;
  // What this program wrote last into the followed window: a name change that leaves this
  // text is its own, not the owner's.
  std::wstring own_text_;
  bool retitled_ = false;
  // The followed window's new text, read when its name change was told, for the notice that
  // answers it at once: one cross-process read a retitle instead of two (under Wine each takes
  // about 0.2 ms of the time the window shows its bare title).
  std::wstring* told_text_ = nullptr;
  std::function<void()> notice_;
};

}  // namespace quillenta
