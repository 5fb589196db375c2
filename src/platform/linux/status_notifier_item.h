#pragma once
// The tray icon as a StatusNotifierItem of the program's own on the session bus, its menu
// exported as com.canonical.dbusmenu, and the line as its XAyatanaLabel (GNOME's AppIndicator
// extension draws it beside the icon).
//
// One thread: the caller's event loop watches Descriptor() (for writing too while
// WantsWrite()) and calls Process() when it is ready or TimeoutMs() has passed, and after
// every other call. Nothing here waits for the bus: every call is sent with its answer taken
// later, so a hung watcher or host never holds up the tick.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct sd_bus;
struct sd_bus_slot;
struct sd_bus_message;

namespace quillenta {

// One size of the icon: ARGB32 in network byte order, as IconPixmap carries it.
struct SniPixmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> argb;
};

class StatusNotifierItem {
 public:
  enum class Watcher { kUnknown, kPresent, kAbsent };

  struct Events {
    // The first answer about the watcher, and every later appearance or loss of it.
    std::function<void(Watcher)> watcher;
    // A left press (Activate), or a host that asks the program for its own menu.
    std::function<void()> activate;
    std::function<void()> context_menu;
    // An item of the exported menu was clicked, by its index.
    std::function<void(std::size_t)> menu_item;
  };

  StatusNotifierItem(std::string id, std::string title, std::vector<SniPixmap> icon,
                     std::vector<std::string> menu, Events events);
  ~StatusNotifierItem();
  StatusNotifierItem(const StatusNotifierItem&) = delete;
  StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

  // Connects to the session bus and asks whether a watcher is there; false without a bus.
  bool Open();
  int Descriptor() const;
  bool WantsWrite() const;
  // Until Process() must run again; -1: only when the descriptor is ready.
  int TimeoutMs() const;
  // Takes every message that came in, then runs what they asked for.
  void Process();

  Watcher watcher() const { return watcher_; }
  bool HostRegistered() const { return host_registered_; }

  // The item on the bus and known to the watcher, or gone from both.
  void Show();
  void Hide();
  void SetToolTip(const std::string& text);
  void SetLabel(const std::string& label);
  void SetMenu(std::vector<std::string> labels);

  // How long the host's menu counts as open after it said it opens it, unless clicked before.
  static constexpr std::uint64_t kMenuOpenMs = 10000;

  // The bus name the item is shown under.
  const std::string& BusName() const { return bus_name_; }

 private:
  void AskHost();
  // The New signals of what changed, unless the host's menu is open.
  void EmitChanges();
  void Register();
  void SetWatcher(Watcher watcher);
  void Call(const char* destination, const char* path, const char* interface,
            const char* member, std::function<void(sd_bus_message*)> answer,
            const char* argument, bool flags = false);

  friend struct SniHandlers;

  std::string id_;
  std::string title_;
  std::vector<SniPixmap> icon_;
  std::vector<std::string> menu_;
  Events events_;
  std::string tooltip_;
  std::string label_;
  std::string bus_name_;
  std::uint32_t revision_ = 1;
  bool tooltip_waits_ = false;
  bool label_waits_ = false;
  std::uint64_t menu_open_until_us_ = 0;
  bool menu_quiet_ = false;
  sd_bus* bus_ = nullptr;
  std::vector<sd_bus_slot*> slots_;
  Watcher watcher_ = Watcher::kUnknown;
  bool host_registered_ = false;
  bool shown_ = false;
  bool name_requested_ = false;
  // What the bus's messages asked for, run once they are all taken, outside sd-bus's
  // callbacks (an action may hide the item or end the program).
  std::vector<std::function<void()>> pending_;
};

}  // namespace quillenta
