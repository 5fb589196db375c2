#include "app/qt/file_chooser.h"

#include <QFileDialog>

#include "lang/translate.h"

namespace quillenta {

std::optional<std::string> QtFileChooser::ChooseFile() {
  // Texts the dialog showed in English before there were catalogues keep it as their source.
  QString path = QFileDialog::getOpenFileName(
      parent_, QString::fromStdString(Tr("file chooser", "Open")), QString(),
      QString::fromStdString(Tr("file chooser", "All files (*)")));
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

}  // namespace quillenta
