#pragma once
// How errors reach the user: one box at a time, shown by the shell.
#include <functional>
#include <string>

#include "platform/error.h"

namespace quillenta {

// Shows an error's message to the user.
class ErrorReport {
 public:
  virtual ~ErrorReport() = default;
  virtual void Report(const std::string& message) = 0;
};

// Shows an error box titled "Quillenta" without holding up the caller; `closed` runs once
// the user has closed it.
class ErrorBoxShower {
 public:
  virtual ~ErrorBoxShower() = default;
  virtual void ShowErrorBox(const std::string& text, std::function<void()> closed) = 0;
};

// One box at a time: a probe failing on every tick does not stack a box five times a second,
// and what fails while a box is open is not queued behind it.
class OneErrorBoxAtATime : public ErrorReport {
 public:
  explicit OneErrorBoxAtATime(ErrorBoxShower& shower) : shower_(shower) {}
  void Report(const std::string& message) override;

 private:
  ErrorBoxShower& shower_;
  bool open_ = false;
};

}  // namespace quillenta
