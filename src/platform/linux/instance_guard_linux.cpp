#include "platform/linux/instance_guard_linux.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace quillenta {

LinuxInstanceGuard::~LinuxInstanceGuard() {
  if (fd_ >= 0) close(fd_);
}

bool LinuxInstanceGuard::Acquire() {
  if (fd_ >= 0) return true;
  int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  // A lock file that cannot be made must not keep the program from running at all.
  if (fd < 0) return true;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

std::string LinuxInstanceGuard::DefaultLockPath(const std::string& display) {
  std::string name = "quillenta-" + display + ".lock";
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') return std::string(runtime) + "/" + name;
  std::string dir = "/tmp/quillenta-" + std::to_string(getuid());
  mkdir(dir.c_str(), 0700);
  struct stat info {};
  if (lstat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid()) {
    // Someone else made it: a lock there could be squatted; use the home folder instead.
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/." + name;
  }
  return dir + "/" + name;
}

}  // namespace quillenta
