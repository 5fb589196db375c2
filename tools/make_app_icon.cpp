// Writes the Windows program's icon file from the one drawing of the icon, so that the two
// programs cannot drift apart: make-app-icon data/quillenta.ico
#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QtEndian>
#include <cstdio>

#include "app/qt/app_icon.h"

namespace {

void Append16(QByteArray& out, quint16 value) {
  value = qToLittleEndian(value);
  out.append(reinterpret_cast<const char*>(&value), 2);
}

void Append32(QByteArray& out, quint32 value) {
  value = qToLittleEndian(value);
  out.append(reinterpret_cast<const char*>(&value), 4);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fputs("usage: make-app-icon FILE.ico\n", stderr);
    return 2;
  }
  // Every entry PNG-compressed, which Windows reads since Vista.
  const int sizes[] = {16, 20, 24, 32, 40, 48, 64, 256};
  QList<QByteArray> images;
  for (int size : sizes) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    quillenta::PaintAppIcon(size).convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG");
    images.append(png);
  }
  QByteArray out;
  Append16(out, 0);
  Append16(out, 1);
  Append16(out, static_cast<quint16>(images.size()));
  quint32 offset = 6 + 16 * static_cast<quint32>(images.size());
  for (int i = 0; i < images.size(); ++i) {
    const int size = sizes[i];
    out.append(static_cast<char>(size >= 256 ? 0 : size));
    out.append(static_cast<char>(size >= 256 ? 0 : size));
    out.append('\0');
    out.append('\0');
    Append16(out, 1);
    Append16(out, 32);
    Append32(out, static_cast<quint32>(images[i].size()));
    Append32(out, offset);
    offset += static_cast<quint32>(images[i].size());
  }
  for (const QByteArray& png : images) out.append(png);
  QFile file(QString::fromLocal8Bit(argv[1]));
  if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size()) {
    std::fprintf(stderr, "make-app-icon: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
