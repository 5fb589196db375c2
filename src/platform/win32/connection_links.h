#pragma once
// The connections of the Windows program: Remote Access connections, mobile broadband
// interfaces that are up, and interfaces whose connection Windows reports as metered.
#include <array>
#include <compare>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/system_probes.h"
#include "platform/link_baselines.h"

namespace quillenta {

// An interface's or a network adapter's GUID, byte for byte as Windows holds it.
using AdapterId = std::array<std::uint8_t, 16>;

// One row of the interface table, as far as counting goes.
struct InterfaceRow {
  std::uint64_t luid = 0;
  std::uint32_t index = 0;
  AdapterId guid{};
  std::uint32_t type = 0;
  bool up = false;
  // Filter-driver rows repeat an interface's figures from higher in its driver stack.
  bool filter = false;
  std::uint64_t received = 0;
  std::uint64_t sent = 0;
};

class InterfaceTable {
 public:
  virtual ~InterfaceTable() = default;
  // False when the table cannot be read.
  virtual bool Read(std::vector<InterfaceRow>* rows) = 0;
};

// A connected network as the network list knows it: the adapter it runs over, and whether
// its cost is metered.
struct NetworkAdapter {
  AdapterId id{};
  bool metered = false;
  auto operator<=>(const NetworkAdapter&) const = default;
};

class ConnectionCosts {
 public:
  virtual ~ConnectionCosts() = default;
  // The adapters of the connected networks, metered or not; false when they are unknown.
  virtual bool Connections(std::vector<NetworkAdapter>* adapters) = 0;
};

class RemoteAccess {
 public:
  virtual ~RemoteAccess() = default;
  // Active Remote Access connections; 0 when none or unknown.
  virtual int CountConnections() = 0;
};

// Whether an NLM_CONNECTION_COST value is metered: a fixed or variable cost, or roaming, over
// or approaching the data limit. Unknown, unrestricted and congested alone are not.
bool CostIsMetered(std::uint32_t cost);

// Counts and measures the connections. Remote Access counts as before, each of its
// connections one, their traffic from the PPP rows that are up. Beside them, each mobile
// broadband interface that is up (IF_TYPE_WWANPP 243, IF_TYPE_WWANPP2 244) and each
// interface of a metered connection that is up counts once; a PPP row is Remote Access's.
//
// The connections and their costs are looked at once a second at most: a COM round trip
// into the network list service. The interface table, the dearest call of a refresh (under
// Wine a request to a driver process), is read at a look only when it can tell something
// new: at the first look, when the connections or their costs have changed or are unknown,
// while something counts, and every kTableMs besides, for a mobile broadband link the
// network list does not show. The counters are read at every sample while something counts,
// and not at all while nothing does. Traffic goes through LinkBaselines: only what passed
// while counted.
class ConnectionLinks : public DialupLinks {
 public:
  static constexpr std::uint32_t kPppType = 23;    // IF_TYPE_PPP
  static constexpr std::uint32_t kWwanType = 243;  // IF_TYPE_WWANPP
  static constexpr std::uint32_t kWwan2Type = 244;  // IF_TYPE_WWANPP2
  static constexpr std::int64_t kLookMs = 1000;
  static constexpr std::int64_t kTableMs = 10'000;

  ConnectionLinks(std::function<std::int64_t()> now_ms, std::unique_ptr<RemoteAccess> ras,
                  std::unique_ptr<InterfaceTable> table, std::unique_ptr<ConnectionCosts> costs);

  int CountConnections() override;
  // The totals so far; nullopt when something counts and the table cannot be read.
  std::optional<LinkCounters> ReadByteCounters() override;

 private:
  void Look();
  bool Counted(const InterfaceRow& row) const;

  std::function<std::int64_t()> now_ms_;
  std::unique_ptr<RemoteAccess> ras_;
  std::unique_ptr<InterfaceTable> table_;
  std::unique_ptr<ConnectionCosts> costs_;

  bool looked_ = false;
  std::int64_t looked_at_ = 0;
  bool table_read_ = false;  // at a look, with the connections below
  std::int64_t table_read_at_ = 0;
  bool connections_known_ = false;
  std::vector<NetworkAdapter> connections_;  // sorted
  std::vector<NetworkAdapter> seen_;         // at the last look, sorted
  std::vector<AdapterId> metered_;
  std::vector<std::uint64_t> counted_;  // LUIDs of the interfaces that count beside RAS
  int remote_ = 0;                      // what Remote Access said last
  std::vector<InterfaceRow> rows_;
  std::vector<LinkSample> samples_;
  LinkBaselines baselines_;
};

}  // namespace quillenta
