#pragma once
// Traffic of the links that count as connections, as running totals that grow only by what
// passed while a link was counted.
//
// The interface counters of a link say nothing about when it began to count: a Wi-Fi link
// marked metered after 2 GB unmetered, a modem up before the program started, an interface
// that keeps its counters across connections. Each link is therefore measured from the
// counters it had when it was first seen counted, and the totals add up only what each link
// moved since its previous sample. A link that leaves takes nothing away; a link whose
// interface was made anew (another instance, or counters that fell) starts from its new
// counters.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/system_probes.h"

namespace quillenta {

// One link counted now: `id` names the link across samples (an interface name, a LUID),
// `instance` tells apart the interfaces that carried that id over time (an inode, an index).
struct LinkSample {
  std::string id;
  std::uint64_t instance = 0;
  std::uint64_t received = 0;
  std::uint64_t sent = 0;
};

class LinkBaselines {
 public:
  // Takes the links counted now (any order; a repeated id counts once, its first sample)
  // and returns the totals, which stop at the largest 64-bit value.
  LinkCounters Update(std::span<const LinkSample> counted);
  LinkCounters Totals() const;
  // Links counted at the last update.
  std::size_t Count() const { return links_.size(); }

 private:
  struct Link {
    std::string id;
    std::uint64_t instance = 0;
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
  };

  std::vector<Link> links_;
  std::vector<Link> next_;
  std::uint64_t received_ = 0;
  std::uint64_t sent_ = 0;
};

}  // namespace quillenta
