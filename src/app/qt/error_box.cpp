#include "app/qt/error_box.h"

#include <QMessageBox>

namespace quillenta {

void ErrorBox::ShowErrorBox(const std::string& text, std::function<void()> closed) {
  auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Quillenta"),
                              QString::fromStdString(text), QMessageBox::Ok);
  if (font_) box->setFont(font_());
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::ApplicationModal);
  QObject::connect(box, &QMessageBox::finished, box, [closed = std::move(closed)] { closed(); });
  box->show();
  // A path in the text can be copied into a bug report or a terminal. After the show: the
  // style's polish sets the flags it prefers.
  box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

}  // namespace quillenta
