#include "platform/linux/spawn_launcher.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

extern char** environ;

namespace quillenta {

namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// What a bare name would run, as a shell's command search would find it; empty when none.
std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    std::size_t colon = dirs.find(':');
    std::string_view dir = dirs.substr(0, colon);
    std::string candidate(dir.empty() ? std::string_view(".") : dir);
    candidate += '/';
    candidate += name;
    if (IsExecutableFile(candidate)) return candidate;
    if (colon == std::string_view::npos) return {};
    dirs.remove_prefix(colon + 1);
  }
}

}  // namespace

SpawnLauncher::SpawnLauncher(std::string opener) : opener_(std::move(opener)) {}

void SpawnLauncher::Open(const std::string& path) {
  ReapChildren();
  if (path.empty()) return;
  if (path.find('/') != std::string::npos) {
    if (IsExecutableFile(path)) {
      Spawn(path, {path}, false);
      return;
    }
  } else if (std::string found = FindOnPath(path); !found.empty()) {
    Spawn(found, {path}, false);
    return;
  }
  Spawn(opener_, {opener_, path}, opener_.find('/') == std::string::npos);
}

bool SpawnLauncher::Spawn(const std::string& program, const std::vector<std::string>& args,
                          bool search_path) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  posix_spawnattr_t attr;
  posix_spawn_file_actions_t actions;
  if (posix_spawnattr_init(&attr) != 0) return false;
  if (posix_spawn_file_actions_init(&actions) != 0) {
    posix_spawnattr_destroy(&attr);
    return false;
  }
  // The child gets a clean signal state (the toolkit may block or ignore signals here), its
  // own session (a Ctrl-C or hang-up meant for us does not reach it) and none of our
  // descriptors beyond the standard three, whether or not they were opened close-on-exec.
  sigset_t none;
  sigset_t all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr,
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);

  pid_t pid = -1;
  int rc = search_path ? posix_spawnp(&pid, program.c_str(), &actions, &attr, argv.data(), environ)
                       : posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) return false;
  children_.push_back(pid);
  return true;
}

void SpawnLauncher::ReapChildren() {
  std::erase_if(children_, [](pid_t pid) {
    int status = 0;
    pid_t r;
    do {
      r = waitpid(pid, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    // Gone without us (ECHILD: someone else reaped it) counts as reaped too.
    return r == pid || (r < 0 && errno == ECHILD);
  });
}

}  // namespace quillenta
