#include "program/error_report.h"

namespace quillenta {

void OneErrorBoxAtATime::Report(const std::string& message) {
  if (open_) return;
  open_ = true;
  shower_.ShowErrorBox(WithClosingPeriod(message), [this] { open_ = false; });
}

}  // namespace quillenta
