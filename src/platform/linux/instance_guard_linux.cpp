#include "platform/linux/instance_guard_linux.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <xcb/xcb.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quillenta {

LinuxInstanceGuard::~LinuxInstanceGuard() {
  if (fd_ >= 0) close(fd_);
}

bool LinuxInstanceGuard::Acquire() {
  if (fd_ >= 0) return true;
  int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  // A lock file that cannot be made must not keep the program from running at all; but the
  // user should know that a second start is no longer kept out.
  if (fd < 0) {
    std::fprintf(stderr, "quillenta: cannot create the lock file %s: %s\n", path_.c_str(),
                 std::strerror(errno));
    return true;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

std::string LinuxInstanceGuard::DisplayKey(const std::string& display) {
  char* host = nullptr;
  int number = 0;
  // libxcb's own reading of $DISPLAY, so the key names what the connection will reach.
  if (display.empty() || xcb_parse_display(display.c_str(), &host, &number, nullptr) == 0) {
    std::free(host);
    return display;
  }
  std::string key = host != nullptr ? host : "";
  std::free(host);
  // "unix:0" and "unix/:0" are the local socket, as ":0" is.
  if (key == "unix") key.clear();
  return key.empty() ? std::to_string(number) : key + "-" + std::to_string(number);
}

std::string LinuxInstanceGuard::DefaultLockPath(const std::string& display) {
  std::string name = "quillenta-" + DisplayKey(display) + ".lock";
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
