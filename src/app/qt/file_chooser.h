#pragma once
#include <QPointer>
#include <QWidget>

#include "watch/file_chooser.h"

namespace quillenta {

// The file-open dialog of the "参照" buttons.
class QtFileChooser : public FileChooser {
 public:
  explicit QtFileChooser(QWidget* parent) : parent_(parent) {}
  std::optional<std::string> ChooseFile() override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace quillenta
