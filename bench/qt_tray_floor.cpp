// The least a Qt tray program can be: an application object and a tray icon, nothing else.
// bench/peers-bench takes its peak RSS as the baseline that the program's own is held to.
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QPixmap pixmap(22, 22);
  pixmap.fill(Qt::darkCyan);
  QSystemTrayIcon tray{QIcon(pixmap)};
  tray.setToolTip(QStringLiteral("tray floor"));
  tray.show();
  return app.exec();
}
