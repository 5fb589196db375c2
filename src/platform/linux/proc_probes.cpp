#include "platform/linux/proc_probes.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <string_view>
#include <vector>

namespace quillenta {

namespace {

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();

std::string Join(const std::string& root, std::string_view path) {
  std::string joined = root;
  while (!joined.empty() && joined.back() == '/') joined.pop_back();
  while (!path.empty() && path.front() == '/') path.remove_prefix(1);
  joined.push_back('/');
  joined.append(path);
  return joined;
}

// At most `limit` bytes from the start of a file; proc files are read with one or two
// reads, so a partial read of a long one such as proc/stat is cheap and consistent.
std::optional<std::string> ReadFile(const std::string& path, std::size_t limit = 16384) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string data(limit, '\0');
  std::size_t used = 0;
  while (used < limit) {
    ssize_t n = ::read(fd, data.data() + used, limit - used);
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  ::close(fd);
  data.resize(used);
  return data;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  return text;
}

// The text of a kept file: at most `size` bytes from its start.
std::optional<std::string_view> ReadKept(KeptFile& file, const std::string& path, char* buffer,
                                         std::size_t size) {
  ssize_t n = file.Read(AT_FDCWD, path.c_str(), buffer, size);
  if (n < 0) return std::nullopt;
  return std::string_view(buffer, static_cast<std::size_t>(n));
}

template <typename Int>
std::optional<Int> ParseNumber(std::string_view text) {
  Int value{};
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return std::nullopt;
  return value;
}

// A proc or sysfs file holding one number.
std::optional<std::int64_t> ReadNumber(KeptFile& file, const std::string& path) {
  char buffer[64];
  std::optional<std::string_view> text = ReadKept(file, path, buffer, sizeof buffer);
  if (!text) return std::nullopt;
  return ParseNumber<std::int64_t>(Trim(*text));
}

// The "Key:   123 kB" lines of meminfo and status, in bytes.
std::optional<std::int64_t> FindKilobytes(std::string_view text, std::string_view key) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (line.size() <= key.size() || line.compare(0, key.size(), key) != 0 ||
        line[key.size()] != ':') {
      continue;
    }
    std::optional<std::int64_t> kb = ParseNumber<std::int64_t>(Trim(line.substr(key.size() + 1)));
    if (!kb || *kb < 0 || *kb > kInt64Max / 1024) return std::nullopt;
    return *kb * 1024;
  }
  return std::nullopt;
}

// Up to `max` whitespace-separated fields of one line, without allocating; the number
// stored.
std::size_t SplitFields(std::string_view line, std::string_view* fields, std::size_t max) {
  std::size_t count = 0;
  std::size_t at = 0;
  while (at < line.size() && count < max) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    std::size_t end = at;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    if (end > at) fields[count++] = line.substr(at, end - at);
    at = end;
  }
  return count;
}

// Whitespace-separated fields of one line.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    std::size_t end = at;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    if (end > at) fields.push_back(line.substr(at, end - at));
    at = end;
  }
  return fields;
}

std::string_view FirstLine(std::string_view text) { return text.substr(0, text.find('\n')); }

// part / whole as a whole percentage, rounded to nearest, clamped to 0..100.
std::uint16_t Percent(unsigned __int128 part, unsigned __int128 whole) {
  if (whole == 0) return 0;
  if (part >= whole) return 100;
  return static_cast<std::uint16_t>((part * 200 + whole) / (2 * whole));
}

}  // namespace

// ---- memory ----

std::optional<std::uint64_t> CurrentAddressSpaceLimit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(limit.rlim_cur);
}

std::int64_t UserAddressSpaceSize() {
#if defined(__x86_64__)
  return std::int64_t{1} << 47;  // 128 TiB with four-level page tables
#elif defined(__aarch64__)
  return std::int64_t{1} << 48;
#else
  return sizeof(void*) == 4 ? std::int64_t{0xC0000000} : std::int64_t{1} << 47;
#endif
}

