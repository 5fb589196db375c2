#include "app/qt/app_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace quillenta {

namespace {

// The design grid is 48 units; data/quillenta.svg holds the same drawing.
constexpr double kGrid = 48.0;

QPainterPath Feather() {
  QPainterPath path;
  path.moveTo(11, 42);
  path.lineTo(15, 33);
  path.cubicTo(21, 24, 30, 19, 41, 17);
  path.cubicTo(37, 26, 30, 33, 18, 36);
  path.closeSubpath();
  return path;
}

}  // namespace

QImage PaintAppIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / kGrid, size / kGrid);

  QPainterPath frame;
  frame.addRoundedRect(QRectF(2, 2, 44, 44), 7, 7);
  painter.fillPath(frame, QColor(0x16, 0x3a, 0x73));
  painter.setClipPath(frame);
  // The window body below its title bar.
  painter.fillRect(QRectF(6, 16, 36, 26), QColor(0x2f, 0x6c, 0xc9));
  painter.setClipping(false);

  // The line of text in the title bar: thick enough to stay a line at 16 pixels.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0xff, 0xd5, 0x4a));
  painter.drawRoundedRect(QRectF(8, 7, 32, 4.5), 2, 2);

  painter.setBrush(Qt::white);
  painter.drawPath(Feather());
  painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(11, 42), QPointF(24, 29));
  return image;
}

QIcon MakeAppIcon() {
  QIcon icon;
  for (int size : {16, 22, 32, 48}) icon.addPixmap(QPixmap::fromImage(PaintAppIcon(size)));
  return icon;
}

}  // namespace quillenta
