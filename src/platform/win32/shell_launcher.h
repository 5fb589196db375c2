#pragma once
#include "platform/launcher.h"

namespace quillenta {

// ShellExecuteW with the default verb and SW_SHOW: a program starts, a document opens in its
// program. Never waits; failures are silent.
class ShellLauncher : public Launcher {
 public:
  void Open(const std::string& path) override;
};

}  // namespace quillenta
