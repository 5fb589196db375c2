#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/launcher.h"

namespace quillenta {

// Starts programs without a shell and without waiting for them. A path naming an executable
// file (or, without a slash, an executable found on PATH) is run directly; anything else is
// handed to the desktop's opener as its one argument. The path is always a single argument,
// never a command line, whatever blanks, quotes or shell syntax it contains.
//
// Children are reaped by a non-blocking sweep, run at every Open and by ReapChildren, which
// the program calls periodically. The sweep waits only for this launcher's own children, so
// it never steals the exit status of a process that some other part of the program started.
class SpawnLauncher : public Launcher {
 public:
  explicit SpawnLauncher(std::string opener = "xdg-open");

  // An empty path does nothing. Failures to start are silent.
  void Open(const std::string& path) override;
  // Collects the children that have ended; never blocks.
  void ReapChildren();
  // Children started and not yet reaped.
  std::size_t PendingChildren() const { return children_.size(); }

 private:
  bool Spawn(const std::string& program, const std::vector<std::string>& args, bool search_path);

  std::string opener_;
  std::vector<pid_t> children_;
};

}  // namespace quillenta
