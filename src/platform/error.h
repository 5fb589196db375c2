#pragma once
// Errors that end the handler in which they arise and reach the user's error report.
#include <stdexcept>
#include <string>
#include <string_view>

#include "lang/translate.h"

namespace quillenta {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The message of a settings file that cannot be written, in the interface's language.
inline std::string CannotWriteMessage(std::string_view path) {
  return Substitute(Tr("error", "%s に書き込めません"), {path});
}

// The text an error box shows: a period is appended when the message's last character sorts
// after "." (so "Faild to call User.exe" gets one and "...." gets none).
inline std::string WithClosingPeriod(std::string message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message.push_back('.');
  return message;
}

}  // namespace quillenta
