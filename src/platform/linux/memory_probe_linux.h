#pragma once
// Memory figures from /proc. Reads under a root directory ("/" in the program) so that tests can
// point it at a prepared tree.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/kept_file.h"
#include "platform/system_probes.h"

namespace quillenta {

// The size of the process's address space: RLIMIT_AS, nullopt when unlimited.
using AddressSpaceLimitFn = std::optional<std::uint64_t> (*)();
std::optional<std::uint64_t> CurrentAddressSpaceLimit();

// What a process may map when nothing limits it: the user half of the address space.
std::int64_t UserAddressSpaceSize();

// Physical memory and swap from proc/meminfo; the process's address space from its limit and
// its size in proc/self/statm (VmSize of proc/self/status where statm cannot be read). A
// figure that cannot be read is 0.
class ProcMemoryProbe : public MemoryProbe {
 public:
  explicit ProcMemoryProbe(std::string root = "/",
                           AddressSpaceLimitFn limit = &CurrentAddressSpaceLimit);
  MemoryStatus ReadMemoryStatus() override;

 private:
  std::string meminfo_path_;
  std::string statm_path_;
  std::string status_path_;
  AddressSpaceLimitFn limit_;
  KeptFile meminfo_;
  KeptFile statm_;
  KeptFile status_;
  std::vector<char> buffer_;
};

}  // namespace quillenta