ProcMemoryProbe::ProcMemoryProbe(std::string root, AddressSpaceLimitFn limit)
    : meminfo_path_(Join(root, "proc/meminfo")),
      statm_path_(Join(root, "proc/self/statm")),
      status_path_(Join(root, "proc/self/status")),
      limit_(limit),
      buffer_(16384) {}

MemoryStatus ProcMemoryProbe::ReadMemoryStatus() {
  MemoryStatus status;
  if (std::optional<std::string_view> meminfo =
          ReadKept(meminfo_, meminfo_path_, buffer_.data(), buffer_.size())) {
    status.total_phys = FindKilobytes(*meminfo, "MemTotal").value_or(0);
    if (auto available = FindKilobytes(*meminfo, "MemAvailable")) {
      status.avail_phys = *available;
    } else {
      // Kernels before 3.14 do not estimate it; free memory and the caches come close.
      status.avail_phys = FindKilobytes(*meminfo, "MemFree").value_or(0) +
                          FindKilobytes(*meminfo, "Buffers").value_or(0) +
                          FindKilobytes(*meminfo, "Cached").value_or(0);
    }
    status.total_page_file = FindKilobytes(*meminfo, "SwapTotal").value_or(0);
    status.avail_page_file = FindKilobytes(*meminfo, "SwapFree").value_or(0);
  }

  std::optional<std::uint64_t> limit = limit_ != nullptr ? limit_() : std::nullopt;
  status.total_virtual = limit
                             ? static_cast<std::int64_t>(std::min<std::uint64_t>(*limit, kInt64Max))
                             : UserAddressSpaceSize();
  std::int64_t used = 0;
  // statm's first figure is VmSize in pages, made at a tenth of the cost of the status file.
  char statm[128];
  std::string_view size[1];
  std::optional<std::string_view> pages = ReadKept(statm_, statm_path_, statm, sizeof statm);
  std::optional<std::int64_t> count;
  if (pages && SplitFields(FirstLine(*pages), size, 1) == 1) {
    count = ParseNumber<std::int64_t>(size[0]);
  }
  static const std::int64_t page_size = ::sysconf(_SC_PAGESIZE);
  if (count && *count >= 0 && page_size > 0 && *count <= kInt64Max / page_size) {
    used = *count * page_size;
  } else if (std::optional<std::string_view> self =
                 ReadKept(status_, status_path_, buffer_.data(), buffer_.size())) {
    used = FindKilobytes(*self, "VmSize").value_or(0);
  }
  status.avail_virtual = std::max<std::int64_t>(0, status.total_virtual - used);
  return status;
}

// ---- battery ----

SysBatteryProbe::SysBatteryProbe(std::string root)
    : supplies_(Join(root, "sys/class/power_supply")) {}

struct SysBatteryProbe::Battery {
  std::optional<std::int64_t> capacity;
  std::optional<std::int64_t> energy_now, energy_full, charge_now, charge_full;
};

