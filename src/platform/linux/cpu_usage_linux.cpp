#include "platform/linux/cpu_usage_linux.h"

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

}  // namespace quillenta
