#pragma once
// The notification-area icon and its menu, the form's PopupMenu1.
#include <QFont>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QSocketNotifier>
#include <functional>
#include <memory>
#include <string>

#include "platform/linux/status_notifier_item.h"

namespace quillenta {

// Where a menu of `size` opens for a press at `cursor`.
QPoint MenuCornerAt(QPoint cursor, QSize size);

class TrayIcon : public QObject {
  Q_OBJECT

 public:
  explicit TrayIcon(QObject* parent = nullptr);
  ~TrayIcon() override;

  // Both idempotent: a second "&OK" adds no second icon.
  void AddTrayIcon();
  void RemoveTrayIcon();
  bool Present() const { return present_; }

  QSystemTrayIcon& icon() { return icon_; }
  QMenu& menu() { return menu_; }  // PopupMenu1
  // The menu's font, asked for when the menu first opens: finding a Japanese face walks the
  // whole font list, which a program that is never clicked need not do.
  void SetMenuFont(std::function<QFont()> font) { menu_font_ = std::move(font); }
  // The menu's captions in the interface's language, as it is now.
  void ShowLanguage();
  // The icon's tooltip, and the item's label beside it (empty: none).
  void ShowLine(const std::string& line);
  void ShowLabel(const std::string& label);
  // The icon is a StatusNotifierItem of the program's own (a watcher was there at start).
  bool OwnItem() const { return mode_ == Mode::kOwnItem; }
  // A panel hosts the icon.
  bool HostAvailable() const;

  // How long start-up waits for a panel that hosts icons before it says so.
  static constexpr int kHostWaitMs = 10000;
  static constexpr int kHostPollMs = 500;
  // Starts the wait; `available` is the host check.
  void WatchForHost(std::function<bool()> available, int wait_ms = kHostWaitMs);

 signals:
  // An item of the menu, by its name in the form description.
  void itemChosen(const QString& item);
  // No panel hosts icons 10 s after start: the window must stay reachable.
  void noHost();

 private:
  enum class Mode { kUndecided, kQt, kOwnItem };
  void OnActivated(QSystemTrayIcon::ActivationReason reason);
  void PopupMenu();
  void PollHost();
  void StartOwnItem();
  void OnWatcher(StatusNotifierItem::Watcher watcher);
  // Takes what the bus brought and waits for what it needs next.
  void PumpBus();
  void ShowIcon(bool shown);

  QSystemTrayIcon icon_;
  QMenu menu_;
  // The panel draws the menu (a StatusNotifierItem host reads it over D-Bus).
  bool host_draws_menu_ = false;
  bool present_ = false;
  QTimer host_poll_;
  int host_waited_ms_ = 0;
  int host_wait_ms_ = kHostWaitMs;
  std::function<bool()> host_available_;
  std::function<QFont()> menu_font_;
  Mode mode_ = Mode::kQt;
  std::unique_ptr<StatusNotifierItem> item_;
  std::unique_ptr<QSocketNotifier> bus_read_;
  std::unique_ptr<QSocketNotifier> bus_write_;
  QTimer bus_timer_;
};

}  // namespace quillenta
