#pragma once
// Files of /proc and /sys that a probe reads at every tick, through descriptors kept open.
//
// proc and sysfs make a file's text anew at every read from offset 0 and hand out such a
// small file whole in one read, so only the first read pays for the path walk and the open.
// proc and sysfs never replace a file in place (a removed device reads as ENODEV), so their
// descriptors are trusted as they are. On any other filesystem (a prepared test tree) a
// file removed or replaced since it was opened has no links left and is opened again by
// its path.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillenta {

// True for a descriptor on proc or sysfs.
inline bool OnKernelFilesystem(int fd) {
  constexpr decltype(statfs::f_type) kProcMagic = 0x9fa0;
  constexpr decltype(statfs::f_type) kSysfsMagic = 0x62656572;
  struct statfs info {};
  return ::fstatfs(fd, &info) == 0 && (info.f_type == kProcMagic || info.f_type == kSysfsMagic);
}

// True when a descriptor kept open may no longer stand for its path.
inline bool Unlinked(int fd) {
  struct stat info {};
  return ::fstat(fd, &info) != 0 || info.st_nlink == 0;
}

class KeptFile {
 public:
  KeptFile() = default;
  KeptFile(const KeptFile&) = delete;
  KeptFile& operator=(const KeptFile&) = delete;
  KeptFile(KeptFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)), kernel_(other.kernel_) {}
  KeptFile& operator=(KeptFile&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = std::exchange(other.fd_, -1);
      kernel_ = other.kernel_;
    }
    return *this;
  }
  ~KeptFile() { Close(); }

  // Up to `size` bytes from the start of the file at `path` (relative to dir_fd unless
  // absolute); -1 with errno set when it cannot be opened or read.
  ssize_t Read(int dir_fd, const char* path, char* buffer, std::size_t size) {
    if (fd_ >= 0 && !kernel_ && Unlinked(fd_)) Close();
    if (fd_ < 0) {
      fd_ = ::openat(dir_fd, path, O_RDONLY | O_CLOEXEC);
      if (fd_ < 0) return -1;
      kernel_ = OnKernelFilesystem(fd_);
    }
    ssize_t n;
    do {
      n = ::pread(fd_, buffer, size, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
      int saved = errno;
      Close();
      errno = saved;
    }
    return n;
  }

  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
  bool kernel_ = false;
};

// A directory listed anew at every scan (so an entry that comes or goes is seen at once),
// with the files of each entry kept open while the entry stays the same one. An entry is
// the same while its name and inode are: a device that goes and comes back under its name
// is a new node.
template <std::size_t Files>
class KeptDirectory {
 public:
  class Entry {
   public:
    const std::string& Name() const { return name_; }
    // Up to `size` bytes of the entry's file `leaf`, which is file number `index` of every
    // entry; -1 with errno set when it cannot be opened or read.
    ssize_t Read(std::size_t index, const char* leaf, char* buffer, std::size_t size) {
      char path[NAME_MAX + 64];
      std::snprintf(path, sizeof path, "%s/%s", name_.c_str(), leaf);
      return files_[index].Read(dir_fd_, path, buffer, size);
    }

   private:
    friend class KeptDirectory;
    std::string name_;
    ino_t ino_ = 0;
    int dir_fd_ = -1;
    bool seen_ = false;
    std::array<KeptFile, Files> files_;
  };

  explicit KeptDirectory(std::string path) : path_(std::move(path)) {}
  KeptDirectory(const KeptDirectory&) = delete;
  KeptDirectory& operator=(const KeptDirectory&) = delete;
  ~KeptDirectory() { CloseDirectory(); }

  // Calls visit(Entry&) for every entry but "." and ".."; visit returns false to stop.
  // False when visit stopped or the directory exists but cannot be read; a directory that
  // does not exist has no entries.
  template <typename Visit>
  bool Scan(Visit visit) {
    if (dir_ != nullptr && !kernel_ && Unlinked(::dirfd(dir_))) CloseDirectory();
    if (dir_ == nullptr) {
      int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd < 0) return errno == ENOENT || errno == ENOTDIR;
      kernel_ = OnKernelFilesystem(fd);
      dir_ = ::fdopendir(fd);
      if (dir_ == nullptr) {
        ::close(fd);
        return false;
      }
    } else {
      ::rewinddir(dir_);
    }
    const int dir_fd = ::dirfd(dir_);
    for (Entry& entry : entries_) entry.seen_ = false;
    bool ok = true;
    while (dirent* found = ::readdir(dir_)) {
      std::string_view name = found->d_name;
      if (name == "." || name == "..") continue;
      Entry* entry = nullptr;
      for (Entry& kept : entries_) {
        if (kept.name_ == name) {
          entry = &kept;
          break;
        }
      }
      if (entry != nullptr && entry->ino_ != found->d_ino) {
        for (KeptFile& file : entry->files_) file.Close();
      }
      Entry transient;  // beyond the bound: opened and closed within this scan
      if (entry == nullptr) {
        entry = entries_.size() < kMaxKeptEntries ? &entries_.emplace_back() : &transient;
        entry->name_ = name;
      }
      entry->ino_ = found->d_ino;
      entry->dir_fd_ = dir_fd;
      entry->seen_ = true;
      if (!visit(*entry)) {
        ok = false;
        break;
      }
    }
    if (ok) {
      std::erase_if(entries_, [](const Entry& entry) { return !entry.seen_; });
    }
    return ok;
  }

 private:
  // Enough for the network interfaces or power supplies of any desktop; a host with
  // hundreds of virtual interfaces does not get hundreds of descriptors held.
  static constexpr std::size_t kMaxKeptEntries = 16;

  void CloseDirectory() {
    entries_.clear();
    if (dir_ != nullptr) ::closedir(dir_);
    dir_ = nullptr;
  }

  std::string path_;
  DIR* dir_ = nullptr;
  bool kernel_ = false;
  std::vector<Entry> entries_;
};

}  // namespace quillenta
