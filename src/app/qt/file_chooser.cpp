#include "app/qt/file_chooser.h"

#include <QFileDialog>

namespace quillenta {

std::optional<std::string> QtFileChooser::ChooseFile() {
  QString path =
      QFileDialog::getOpenFileName(parent_, QString(), QString(), QStringLiteral("All files (*)"));
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

}  // namespace quillenta
