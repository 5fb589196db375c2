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
      QAction* action = menu_.addAction(QString());
      const QString name = QString::fromStdString(item.name);
      action->setObjectName(name);
      connect(action, &QAction::triggered, this, [this, name] { emit itemChosen(name); });
    }
  }
  ShowLanguage();
  // A StatusNotifierItem host draws the menu it is given; given none, xfce4-panel opens its own
  // on a right press rather than ask the program. An XEmbed icon must have none: Qt would open
  // it on a right press, and OnActivated a second time.
  host_draws_menu_ = StatusNotifierHostRegistered();
  if (host_draws_menu_) icon_.setContextMenu(&menu_);
  connect(&icon_, &QSystemTrayIcon::activated, this, &TrayIcon::OnActivated);
  host_poll_.setInterval(kHostPollMs);
  connect(&host_poll_, &QTimer::timeout, this, &TrayIcon::PollHost);
  StartOwnItem();
}

TrayIcon::~TrayIcon() = default;

namespace {

std::vector<SniPixmap> ItemPixmaps() {
  std::vector<SniPixmap> pixmaps;
  for (int size : {16, 22, 32, 48}) {
    const QImage image = PaintAppIcon(size).convertToFormat(QImage::Format_ARGB32);
    SniPixmap pixmap{size, size, {}};
    pixmap.argb.reserve(std::size_t(size) * size * 4);
    for (int y = 0; y < size; ++y) {
      const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      for (int x = 0; x < size; ++x) {
        for (int shift : {24, 16, 8, 0}) pixmap.argb.push_back(std::uint8_t(row[x] >> shift));
      }
    }
    pixmaps.push_back(std::move(pixmap));
  }
  return pixmaps;
}

}  // namespace

// Where a watcher answers, the icon is an item of the program's own, which can carry the line
// beside it; Qt's icon then never shows, so there are never two. Until the bus answers, the
// icon waits; without a bus, Qt's icon at once.
void TrayIcon::StartOwnItem() {
  StatusNotifierItem::Events events;
  events.watcher = [this](StatusNotifierItem::Watcher watcher) { OnWatcher(watcher); };
  events.activate = [this] { PopupMenu(); };
  events.context_menu = [this] { PopupMenu(); };
  events.menu_item = [this](std::size_t index) {
    const QList<QAction*> actions = menu_.actions();
    if (index < std::size_t(actions.size())) emit itemChosen(actions[qsizetype(index)]->objectName());
  };
  std::vector<std::string> labels;
  for (QAction* action : menu_.actions()) labels.push_back(action->text().toStdString());
  item_ = std::make_unique<StatusNotifierItem>("quillenta", "Quillenta", ItemPixmaps(),
                                               std::move(labels), std::move(events));
  if (!item_->Open()) {
    item_.reset();
    return;
  }
  mode_ = Mode::kUndecided;
  bus_read_ = std::make_unique<QSocketNotifier>(item_->Descriptor(), QSocketNotifier::Read);
  bus_write_ = std::make_unique<QSocketNotifier>(item_->Descriptor(), QSocketNotifier::Write);
  connect(bus_read_.get(), &QSocketNotifier::activated, this, &TrayIcon::PumpBus);
  connect(bus_write_.get(), &QSocketNotifier::activated, this, &TrayIcon::PumpBus);
  bus_timer_.setSingleShot(true);
  connect(&bus_timer_, &QTimer::timeout, this, &TrayIcon::PumpBus);
  PumpBus();
}

void TrayIcon::PumpBus() {
  if (!item_ || !bus_read_ || !bus_read_->isEnabled()) return;
  item_->Process();
  if (mode_ == Mode::kQt || item_->Descriptor() < 0) {
    // Neither the item nor the notifier that may be emitting now goes before the loop is back.
    bus_read_->setEnabled(false);
    bus_write_->setEnabled(false);
    bus_timer_.stop();
    if (mode_ == Mode::kQt) {
      QTimer::singleShot(0, this, [this] {
        bus_read_.reset();
        bus_write_.reset();
        item_.reset();
      });
    }
    return;
  }
  bus_write_->setEnabled(item_->WantsWrite());
  const int timeout = item_->TimeoutMs();
  if (timeout < 0) {
    bus_timer_.stop();
  } else {
    bus_timer_.start(timeout);
  }
}

void TrayIcon::OnWatcher(StatusNotifierItem::Watcher watcher) {
  if (mode_ != Mode::kUndecided) return;
  mode_ = watcher == StatusNotifierItem::Watcher::kPresent ? Mode::kOwnItem : Mode::kQt;
  ShowIcon(present_);
}

void TrayIcon::ShowIcon(bool shown) {
  switch (mode_) {
    case Mode::kUndecided:
      return;
    case Mode::kQt:
      // A visible icon docks by itself when a host appears later (XEmbed or StatusNotifier),
      // so a panel that starts after the program still gets it.
      icon_.setVisible(shown);
      return;
    case Mode::kOwnItem:
      if (shown) {
        item_->Show();
      } else {
        item_->Hide();
      }
      // Not from within the bus's own callbacks: they run inside PumpBus, which re-arms after.
      QMetaObject::invokeMethod(this, &TrayIcon::PumpBus, Qt::QueuedConnection);
      return;
  }
}

bool TrayIcon::HostAvailable() const {
  switch (mode_) {
    case Mode::kUndecided:
      return false;
    case Mode::kQt:
      return QSystemTrayIcon::isSystemTrayAvailable();
    case Mode::kOwnItem:
      return item_->HostRegistered();
  }
  return false;
}

void TrayIcon::ShowLanguage() {
  for (QAction* action : menu_.actions()) {
    if (const form::MenuItemDef* item = form::FindMenuItem(action->objectName().toStdString())) {
      action->setText(QString::fromStdString(Tr(item->caption)));
    }
  }
  if (mode_ == Mode::kQt || !item_) return;
  std::vector<std::string> labels;
  for (QAction* action : menu_.actions()) labels.push_back(action->text().toStdString());
  item_->SetMenu(std::move(labels));
  PumpBus();
}

void TrayIcon::ShowLine(const std::string& line) {
  icon_.setToolTip(QString::fromStdString(line));
  if (mode_ == Mode::kQt || !item_) return;
  item_->SetToolTip(line);
  PumpBus();
}

void TrayIcon::ShowLabel(const std::string& label) {
  if (mode_ == Mode::kQt || !item_) return;
  item_->SetLabel(label);
  PumpBus();
}

void TrayIcon::AddTrayIcon() {
  if (present_) return;
  present_ = true;
  ShowIcon(true);
}

void TrayIcon::RemoveTrayIcon() {
  if (!present_) return;
  present_ = false;
  ShowIcon(false);
}

// Trigger and Context are the left and the right press; a double click and the middle button
// open nothing. Where the host draws the menu it opens it on a right press by itself; a host
// that also passes the press on as Context must not get a second one.
void TrayIcon::OnActivated(QSystemTrayIcon::ActivationReason reason) {
  if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::Context) return;
  if (reason == QSystemTrayIcon::Context && host_draws_menu_) return;
  PopupMenu();
}

void TrayIcon::PopupMenu() {
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
