#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace quillenta {

// A top-level window for the life of that window; 0 is "none". On X11: the client window's
// XID, with the XID's generation above it, since X gives a dead window's XID to the next new
// window at once and the two must never be taken for one another.
using WindowId = std::uint64_t;
inline constexpr WindowId kNoWindow = 0;

// The four window operations of the title engine. A window that has gone away reads as an
// empty title, ignores writes and is never an error.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  virtual WindowId ForegroundWindow() = 0;
  // The whole title, never cut short.
  virtual std::string ReadTitle(WindowId window) = 0;
  virtual void WriteTitle(WindowId window, const std::string& title) = 0;
  // Gives `window` back its own title, `title` as last read. Where a title is more than its
  // text (on X11 two properties, each with a type of its own, either of them possibly never
  // set), an implementation puts back exactly what the owner had and may ignore `title`.
  virtual void RestoreTitle(WindowId window, const std::string& title) {
    WriteTitle(window, title);
  }
  // Any managed top-level window whose title equals `title` byte for byte, else kNoWindow.
  virtual WindowId FindWindowByTitle(const std::string& title) = 0;
  // The desktop panel (a dock window), else kNoWindow.
  virtual WindowId FindPanel() = 0;
  // Whether `window` is a desktop panel; a desktop may have several, and FindPanel names one.
  virtual bool IsPanel(WindowId window) { return window != kNoWindow && window == FindPanel(); }
  // What an earlier run that ended without its shutdown (killed, crashed, the power cut) left
  // in windows: each window that still carries exactly the line that run wrote last gets its
  // own title back; one retitled by its owner since, or a handle that names another window
  // now, is left as it is. Every such record is dropped. Called once, when the program's core
  // is made (after the single-instance guard, before the first tick).
  virtual void GiveBackLeftTitles() {}
  // Announces that ReadTitle(target) and ForegroundWindow() follow, so that an implementation
  // can ask for both at once: the work tick then costs one round trip to the display.
  virtual void PrepareObservation(WindowId target) {}

  // A window that retitles itself (an editor's unsaved mark, a page whose title ticks) would
  // show its bare title until the next work tick; the system tells of it at once instead.
  // From now on `window`'s own title is the one followed, in place of the one before.
  virtual void FollowTitle(WindowId window) {}
  // Whether the followed window's owner has set its title since the last call; this
  // program's own writes never count. Consumes what the system has sent.
  virtual bool TakeRetitle() { return false; }
  // How the shell learns that TakeRetitle may have news: a descriptor that turns readable
  // (-1 where there is none), or a call of `notice` that the implementation makes itself
  // from within the shell's message loop.
  virtual int NoticeDescriptor() { return -1; }
  // Reads what the descriptor has for TakeRetitle; the shell calls it each time the
  // descriptor turns readable, so that a TakeRetitle between two of them costs no read.
  virtual void ReadNotices() {}
  virtual void SetNotice(std::function<void()> notice) {}
};

}  // namespace quillenta
