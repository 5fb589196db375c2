#include "app/qt/error_box.h"

#include <QMessageBox>

namespace quillenta {

void ErrorBox::Report(const std::string& message) {
  // A closed box lingers until its deferred deletion; it no longer stands in the way.
  if (box_ != nullptr && box_->isVisible()) return;
  auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Quillenta"),
                              QString::fromStdString(WithClosingPeriod(message)), QMessageBox::Ok);
  if (font_) box->setFont(font_());
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::ApplicationModal);
  box_ = box;
  box->show();
}

}  // namespace quillenta
