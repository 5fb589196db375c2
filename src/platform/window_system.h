#pragma once
#include <cstdint>
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
  // Announces that ReadTitle(target) and ForegroundWindow() follow, so that an implementation
  // can ask for both at once: the work tick then costs one round trip to the display.
  virtual void PrepareObservation(WindowId target) {}
};

}  // namespace quillenta
