#pragma once
#include <string>

#include "platform/linux/kept_file.h"
#include "platform/system_probes.h"

namespace quillenta {

// Dial-up links as the kernel shows them under <root>/sys/class/net: interfaces of type PPP
// (type 512) and devices whose uevent says DEVTYPE=wwan.
//
// A link counts as up when its operstate is "up", or "unknown" with IFF_UP set in its flags:
// pppd's interfaces never leave "unknown" (they have no carrier to report), so operstate
// alone would never see them.
//
// Every call lists the directory and reads the state and counter files again, so a link
// that comes, goes or changes state is seen at the next call. Kept between calls: the
// descriptors, and whether each interface node is a dial-up link at all, which the kernel
// fixes when it makes the node (a re-created interface is a new node).
class DialupLinksLinux : public DialupLinks {
 public:
  explicit DialupLinksLinux(const std::string& root = "/");

  int CountConnections() override;
  // {0, 0} when no link is up (also when the system has no network class at all); nullopt
  // only when the directory or an up link's counter exists but cannot be read.
  std::optional<LinkCounters> ReadByteCounters() override;

 private:
  // An interface's files, in the order of the kept descriptors.
  enum File : std::size_t { kType, kUevent, kOperstate, kFlags, kRxBytes, kTxBytes, kFileCount };
  using Net = KeptDirectory<kFileCount>;

  // Calls visit(link) for every up dial-up link; false when visit says stop or the directory
  // exists but cannot be read.
  template <typename Visit>
  bool ForEachUpLink(Visit visit);

  Net net_;
};

}  // namespace quillenta
