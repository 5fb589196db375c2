#include "platform/link_baselines.h"

#include <algorithm>
#include <limits>

namespace quillenta {

namespace {

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) {
  std::uint64_t sum;
  return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<std::uint64_t>::max() : sum;
}

// Growth since the previous sample; a counter that fell belongs to an interface made anew,
// whose figures are a new starting point, not traffic.
std::uint64_t Growth(std::uint64_t before, std::uint64_t now) {
  return now >= before ? now - before : 0;
}

}  // namespace

LinkCounters LinkBaselines::Update(std::span<const LinkSample> counted) {
  next_.clear();
  for (const LinkSample& sample : counted) {
    auto repeated = std::find_if(next_.begin(), next_.end(),
                                 [&](const Link& link) { return link.id == sample.id; });
    if (repeated != next_.end()) continue;
    auto known = std::find_if(links_.begin(), links_.end(),
                              [&](const Link& link) { return link.id == sample.id; });
    if (known == links_.end()) {
      next_.push_back(Link{sample.id, sample.instance, sample.received, sample.sent});
      continue;
    }
    if (known->instance == sample.instance) {
      received_ = SaturatingAdd(received_, Growth(known->received, sample.received));
      sent_ = SaturatingAdd(sent_, Growth(known->sent, sample.sent));
    }
    // The kept name moves on, so that a steady link costs no allocation per sample.
    next_.push_back(Link{std::move(known->id), sample.instance, sample.received, sample.sent});
  }
  links_.swap(next_);
  return Totals();
}

LinkCounters LinkBaselines::Totals() const {
  constexpr std::uint64_t kMax = std::numeric_limits<std::int64_t>::max();
  return LinkCounters{static_cast<std::int64_t>(std::min(received_, kMax)),
                      static_cast<std::int64_t>(std::min(sent_, kMax))};
}

}  // namespace quillenta
