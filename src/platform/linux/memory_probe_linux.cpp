#include "platform/linux/memory_probe_linux.h"

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

}  // namespace quillenta
