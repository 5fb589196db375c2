#include "platform/win32/connection_links.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace quillenta {

namespace {

constexpr std::uint32_t kCostFixed = 0x2;                     // NLM_CONNECTION_COST_FIXED
constexpr std::uint32_t kCostVariable = 0x4;                  // ..._VARIABLE
constexpr std::uint32_t kCostOverDataLimit = 0x10000;         // ..._OVERDATALIMIT
constexpr std::uint32_t kCostRoaming = 0x40000;               // ..._ROAMING
constexpr std::uint32_t kCostApproachingDataLimit = 0x80000;  // ..._APPROACHINGDATALIMIT

}  // namespace

bool CostIsMetered(std::uint32_t cost) {
  return (cost & (kCostFixed | kCostVariable | kCostOverDataLimit | kCostRoaming |
                  kCostApproachingDataLimit)) != 0;
}

ConnectionLinks::ConnectionLinks(std::function<std::int64_t()> now_ms,
                                 std::unique_ptr<RemoteAccess> ras,
                                 std::unique_ptr<InterfaceTable> table,
                                 std::unique_ptr<ConnectionCosts> costs)
    : now_ms_(std::move(now_ms)),
      ras_(std::move(ras)),
      table_(std::move(table)),
      costs_(std::move(costs)) {}

bool ConnectionLinks::Counted(const InterfaceRow& row) const {
  return std::find(counted_.begin(), counted_.end(), row.luid) != counted_.end();
}

void ConnectionLinks::Look() {
  const std::int64_t now = now_ms_();
  if (looked_ && now - looked_at_ < kLookMs && now >= looked_at_) return;
  looked_ = true;
  looked_at_ = now;
  seen_.clear();
  const bool known = costs_ != nullptr && costs_->Connections(&seen_);
  if (!known) seen_.clear();
  std::sort(seen_.begin(), seen_.end());
  const bool news = !known || !connections_known_ || seen_ != connections_;
  connections_known_ = known;
  connections_.swap(seen_);
  const bool due = !table_read_ || news || !counted_.empty() || now - table_read_at_ >= kTableMs ||
                   now < table_read_at_;
  if (!due) return;
  metered_.clear();
  for (const NetworkAdapter& adapter : connections_) {
    if (adapter.metered) metered_.push_back(adapter.id);
  }
  counted_.clear();
  rows_.clear();
  table_read_ = table_->Read(&rows_);
  if (!table_read_) return;
  table_read_at_ = now;
  for (const InterfaceRow& row : rows_) {
    if (!row.up || row.filter || row.type == kPppType) continue;
    bool wwan = row.type == kWwanType || row.type == kWwan2Type;
    bool metered = std::find(metered_.begin(), metered_.end(), row.guid) != metered_.end();
    if ((wwan || metered) && !Counted(row)) counted_.push_back(row.luid);
  }
}

int ConnectionLinks::CountConnections() {
  Look();
  remote_ = ras_ != nullptr ? std::max(ras_->CountConnections(), 0) : 0;
  const long long total = static_cast<long long>(remote_) + static_cast<long long>(counted_.size());
  return static_cast<int>(std::min<long long>(total, INT_MAX));
}

std::optional<LinkCounters> ConnectionLinks::ReadByteCounters() {
  Look();
  samples_.clear();
  // With nothing counted there is nothing to read; links that were counted leave now.
  if (remote_ == 0 && counted_.empty()) return baselines_.Update(samples_);
  rows_.clear();
  if (!table_->Read(&rows_)) return std::nullopt;
  for (const InterfaceRow& row : rows_) {
    if (!row.up || row.filter) continue;
    bool remote = row.type == kPppType && remote_ > 0;
    if (!remote && !Counted(row)) continue;
    char id[24];
    std::snprintf(id, sizeof id, "%llx", static_cast<unsigned long long>(row.luid));
    samples_.push_back(LinkSample{id, row.index, row.received, row.sent});
  }
  return baselines_.Update(samples_);
}

}  // namespace quillenta
