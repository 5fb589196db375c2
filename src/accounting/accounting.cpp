#include "accounting/accounting.h"

#include <limits>

#include "items/number_format.h"
#include "probes/perf_stats.h"

namespace quillenta {

namespace {

constexpr std::int64_t kMsPerTenth = 100;

// Files written by the 32-bit accounting hold totals past 2 GiB as negative numbers; read as
// the unsigned 32-bit value they were, they come back whole (up to 4 GiB). Anything more
// negative was never a 32-bit figure and cannot be trusted.
std::int64_t LoadedBytes(std::int64_t value) {
  constexpr std::int64_t kWrap = std::int64_t{1} << 32;
  if (value >= 0) return value;
  if (value >= std::numeric_limits<std::int32_t>::min()) return value + kWrap;
  return 0;
}

// A sum that cannot overflow: totals are far below the limit, but a corrupt file is not.
std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b) {
  std::int64_t sum;
  if (__builtin_add_overflow(a, b, &sum)) return std::numeric_limits<std::int64_t>::max();
  return sum;
}

}  // namespace

void Accounting::Traffic::Restart(std::int64_t counter) {
  baseline = counter;
  last = counter;
  connection = 0;
}

void Accounting::Traffic::Update(std::int64_t counter) {
  // 0 is what a link that has gone down reads; the figure of the connection stays.
  if (counter <= 0) return;
  // A sample that could not read the counters stands at the preset; taken as a drop it would
  // count the traffic again once the real counter is back.
  if (counter == PerfStats::kPreset && counter < last) return;
  if (counter < last) baseline = counter - connection;
  last = counter;
  connection = counter - baseline;
}

Accounting::Accounting(Clock& clock, DialupLinks& links, const PerfValues& perf,
                       const Settings& settings)
    : clock_(clock), links_(links), perf_(perf), settings_(settings) {}

std::int64_t Accounting::TenthsToMs(std::int64_t tenths) {
  if (tenths <= 0) return 0;
  if (tenths > std::numeric_limits<std::int64_t>::max() / kMsPerTenth) {
    return std::numeric_limits<std::int64_t>::max();
  }
  return tenths * kMsPerTenth;
}

std::int64_t Accounting::MsToTenths(std::int64_t ms) { return DivRoundHalfEven(ms, kMsPerTenth); }

void Accounting::LoadConnectionTotals(const PersistedTotals& totals) {
  cumulative_ms_ = TenthsToMs(totals.tenths);
  received_.stored = LoadedBytes(totals.received);
  sent_.stored = LoadedBytes(totals.sent);
  Publish();
}

void Accounting::UpdateConnectionAccounting() {
  const std::int64_t now = clock_.MonotonicMs();

  if (!connected_ && links_.CountConnections() > 0) {
    connection_start_ = now;
    cumulative_origin_ = now - cumulative_ms_;
    connected_ = true;
    received_.stored = SaturatingAdd(received_.stored, received_.connection);
    sent_.stored = SaturatingAdd(sent_.stored, sent_.connection);
    received_.Restart(perf_.received);
    sent_.Restart(perf_.sent);
  }

  if (connected_) {
    last_connected_ = now;
    cumulative_ms_ = last_connected_ - cumulative_origin_;
    if (links_.CountConnections() == 0) connected_ = false;
  }

  shown_ms_ = settings_.Flag(FlagKey::b70) ? cumulative_ms_ : last_connected_ - connection_start_;

  received_.Update(perf_.received);
  sent_.Update(perf_.sent);

  Publish();
}

void Accounting::SaveConnectionTotals(TotalsWriter& writer, const std::string& line) {
  if (!connected_) return;
  writer.WriteConnectionTotals(line, TotalsForSave());
}

void Accounting::ResetConnectionTime() {
  const std::int64_t now = clock_.MonotonicMs();
  cumulative_ms_ = 0;
  connection_start_ = now;
  cumulative_origin_ = now;
  last_connected_ = now;
  Publish();
}

void Accounting::ResetTraffic() {
  received_.stored = 0;
  sent_.stored = 0;
  received_.Restart(perf_.received);
  sent_.Restart(perf_.sent);
  Publish();
}

PersistedTotals Accounting::TotalsForSave() const {
  return PersistedTotals{MsToTenths(figures_.cumulative_ms), figures_.cumulative_received,
                         figures_.cumulative_sent};
}

void Accounting::Publish() {
  figures_.shown_ms = shown_ms_;
  figures_.continuous_ms = last_connected_ - connection_start_;
  figures_.cumulative_ms = cumulative_ms_;
  figures_.connection_received = received_.connection;
  figures_.connection_sent = sent_.connection;
  figures_.cumulative_received = SaturatingAdd(received_.stored, received_.connection);
  figures_.cumulative_sent = SaturatingAdd(sent_.stored, sent_.connection);
}

}  // namespace quillenta
