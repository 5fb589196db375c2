#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/linux/sway_ipc.h"
#include "platform/linux/sway_titles.h"
#include "platform/window_system.h"

namespace quillenta {

// The window operations over sway's IPC, for native Wayland and XWayland windows alike. A
// window is a view's container id, which sway never gives to another container. The line
// goes into a title_format and the window's own title (its `name`) stays as its owner set
// it. What is in front is followed from the events of a connection of its own; the tree is
// read once, at the start. No call waits for the compositor, except the start and the
// shutdown, for a bounded time.
class SwayWindowSystem : public WindowSystem {
 public:
  explicit SwayWindowSystem(const std::string& socket_path);
  ~SwayWindowSystem() override;
  SwayWindowSystem(const SwayWindowSystem&) = delete;
  SwayWindowSystem& operator=(const SwayWindowSystem&) = delete;

  // Whether the compositor answered at the start: the events are subscribed and the tree read.
  bool Ready() const { return ready_; }
  // Whether either connection has gone (the compositor ended or stopped reading).
  bool ConnectionLost() const;

  WindowId ForegroundWindow() override;
  std::string ReadTitle(WindowId window) override;
  void WriteTitle(WindowId window, const std::string& title) override;
  void RestoreTitle(WindowId window, const std::string& title) override;
  WindowId FindWindowByTitle(const std::string& title) override;
  // sway's bars are no containers: nothing in the tree is a panel.
  WindowId FindPanel() override { return kNoWindow; }
  bool IsPanel(WindowId) override { return false; }
  void GiveBackLeftTitles() override;

 private:
  // A window that shows a line of this program.
  struct Borrowed {
    std::string line;
    // The window's own title when the line was written: while it stays, the window reads as
    // the line; a new one is its owner's retitle.
    std::string name;
    std::string mark;
    std::string own_format;
  };

  // Takes in the events and answers that have come.
  void Pump();
  void TakeEvent(const SwayMessage& message);
  void Command(const std::string& command);
  std::string Shown(std::int64_t container, const std::string& name) const;
  std::string GiveBackCommand(std::int64_t container, const std::string& mark,
                              const std::string& own_format) const;

  SwayIpcConnection commands_;
  SwayIpcConnection events_;
  bool ready_ = false;
  bool pango_ = false;
  // Every view and its own title.
  std::unordered_map<std::int64_t, std::string> views_;
  std::int64_t focused_ = 0;
  std::unordered_map<std::int64_t, Borrowed> borrowed_;
  // The marks an earlier run left, as the start found them: container and mark.
  std::vector<std::pair<std::int64_t, std::string>> left_;
  // Commands sent whose answers have not come: the shutdown waits for them.
  int unanswered_ = 0;
};

}  // namespace quillenta
