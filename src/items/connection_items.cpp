#include <limits>

#include "items/formatters.h"
#include "items/number_format.h"

namespace quillenta {

namespace {

constexpr std::int64_t kMsPerMinute = 60 * 1000;
constexpr std::int64_t kMsPerHour = 60 * kMsPerMinute;
constexpr std::int64_t kFixedPoint = 10000;

// The "show only while connected" switches count the links themselves, at the moment the
// item is drawn; a link that ends mid-line hides the items after it.
bool HiddenWhileDisconnected(const ItemContext& context, FlagKey only_connected) {
  return context.settings.Flag(only_connected) && context.links.CountConnections() <= 0;
}

void AppendTraffic(std::string& line, const ItemContext& context, bool sent) {
  const Settings& settings = context.settings;
  if (HiddenWhileDisconnected(context, FlagKey::b81)) return;
  line.append(settings.Text(sent ? TextKey::s97 : TextKey::s95));

  const ConnectionFigures& figures = context.connection;
  const bool cumulative = settings.Flag(FlagKey::b82);
  const bool combined = sent ? settings.CombinedSent() : settings.CombinedReceived();
  std::int64_t received = cumulative ? figures.cumulative_received : figures.connection_received;
  std::int64_t sent_bytes = cumulative ? figures.cumulative_sent : figures.connection_sent;
  std::int64_t amount = sent ? sent_bytes : received;
  if (combined && __builtin_add_overflow(received, sent_bytes, &amount)) {
    amount = std::numeric_limits<std::int64_t>::max();
  }

  std::int64_t divisor = 1;
  if (settings.Unit() == ByteUnit::kKilobytes) divisor = 1024;
  if (settings.Unit() == ByteUnit::kMegabytes) divisor = 1024 * 1024;

  std::int64_t q;
  constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / kFixedPoint;
  if (amount <= kLimit && amount >= -kLimit) {
    q = DivRoundHalfEven(amount * kFixedPoint, divisor);
  } else {
    // Beyond the fixed-point range only whole units are left to show anyway.
    q = DivRoundHalfEven(amount, divisor);
    q = q > kLimit ? kLimit * kFixedPoint : q < -kLimit ? -kLimit * kFixedPoint : q * kFixedPoint;
  }
  AppendWholeNumber(line, q, settings.Flag(FlagKey::b83), context.locale.ThousandsSeparator());
  line.append(settings.Text(sent ? TextKey::s98 : TextKey::s96));
}

}  // namespace

void AppendConnectHours(std::string& line, const ItemContext& context) {
  const Settings& settings = context.settings;
  if (HiddenWhileDisconnected(context, FlagKey::b69)) return;
  const std::int64_t t = context.connection.shown_ms;
  if (settings.Flag(FlagKey::b72) && t < kMsPerHour) return;
  line.append(settings.Text(TextKey::s83));
  // Past a day the hours do not wrap: whole_hours keeps counting where a clock would restart.
  AppendClockField(line, SplitDuration(t).whole_hours, false);
  line.append(settings.Text(TextKey::s84));
}

void AppendConnectMinutes(std::string& line, const ItemContext& context) {
  const Settings& settings = context.settings;
  if (HiddenWhileDisconnected(context, FlagKey::b69)) return;
  const std::int64_t t = context.connection.shown_ms;
  if (settings.Flag(FlagKey::b74) && t < kMsPerMinute) return;
  line.append(settings.Text(TextKey::s85));
  AppendClockField(line, SplitDuration(t).minute, settings.Flag(FlagKey::b73));
  line.append(settings.Text(TextKey::s86));
}

void AppendConnectSeconds(std::string& line, const ItemContext& context) {
  const Settings& settings = context.settings;
  if (HiddenWhileDisconnected(context, FlagKey::b69)) return;
  line.append(settings.Text(TextKey::s87));
  AppendClockField(line, SplitDuration(context.connection.shown_ms).second,
                   settings.Flag(FlagKey::b75));
  line.append(settings.Text(TextKey::s88));
}

void AppendBytesReceived(std::string& line, const ItemContext& context) {
  AppendTraffic(line, context, false);
}

void AppendBytesSent(std::string& line, const ItemContext& context) {
  AppendTraffic(line, context, true);
}

}  // namespace quillenta
