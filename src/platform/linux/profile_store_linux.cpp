#include "platform/linux/profile_store_linux.h"

#include <fcntl.h>
#include <iconv.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <iterator>
#include <utility>

#include "platform/error.h"
#include "text/cp932.h"

namespace quillenta {

namespace {

// A file this large is no settings file; refusing it keeps a save from replacing it.
constexpr off_t kMaxFileBytes = 64 << 20;
constexpr std::size_t kWriteChunk = 64 << 10;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() { Close(); }
  int get() const { return fd_; }
  int Close() {
    int rc = fd_ >= 0 ? ::close(fd_) : 0;
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Follows symbolic links to the file a save must replace; the final target may not exist yet.
std::string ResolveLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
    ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n < 0 || static_cast<std::size_t>(n) >= target.size()) return path;
    target.resize(static_cast<std::size_t>(n));
    path = target.front() == '/' ? target : DirectoryOf(path) + "/" + target;
  }
  return path;
}

bool MakeDirectories(const std::string& dir) {
  struct stat st;
  if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  std::string parent = DirectoryOf(dir);
  if (parent != dir && !MakeDirectories(parent)) return false;
  return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, const char* data, std::size_t size,
              const std::function<void()>& after_chunk) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size < kWriteChunk ? size : kWriteChunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    after_chunk();
  }
  return true;
}

}  // namespace

LinuxProfileStore::LinuxProfileStore(std::string path) : path_(std::move(path)) {}

ProfileStore::LoadResult LinuxProfileStore::Load(std::string& text) {
  text.clear();
  code_page_932_ = false;
  // A FIFO in the file's place would hold a blocking open until some writer came; a socket
  // refuses the open, a device is caught by the type check below.
  FileDescriptor fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) return errno == ENOENT ? LoadResult::kMissing : LoadResult::kUnreadable;
  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxFileBytes) {
    return LoadResult::kUnreadable;
  }
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return LoadResult::kUnreadable;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
    if (bytes.size() > static_cast<std::size_t>(kMaxFileBytes)) return LoadResult::kUnreadable;
  }
  text = DecodeProfileBytes(bytes, &code_page_932_);
  return LoadResult::kRead;
}

void LinuxProfileStore::Step(int& step) {
  ++step;
  if (on_commit_step) on_commit_step(step);
}

void LinuxProfileStore::Commit(const std::string& text) {
  const Error failure(CannotWriteMessage(path_));
  int step = 0;
  const std::string target = ResolveLinks(path_);
  const std::string dir = DirectoryOf(target);

  struct stat old;
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists) {
    if (!S_ISREG(old.st_mode)) throw failure;
    // Replacing by rename would pass over a file the user made read-only.
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) throw failure;
  } else if (!MakeDirectories(dir)) {
    throw failure;
  }
  Step(step);

  std::string temp = target + ".XXXXXX";
  FileDescriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (fd.get() < 0) throw failure;
  Step(step);
  bool committed = false;
  try {
    std::string bytes;
    const ProfileEncoding encoding = EncodeProfileText(text, code_page_932_, bytes);
    if (encoding == ProfileEncoding::kNone) throw failure;
    if (!WriteAll(fd.get(), bytes.data(), bytes.size(), [&] { Step(step); })) throw failure;
    mode_t mode;
    if (exists) {
      mode = old.st_mode & 07777;
      // Keeps the owner when root saves another user's file; as that user it changes nothing.
      if (::fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
        // Not permitted for an ordinary user saving a file they may write but do not own.
      }
    } else {
      mode_t mask = ::umask(0);
      ::umask(mask);
      mode = 0666 & ~mask;
    }
    if (::fchmod(fd.get(), mode) != 0) throw failure;
    if (::fsync(fd.get()) != 0) throw failure;
    Step(step);
    if (fd.Close() != 0) throw failure;
    if (::rename(temp.c_str(), target.c_str()) != 0) throw failure;
    committed = true;
    code_page_932_ = encoding == ProfileEncoding::kCodePage932;
    Step(step);
  } catch (...) {
    if (!committed) ::unlink(temp.c_str());
    throw;
  }
  // The rename is durable only once the directory is flushed; the new file is in place either
  // way, so a failure here is no failure of the save.
  FileDescriptor dir_fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir_fd.get() >= 0) ::fsync(dir_fd.get());
  Step(step);
}

std::string IniPathFor(std::string_view executable_path) {
  std::size_t name_start = executable_path.rfind('/');
  name_start = name_start == std::string_view::npos ? 0 : name_start + 1;
  std::size_t dot = executable_path.rfind('.');
  // A dot that opens the name marks a hidden file, not an extension.
  if (dot != std::string_view::npos && dot > name_start)
    executable_path.remove_suffix(executable_path.size() - dot);
  return std::string(executable_path) + ".INI";
}

SettingsPlaces LinuxSettingsPlaces(const std::string& executable_path,
                                   const std::string& xdg_config_home, const std::string& home) {
  std::string exe = executable_path;
  if (!exe.empty() && exe.front() != '/') {
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd) != nullptr) exe = std::string(cwd) + "/" + exe;
  }
  SettingsPlaces places;
  places.beside = IniPathFor(exe);
  struct stat st;
  places.beside_exists = ::lstat(places.beside.c_str(), &st) == 0;
  // The system's program folders are the package manager's, even where root may write them:
  // an installed program keeps its settings in the user's configuration.
  static constexpr const char* kSystemFolders[] = {"/bin",           "/sbin",
                                                   "/usr/bin",       "/usr/sbin",
                                                   "/usr/local/bin", "/usr/local/sbin",
                                                   "/usr/games",     "/usr/local/games"};
  const std::string folder = DirectoryOf(places.beside);
  const bool system_folder =
      std::find(std::begin(kSystemFolders), std::end(kSystemFolders), folder) !=
      std::end(kSystemFolders);
  places.folder_takes_file = !system_folder && ::access(folder.c_str(), W_OK) == 0;
  // Relative values are to be ignored, as the XDG base directory rules say.
  std::string config = xdg_config_home;
  if (config.empty() || config.front() != '/') config = home + "/.config";
  places.user_file = config + "/quillenta/quillenta.INI";
  return places;
}

SettingsPlaces LinuxSettingsPlaces(const std::string& executable_path) {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  std::string home_dir = home != nullptr ? home : "";
  if (home_dir.empty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
      home_dir = pw->pw_dir;
    }
  }
  return LinuxSettingsPlaces(executable_path, xdg != nullptr ? xdg : "", home_dir);
}

}  // namespace quillenta
