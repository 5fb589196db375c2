#pragma once
// Free system capacity from /proc and the home filesystem. Reads under a root directory ("/" in the
// program) so that tests can point it at a prepared tree.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/kept_file.h"
#include "platform/system_probes.h"

namespace quillenta {

// Size and free space of a filesystem, in blocks.
struct FilesystemSpace {
  std::uint64_t blocks = 0;
  std::uint64_t available = 0;  // to an unprivileged user
};
using FilesystemSpaceFn = std::optional<FilesystemSpace> (*)(const std::string& path);
std::optional<FilesystemSpace> StatFilesystem(const std::string& path);

// Free system capacity in place of the Windows 9x resource heaps:
//   System (0): free share of the task table, the lower of kernel/threads-max and
//               kernel/pid_max against the tasks that proc/loadavg counts;
//   GDI (1):    free share of the open-file table, proc/sys/fs/file-nr;
//   User (2):   free share of the filesystem holding the home directory.
// Never fails: a figure that cannot be read keeps its last value (100 before the first).
class ProcFreeResources : public FreeResourcesSource {
 public:
  // home: the user's home directory, taken as it is seen under root. A home on a network or
  // FUSE filesystem, which may hang, is replaced by root itself.
  explicit ProcFreeResources(std::string root = "/", std::string home = HomeDirectory(),
                             FilesystemSpaceFn space = &StatFilesystem);
  std::uint16_t GetFreeResources(int kind) override;

  // The path whose filesystem the User figure describes.
  const std::string& UserFilesystemPath() const { return user_path_; }

  static std::string HomeDirectory();

 private:
  std::optional<std::uint16_t> FreeTasks();
  std::optional<std::uint16_t> FreeFiles();
  std::optional<std::uint16_t> FreeUserSpace() const;

  std::string root_;
  std::string user_path_;
  FilesystemSpaceFn space_;
  std::string threads_max_path_, pid_max_path_, loadavg_path_, file_nr_path_;
  KeptFile threads_max_, pid_max_, loadavg_, file_nr_;
  std::uint16_t last_[3] = {100, 100, 100};
  static constexpr int kLimitRereadCalls = 50;  // about ten seconds of work ticks
  std::int64_t task_limit_ = 0;
  int limit_reads_left_ = 0;
};

}  // namespace quillenta
