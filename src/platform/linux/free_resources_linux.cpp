#include "platform/linux/free_resources_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/linux/proc_files.h"

namespace quillenta {

using namespace proc;

std::optional<FilesystemSpace> StatFilesystem(const std::string& path) {
  struct statvfs info {};
  if (::statvfs(path.c_str(), &info) != 0) return std::nullopt;
  return FilesystemSpace{static_cast<std::uint64_t>(info.f_blocks),
                         static_cast<std::uint64_t>(info.f_bavail)};
}

std::string ProcFreeResources::HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home == '/') return home;
  if (passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return "/";
}

namespace {

// mountinfo escapes blanks and backslashes in paths as \ooo.
std::string Unescape(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    bool octal = field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
                 field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
                 field[i + 3] >= '0' && field[i + 3] <= '7';
    if (octal) {
      out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(field[i]);
    }
  }
  return out;
}

bool IsUnder(std::string_view path, std::string_view mount_point) {
  if (mount_point == "/") return true;
  return path.size() >= mount_point.size() &&
         path.compare(0, mount_point.size(), mount_point) == 0 &&
         (path.size() == mount_point.size() || path[mount_point.size()] == '/');
}

bool MayHang(std::string_view type) {
  static constexpr std::string_view kRemote[] = {"nfs",   "nfs4",      "cifs",   "smb3",
                                                 "smbfs", "ncpfs",     "afs",    "9p",
                                                 "ceph",  "glusterfs", "lustre", "sshfs"};
  if (type.substr(0, 4) == "fuse") return true;
  return std::find(std::begin(kRemote), std::end(kRemote), type) != std::end(kRemote);
}

// The type of the filesystem that holds `path`, from the longest mount point above it.
std::optional<std::string> FilesystemTypeOf(const std::string& mountinfo, const std::string& path) {
  std::optional<std::string> type;
  std::size_t best = 0;
  std::string_view text = mountinfo;
  while (!text.empty()) {
    std::string_view line = FirstLine(text);
    text.remove_prefix(std::min(text.size(), line.size() + 1));
    std::vector<std::string_view> fields = Fields(line);
    auto dash = std::find(fields.begin(), fields.end(), "-");
    if (fields.size() < 5 || dash == fields.end() || dash + 1 == fields.end()) continue;
    std::string mount_point = Unescape(fields[4]);
    if (IsUnder(path, mount_point) && mount_point.size() >= best) {
      best = mount_point.size();
      type = std::string(dash[1]);
    }
  }
  return type;
}

}  // namespace

ProcFreeResources::ProcFreeResources(std::string root, std::string home, FilesystemSpaceFn space)
    : root_(std::move(root)),
      space_(space),
      threads_max_path_(Join(root_, "proc/sys/kernel/threads-max")),
      pid_max_path_(Join(root_, "proc/sys/kernel/pid_max")),
      loadavg_path_(Join(root_, "proc/loadavg")),
      file_nr_path_(Join(root_, "proc/sys/fs/file-nr")) {
  user_path_ = Join(root_, home);
  std::optional<std::string> mountinfo = ReadFile(Join(root_, "proc/self/mountinfo"), 1 << 20);
  if (mountinfo) {
    std::optional<std::string> type = FilesystemTypeOf(*mountinfo, home);
    if (type && MayHang(*type)) user_path_ = Join(root_, "");
  }
}

std::uint16_t ProcFreeResources::GetFreeResources(int kind) {
  if (kind < 0 || kind > 2) return 0;
  std::optional<std::uint16_t> value = kind == 0   ? FreeTasks()
                                       : kind == 1 ? FreeFiles()
                                                   : FreeUserSpace();
  if (value) last_[kind] = *value;
  return last_[kind];
}

std::optional<std::uint16_t> ProcFreeResources::FreeTasks() {
  // The limits are sysctls an administrator seldom touches: read again every few seconds,
  // not five times a second.
  if (limit_reads_left_ <= 0 || task_limit_ <= 0) {
    std::optional<std::int64_t> threads_max = ReadNumber(threads_max_, threads_max_path_);
    std::optional<std::int64_t> pid_max = ReadNumber(pid_max_, pid_max_path_);
    task_limit_ = threads_max || pid_max
                      ? std::min(threads_max.value_or(kInt64Max), pid_max.value_or(kInt64Max))
                      : 0;
    limit_reads_left_ = kLimitRereadCalls;
  }
  --limit_reads_left_;
  char buffer[256];
  std::optional<std::string_view> loadavg =
      ReadKept(loadavg_, loadavg_path_, buffer, sizeof buffer);
  std::int64_t limit = task_limit_;
  if (!loadavg || limit <= 0) return std::nullopt;
  std::string_view fields[4];
  if (SplitFields(FirstLine(*loadavg), fields, 4) < 4) return std::nullopt;
  std::string_view running = fields[3];
  std::size_t slash = running.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  std::optional<std::int64_t> tasks = ParseNumber<std::int64_t>(running.substr(slash + 1));
  if (!tasks || *tasks < 0) return std::nullopt;
  if (*tasks >= limit) return 0;
  return Percent(static_cast<std::uint64_t>(limit - *tasks), static_cast<std::uint64_t>(limit));
}

std::optional<std::uint16_t> ProcFreeResources::FreeFiles() {
  char buffer[256];
  std::optional<std::string_view> text = ReadKept(file_nr_, file_nr_path_, buffer, sizeof buffer);
  if (!text) return std::nullopt;
  std::string_view fields[3];
  if (SplitFields(FirstLine(*text), fields, 3) < 3) return std::nullopt;
  auto allocated = ParseNumber<std::uint64_t>(fields[0]);
  auto unused = ParseNumber<std::uint64_t>(fields[1]);
  auto max = ParseNumber<std::uint64_t>(fields[2]);
  if (!allocated || !unused || !max || *max == 0) return std::nullopt;
  std::uint64_t used = *allocated > *unused ? *allocated - *unused : 0;
  if (used >= *max) return 0;
  return Percent(*max - used, *max);
}

std::optional<std::uint16_t> ProcFreeResources::FreeUserSpace() const {
  if (space_ == nullptr) return std::nullopt;
  std::optional<FilesystemSpace> space = space_(user_path_);
  if (!space || space->blocks == 0) return std::nullopt;
  return Percent(space->available, space->blocks);
}

}  // namespace quillenta
