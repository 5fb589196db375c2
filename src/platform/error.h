#pragma once
// Errors that end the handler in which they arise and reach the user's error report.
#include <stdexcept>
#include <string>

namespace quillenta {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Shows an error's message to the user. The Qt layer shows one modal box at a time.
class ErrorReport {
 public:
  virtual ~ErrorReport() = default;
  virtual void Report(const std::string& message) = 0;
};

}  // namespace quillenta
