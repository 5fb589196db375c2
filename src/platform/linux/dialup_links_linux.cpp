#include "platform/linux/dialup_links_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace quillenta {

namespace {

constexpr long kArphrdPpp = 512;
constexpr unsigned long kIffUp = 0x1;

// Small attribute files only; sysfs hands out at most a page.
enum class ReadResult { kOk, kMissing, kFailed };

ReadResult ReadAttribute(int dir_fd, const std::string& relative, char* buffer, std::size_t size,
                         std::string_view* out) {
  int fd = openat(dir_fd, relative.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return errno == ENOENT || errno == ENOTDIR ? ReadResult::kMissing : ReadResult::kFailed;
  ssize_t n;
  do {
    n = read(fd, buffer, size);
  } while (n < 0 && errno == EINTR);
  int saved = errno;
  close(fd);
  if (n < 0) {
    // A device removed between open and read reads as gone.
    return saved == ENODEV || saved == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
  }
  std::string_view text(buffer, static_cast<std::size_t>(n));
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
  *out = text;
  return ReadResult::kOk;
}

template <typename T>
bool ParseNumber(std::string_view text, T* value, int base = 10) {
  if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
  }
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value, base);
  return ec == std::errc() && end == text.data() + text.size();
}

bool IsDialupType(int net_fd, const std::string& name) {
  char buffer[64];
  std::string_view text;
  long type = 0;
  if (ReadAttribute(net_fd, name + "/type", buffer, sizeof buffer, &text) == ReadResult::kOk &&
      ParseNumber(text, &type) && type == kArphrdPpp) {
    return true;
  }
  char uevent[4096];
  if (ReadAttribute(net_fd, name + "/uevent", uevent, sizeof uevent, &text) != ReadResult::kOk) {
    return false;
  }
  while (!text.empty()) {
    std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    if (line == "DEVTYPE=wwan") return true;
    if (eol == std::string_view::npos) break;
    text.remove_prefix(eol + 1);
  }
  return false;
}

bool IsUp(int net_fd, const std::string& name) {
  char buffer[64];
  std::string_view text;
  if (ReadAttribute(net_fd, name + "/operstate", buffer, sizeof buffer, &text) != ReadResult::kOk) {
    return false;
  }
  if (text == "up") return true;
  if (text != "unknown") return false;
  unsigned long flags = 0;
  if (ReadAttribute(net_fd, name + "/flags", buffer, sizeof buffer, &text) != ReadResult::kOk ||
      !ParseNumber(text, &flags, 16)) {
    return false;
  }
  return (flags & kIffUp) != 0;
}

// Calls visit(net_fd, name) for every up dial-up link; false when visit says stop.
// Returns false when the directory exists but cannot be read; a system without the
// directory simply has no links.
template <typename Visit>
bool ForEachUpLink(const std::string& net_dir, Visit visit) {
  int net_fd = open(net_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (net_fd < 0) return errno == ENOENT || errno == ENOTDIR;
  DIR* dir = fdopendir(net_fd);
  if (dir == nullptr) {
    close(net_fd);
    return false;
  }
  bool ok = true;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::string name(entry->d_name);
    if (!IsDialupType(net_fd, name) || !IsUp(net_fd, name)) continue;
    if (!visit(net_fd, name)) {
      ok = false;
      break;
    }
  }
  closedir(dir);
  return ok;
}

// kMissing: the link went away during the scan; it is simply not counted.
ReadResult ReadCounter(int net_fd, const std::string& name, const char* which,
                       std::uint64_t* value) {
  char buffer[64];
  std::string_view text;
  ReadResult result =
      ReadAttribute(net_fd, name + "/statistics/" + which, buffer, sizeof buffer, &text);
  if (result != ReadResult::kOk) return result;
  return ParseNumber(text, value) ? ReadResult::kOk : ReadResult::kFailed;
}

}  // namespace

DialupLinksLinux::DialupLinksLinux(std::string root) {
  if (root.empty() || root.back() != '/') root.push_back('/');
  net_dir_ = root + "sys/class/net";
}

int DialupLinksLinux::CountConnections() {
  int count = 0;
  bool ok = ForEachUpLink(net_dir_, [&](int, const std::string&) {
    ++count;
    return true;
  });
  return ok ? count : 0;
}

std::optional<LinkCounters> DialupLinksLinux::ReadByteCounters() {
  // Unsigned sums: the kernel's counters are unsigned 64-bit, and a wrapped sum must not
  // become a negative amount on the way.
  std::uint64_t received = 0;
  std::uint64_t sent = 0;
  bool ok = ForEachUpLink(net_dir_, [&](int net_fd, const std::string& name) {
    std::uint64_t rx = 0;
    std::uint64_t tx = 0;
    ReadResult r = ReadCounter(net_fd, name, "rx_bytes", &rx);
    if (r == ReadResult::kFailed) return false;
    ReadResult t = ReadCounter(net_fd, name, "tx_bytes", &tx);
    if (t == ReadResult::kFailed) return false;
    if (r == ReadResult::kMissing || t == ReadResult::kMissing) return true;
    received += rx;
    sent += tx;
    return true;
  });
  if (!ok) return std::nullopt;
  constexpr std::uint64_t kMax = static_cast<std::uint64_t>(INT64_MAX);
  return LinkCounters{static_cast<std::int64_t>(std::min(received, kMax)),
                      static_cast<std::int64_t>(std::min(sent, kMax))};
}

}  // namespace quillenta
