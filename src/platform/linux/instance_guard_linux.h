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
  // The display itself, however $DISPLAY spells it: ":0", ":0.1", "unix:0" and "unix/:0"
  // are one display ("0"); a remote one keeps its host ("remote.example-10"). The screen is
  // no part of it: the program's windows of every screen share one title engine's display.
  static std::string DisplayKey(const std::string& display);

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace quillenta