int SysBatteryProbe::BatteryLifePercent() {
  std::vector<Battery> batteries;
  bool listed = supplies_.Scan([&](KeptDirectory<kFileCount>::Entry& supply) {
    char buffer[64];
    auto text = [&](File file, const char* leaf) -> std::optional<std::string_view> {
      ssize_t n = supply.Read(file, leaf, buffer, sizeof buffer);
      if (n < 0) return std::nullopt;
      return Trim(std::string_view(buffer, static_cast<std::size_t>(n)));
    };
    auto number = [&](File file, const char* leaf) -> std::optional<std::int64_t> {
      std::optional<std::string_view> word = text(file, leaf);
      if (!word) return std::nullopt;
      return ParseNumber<std::int64_t>(*word);
    };
    // Whether a supply is a battery of the system (not a mouse's) is fixed for the life of
    // its node: asked once per node on sysfs, at every call elsewhere.
    if (supply.Fact() < 0) {
      std::optional<std::string_view> type = text(kType, "type");
      if (!type) return true;
      bool system_battery = *type == "Battery" && text(kScope, "scope") != "Device";
      supply.RememberFact(system_battery ? 1 : 0);
      if (!system_battery) return true;
    } else if (supply.Fact() == 0) {
      return true;
    }
    if (number(kPresent, "present") == 0) return true;
    Battery battery;
    battery.capacity = number(kCapacity, "capacity");
    battery.energy_now = number(kEnergyNow, "energy_now");
    battery.energy_full = number(kEnergyFull, "energy_full");
    // A battery reports what it holds in energy or in charge, seldom both.
    if (!battery.energy_now || !battery.energy_full) {
      battery.charge_now = number(kChargeNow, "charge_now");
      battery.charge_full = number(kChargeFull, "charge_full");
    }
    batteries.push_back(battery);
    return true;
  });
  if (!listed) return 255;

  auto has_energy = [](const Battery& b) {
    return b.energy_now && b.energy_full && *b.energy_now >= 0 && *b.energy_full > 0;
  };
  auto has_charge = [](const Battery& b) {
    return b.charge_now && b.charge_full && *b.charge_now >= 0 && *b.charge_full > 0;
  };
  auto own_percent = [&](const Battery& b) -> std::optional<int> {
    if (b.capacity && *b.capacity >= 0)
      return static_cast<int>(std::min<std::int64_t>(*b.capacity, 100));
    if (has_energy(b)) return Percent(*b.energy_now, *b.energy_full);
    if (has_charge(b)) return Percent(*b.charge_now, *b.charge_full);
    return std::nullopt;
  };

  if (batteries.size() > 1) {
    // A half-full large battery and an empty small one are more than a quarter full: weigh
    // each by what it holds. Energy and charge are different units and never mixed.
    unsigned __int128 now = 0, full = 0;
    if (std::all_of(batteries.begin(), batteries.end(), has_energy)) {
      for (const Battery& b : batteries) now += *b.energy_now, full += *b.energy_full;
      return Percent(now, full);
    }
    if (std::all_of(batteries.begin(), batteries.end(), has_charge)) {
      for (const Battery& b : batteries) now += *b.charge_now, full += *b.charge_full;
      return Percent(now, full);
    }
  }
  int sum = 0, known = 0;
  for (const Battery& b : batteries) {
    if (std::optional<int> percent = own_percent(b)) sum += *percent, ++known;
  }
  if (known == 0) return 255;
  return (2 * sum + known) / (2 * known);
}

// ---- CPU ----

ProcStatCpuUsage::ProcStatCpuUsage(std::string root) : stat_path_(Join(root, "proc/stat")) {}

std::optional<std::int32_t> ProcStatCpuUsage::SampleCpuUsage() {
  // The cpu line comes first; the rest of the file can be long on large machines.
  char buffer[1024];
  std::optional<std::string_view> text = ReadKept(stat_, stat_path_, buffer, sizeof buffer);
  if (!text) return std::nullopt;
  std::string_view fields[9];
  std::size_t field_count = SplitFields(FirstLine(*text), fields, 9);
  if (field_count < 5 || fields[0] != "cpu") return std::nullopt;
  // user nice system idle iowait irq softirq steal; guest and guest_nice that follow are
  // already counted in user and nice.
  std::uint64_t ticks[8] = {};
  std::size_t count = field_count - 1;
  for (std::size_t i = 0; i < count; ++i) {
    std::optional<std::uint64_t> value = ParseNumber<std::uint64_t>(fields[i + 1]);
    if (!value) return std::nullopt;
    ticks[i] = *value;
  }
  std::uint64_t total = 0;
  for (std::uint64_t t : ticks) total += t;
  std::uint64_t idle = ticks[3] + ticks[4];

  if (have_previous_ && total > previous_total_) {
    std::uint64_t elapsed = total - previous_total_;
    // iowait may step backwards on some kernels; the idle delta is kept within the period.
    std::uint64_t idled = idle > previous_idle_ ? std::min(idle - previous_idle_, elapsed) : 0;
    usage_ = static_cast<std::int32_t>(Percent(elapsed - idled, elapsed));
  }
  // With no time passed since the last sample the last usage stands.
  have_previous_ = true;
  previous_total_ = total;
  previous_idle_ = idle;
  return usage_;
}

// ---- free resources ----

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
