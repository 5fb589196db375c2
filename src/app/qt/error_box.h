#pragma once
#include <QFont>
#include <QPointer>
#include <functional>
#include <string>

#include "platform/error.h"

class QMessageBox;

namespace quillenta {

// The modal error box titled "Quillenta". It never blocks the caller and shows one box at a
// time: a probe failing on every tick does not stack a new box five times a second.
class ErrorBox : public ErrorReport {
 public:
  void Report(const std::string& message) override;
  // The box's font, asked for at each report; none leaves the application's.
  void SetFont(std::function<QFont()> font) { font_ = std::move(font); }

 private:
  QPointer<QMessageBox> box_;
  std::function<QFont()> font_;
};

}  // namespace quillenta
