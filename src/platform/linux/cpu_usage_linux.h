#pragma once
// CPU usage from /proc. Reads under a root directory ("/" in the program) so that tests can point
// it at a prepared tree.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/kept_file.h"
#include "platform/system_probes.h"

namespace quillenta {

// CPU usage from the cpu line of proc/stat, between this sample and the previous one.
class ProcStatCpuUsage : public CpuUsageSource {
 public:
  explicit ProcStatCpuUsage(std::string root = "/");
  std::optional<std::int32_t> SampleCpuUsage() override;

 private:
  std::string stat_path_;
  KeptFile stat_;
  bool have_previous_ = false;
  std::uint64_t previous_total_ = 0;
  std::uint64_t previous_idle_ = 0;
  std::int32_t usage_ = 0;
};

}  // namespace quillenta
