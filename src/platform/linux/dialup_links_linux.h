#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/kept_file.h"
#include "platform/system_probes.h"
#include "platform/link_baselines.h"

namespace quillenta {

// The names of the interfaces that the system marks as metered and active now.
class MeteredInterfaces {
 public:
  virtual ~MeteredInterfaces() = default;
  // When the set changed since `*version`, copies it into `*names`, moves `*version` on and
  // says so; otherwise touches nothing. Never waits for anything but a brief lock.
  virtual bool TakeIfChanged(std::uint64_t* version, std::vector<std::string>* names) = 0;
};

// Dial-up links as the kernel shows them under <root>/sys/class/net: interfaces of type PPP
// (type 512) and devices whose uevent says DEVTYPE=wwan, and the interfaces that `metered`
// names (counted while they exist, whatever their operstate: the source has said they are
// active).
//
// A link counts as up when its operstate is "up", or "unknown" with IFF_UP set in its flags:
// pppd's interfaces never leave "unknown" (they have no carrier to report), so operstate
// alone would never see them.
//
// Every call lists the directory and reads the state and counter files again, so a link
// that comes, goes or changes state is seen at the next call. Kept between calls: the
// descriptors, and whether each interface node is a dial-up link at all, which the kernel
// fixes when it makes the node (a re-created interface is a new node).
//
// The byte counters are those of LinkBaselines: only what passed over a link while it was
// counted, each interface node measured from where its counters stood when it joined.
class DialupLinksLinux : public DialupLinks {
 public:
  explicit DialupLinksLinux(const std::string& root = "/",
                            std::unique_ptr<MeteredInterfaces> metered = nullptr);

  int CountConnections() override;
  // The totals so far (0 before any link was counted); nullopt only when the directory or a
  // counted link's counter exists but cannot be read.
  std::optional<LinkCounters> ReadByteCounters() override;

 private:
  // An interface's files, in the order of the kept descriptors.
  enum File : std::size_t { kType, kUevent, kOperstate, kFlags, kRxBytes, kTxBytes, kFileCount };
  using Net = KeptDirectory<kFileCount>;

  // Calls visit(link) for every up dial-up link; false when visit says stop or the directory
  // exists but cannot be read.
  template <typename Visit>
  bool ForEachUpLink(Visit visit);

  bool Metered(const std::string& name) const;

  Net net_;
  std::unique_ptr<MeteredInterfaces> metered_;
  std::uint64_t metered_version_ = 0;
  std::vector<std::string> metered_names_;
  std::vector<LinkSample> samples_;
  LinkBaselines baselines_;
};

}  // namespace quillenta
