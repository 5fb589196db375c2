#pragma once
#include <string>

#include "platform/system_probes.h"

namespace quillenta {

// Dial-up links as the kernel shows them under <root>/sys/class/net: interfaces of type PPP
// (type 512) and devices whose uevent says DEVTYPE=wwan.
//
// A link counts as up when its operstate is "up", or "unknown" with IFF_UP set in its flags:
// pppd's interfaces never leave "unknown" (they have no carrier to report), so operstate
// alone would never see them.
//
// Nothing is cached: every call scans the directory again, so a link that comes or goes is
// seen at the next call.
class DialupLinksLinux : public DialupLinks {
 public:
  explicit DialupLinksLinux(std::string root = "/");

  int CountConnections() override;
  // {0, 0} when no link is up (also when the system has no network class at all); nullopt
  // only when the directory or an up link's counter exists but cannot be read.
  std::optional<LinkCounters> ReadByteCounters() override;

 private:
  std::string net_dir_;
};

}  // namespace quillenta
