#pragma once
#include <string>

#include "platform/instance_guard.h"

namespace quillenta {

// An exclusive flock on a file in the user's private runtime directory, one per display.
class LinuxInstanceGuard : public InstanceGuard {
 public:
  explicit LinuxInstanceGuard(std::string lock_path) : path_(std::move(lock_path)) {}
  ~LinuxInstanceGuard() override;
  bool Acquire() override;

  // $XDG_RUNTIME_DIR/quillenta-<display>.lock, or a private folder under /tmp made for this
  // user (mode 0700, refused when someone else owns it) where the runtime directory is unset.
  static std::string DefaultLockPath(const std::string& display);

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace quillenta
