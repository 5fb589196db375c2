#pragma once
#include <QFont>
#include <functional>
#include <string>

#include "program/program.h"

namespace quillenta {

// The modal error box titled "Quillenta", shown without holding up the caller.
class ErrorBox : public ErrorBoxShower {
 public:
  void ShowErrorBox(const std::string& text, std::function<void()> closed) override;
  // The box's font, asked for at each box; none leaves the application's.
  void SetFont(std::function<QFont()> font) { font_ = std::move(font); }

 private:
  std::function<QFont()> font_;
};

}  // namespace quillenta
