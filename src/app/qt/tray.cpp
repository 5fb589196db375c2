#include "app/qt/tray.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "app/qt/app_icon.h"
#include "form/form_description.h"

namespace quillenta {

namespace {

// Qt serves a tray icon through StatusNotifierItem, not XEmbed, when at the icon's creation the
// session bus has a StatusNotifierWatcher that reports a registered host (the generic Unix
// platform theme asks just this, once); the answer holds for the life of the icon.
bool StatusNotifierHostRegistered() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || bus.interface() == nullptr) return false;
  const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
  if (!bus.interface()->isServiceRegistered(watcher)) return false;
  QDBusMessage get = QDBusMessage::createMethodCall(
      watcher, QStringLiteral("/StatusNotifierWatcher"),
      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
  // A watcher that hangs must not hold up the start.
  const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
  return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

}  // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
  icon_.setIcon(MakeAppIcon());
  icon_.setToolTip(QStringLiteral("Quillenta"));
  for (const form::MenuDef& def : form::Menus()) {
    if (!def.owner.empty()) continue;  // the menus of the window's controls
    menu_.setObjectName(QString::fromStdString(def.name));
    for (const form::MenuItemDef& item : def.items) {
      QAction* action = menu_.addAction(QString::fromStdString(item.caption));
      const QString name = QString::fromStdString(item.name);
      action->setObjectName(name);
      connect(action, &QAction::triggered, this, [this, name] { emit itemChosen(name); });
    }
  }
  // A StatusNotifierItem host draws the menu it is given; given none, xfce4-panel opens its own
  // on a right press rather than ask the program. An XEmbed icon must have none: Qt would open
  // it on a right press, and OnActivated a second time.
  host_draws_menu_ = StatusNotifierHostRegistered();
  if (host_draws_menu_) icon_.setContextMenu(&menu_);
  connect(&icon_, &QSystemTrayIcon::activated, this, &TrayIcon::OnActivated);
  host_poll_.setInterval(kHostPollMs);
  connect(&host_poll_, &QTimer::timeout, this, &TrayIcon::PollHost);
}

void TrayIcon::AddTrayIcon() {
  if (present_) return;
  // A visible icon docks by itself when a host appears later (XEmbed or StatusNotifier), so a
  // panel that starts after the program still gets it.
  icon_.show();
  present_ = true;
}

void TrayIcon::RemoveTrayIcon() {
  if (!present_) return;
  icon_.hide();
  present_ = false;
}

// Trigger and Context are the left and the right press; a double click and the middle button
// open nothing. Where the host draws the menu it opens it on a right press by itself; a host
// that also passes the press on as Context must not get a second one.
void TrayIcon::OnActivated(QSystemTrayIcon::ActivationReason reason) {
  if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::Context) return;
  if (reason == QSystemTrayIcon::Context && host_draws_menu_) return;
  if (menu_font_) {
    menu_.setFont(menu_font_());
    menu_font_ = nullptr;
  }
  menu_.popup(MenuCornerAt(QCursor::pos(), menu_.sizeHint()));
}

// A menu that would run off the screen opens to the left of or above the cursor, so that one
// of its corners always stays at the cursor (the panel usually sits at a screen edge).
QPoint MenuCornerAt(QPoint cursor, QSize size) {
  QScreen* screen = QGuiApplication::screenAt(cursor);
  if (screen == nullptr) return cursor;
  const QRect area = screen->geometry();
  QPoint corner = cursor;
  if (cursor.x() + size.width() > area.x() + area.width()) corner.rx() -= size.width();
  if (cursor.y() + size.height() > area.y() + area.height()) corner.ry() -= size.height();
  return corner;
}

void TrayIcon::WatchForHost(std::function<bool()> available, int wait_ms) {
  host_available_ = std::move(available);
  host_waited_ms_ = 0;
  host_wait_ms_ = wait_ms;
  host_poll_.setInterval(std::min(kHostPollMs, wait_ms));
  host_poll_.start();
}

void TrayIcon::PollHost() {
  if (host_available_ && host_available_()) {
    host_poll_.stop();
    return;
  }
  host_waited_ms_ += host_poll_.interval();
  if (host_waited_ms_ < host_wait_ms_) return;
  host_poll_.stop();
  emit noHost();
}

}  // namespace quillenta
