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
#include <cstdint>
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
    // The entry's node: an interface made anew under the same name has another.
    std::uint64_t Node() const { return ino_; }
    // Up to `size` bytes of the entry's file `leaf`, which is file number `index` of every
    // entry; -1 with errno set when it cannot be opened or read.
    ssize_t Read(std::size_t index, const char* leaf, char* buffer, std::size_t size) {
      char path[NAME_MAX + 64];
      std::snprintf(path, sizeof path, "%s/%s", name_.c_str(), leaf);
      return files_[index].Read(dir_fd_, path, buffer, size);
    }
    // A fact about the entry that the kernel fixes for the life of its node (such as a
    // device's DEVTYPE), remembered only on proc and sysfs, where an entry that stays the
    // same node cannot be rewritten; -1 until remembered.
    int Fact() const { return fact_; }
    void RememberFact(int fact) {
      if (kernel_) fact_ = fact;
    }

   private:
    friend class KeptDirectory;
    std::string name_;
    ino_t ino_ = 0;
    int dir_fd_ = -1;
    bool kernel_ = false;
    bool seen_ = false;
    int fact_ = -1;
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
    if (fd_ >= 0 && !kernel_ && Unlinked(fd_)) CloseDirectory();
    if (fd_ < 0) {
      fd_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd_ < 0) return errno == ENOENT || errno == ENOTDIR;
      kernel_ = OnKernelFilesystem(fd_);
      listing_.resize(kListingBytes);
    } else if (::lseek(fd_, 0, SEEK_SET) < 0) {
      return false;
    }
    for (Entry& entry : entries_) entry.seen_ = false;
    for (;;) {
      ssize_t n = ::getdents64(fd_, listing_.data(), listing_.size());
      if (n < 0) return false;
      if (n == 0) break;
      for (ssize_t at = 0; at < n;) {
        const auto* found = reinterpret_cast<const dirent64*>(listing_.data() + at);
        at += found->d_reclen;
        std::string_view name = found->d_name;
        if (name == "." || name == "..") continue;
        if (!visit(Find(name, found->d_ino))) return false;
      }
      // proc and sysfs fill the buffer as far as the entries go, so room left for one more
      // of the longest name means the listing is whole: no second call to learn its end.
      if (kernel_ && static_cast<std::size_t>(n) + kLongestRecord <= listing_.size()) break;
    }
    std::erase_if(entries_, [](const Entry& entry) { return !entry.seen_; });
    return true;
  }

 private:
  // Enough for the network interfaces or power supplies of any desktop; a host with
  // hundreds of virtual interfaces does not get hundreds of descriptors held.
  static constexpr std::size_t kMaxKeptEntries = 16;
  static constexpr std::size_t kListingBytes = 16384;
  static constexpr std::size_t kLongestRecord =
      (offsetof(dirent64, d_name) + NAME_MAX + 1 + 7) & ~7u;

  Entry& Find(std::string_view name, ino_t ino) {
    Entry* entry = nullptr;
    for (Entry& kept : entries_) {
      if (kept.name_ == name) {
        entry = &kept;
        break;
      }
    }
    if (entry != nullptr && entry->ino_ != ino) {
      for (KeptFile& file : entry->files_) file.Close();
      entry->fact_ = -1;
    }
    if (entry == nullptr) {
      if (entries_.size() < kMaxKeptEntries) {
        entry = &entries_.emplace_back();
      } else {
        // Beyond the bound: such an entry's files are opened anew at every scan.
        transient_ = Entry();
        entry = &transient_;
      }
      entry->name_ = name;
    }
    entry->ino_ = ino;
    entry->dir_fd_ = fd_;
    entry->kernel_ = kernel_;
    entry->seen_ = true;
    return *entry;
  }

  void CloseDirectory() {
    entries_.clear();
    transient_ = Entry();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  std::string path_;
  int fd_ = -1;
  bool kernel_ = false;
  std::vector<char> listing_;
  std::vector<Entry> entries_;
  Entry transient_;
};

}  // namespace quillenta
