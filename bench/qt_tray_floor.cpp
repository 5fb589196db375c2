// The least a Qt tray program can be: an application object and a tray icon, nothing else.
// bench/peers-bench takes its peak RSS as the baseline that the program's own is held to.
// With --timer it also wakes every 200 ms and does nothing: the cost of Qt's event loop
// alone at the program's tick.
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstring>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QPixmap pixmap(22, 22);
  pixmap.fill(Qt::darkCyan);
  QSystemTrayIcon tray{QIcon(pixmap)};
  tray.setToolTip(QStringLiteral("tray floor"));
  tray.show();
  QTimer tick;
  if (argc > 1 && std::strcmp(argv[1], "--timer") == 0) {
    tick.setInterval(200);
    QObject::connect(&tick, &QTimer::timeout, [] {});
    tick.start();
  }
  return app.exec();
}
