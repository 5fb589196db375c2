#include "items/number_format.h"

#include <limits>

namespace quillenta {

namespace {

// Magnitudes are unsigned so that the most negative value still has one.
std::uint64_t Magnitude(std::int64_t v) {
  return v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
}

void AppendDigits(std::string& out, std::uint64_t whole, bool negative, bool grouped,
                  std::string_view separator) {
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + whole % 10);
    whole /= 10;
  } while (whole != 0);
  if (negative && !(n == 1 && digits[0] == '0')) out.push_back('-');
  for (int i = n - 1; i >= 0; --i) {
    out.push_back(digits[i]);
    if (grouped && i > 0 && i % 3 == 0) out.append(separator);
  }
}

}  // namespace

std::int64_t DivRoundHalfEven(std::int64_t n, std::int64_t d) {
  std::int64_t q = n / d;
  std::uint64_t r = Magnitude(n % d);
  // r against d - r rather than 2r against d: 2r overflows for divisors above 2^62.
  std::uint64_t rest = static_cast<std::uint64_t>(d) - r;
  if (r > rest || (r == rest && q % 2 != 0)) q += (n < 0) ? -1 : 1;
  return q;
}

std::int64_t ShareTenThousandths(std::int64_t amount, std::int64_t total) {
  if (total <= 0) return 0;
  __int128 n = static_cast<__int128>(amount) * 1'000'000;
  __int128 q = n / total;
  __int128 r = n % total;
  if (r < 0) r = -r;
  __int128 rest = total - r;
  if (r > rest || (r == rest && q % 2 != 0)) q += (n < 0) ? -1 : 1;
  // Only an available figure far beyond its total gets here; the share cannot be shown anyway.
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  if (q > kMax) return kMax;
  if (q < kMin) return kMin;
  return static_cast<std::int64_t>(q);
}

void AppendWholeNumber(std::string& out, std::int64_t q, bool grouped, std::string_view separator) {
  std::uint64_t magnitude = Magnitude(q);
  std::uint64_t whole = magnitude / 10000 + (magnitude % 10000 >= 5000 ? 1 : 0);
  AppendDigits(out, whole, q < 0, grouped, separator);
}

void AppendWholeAmount(std::string& out, std::int64_t value, bool grouped,
                       std::string_view separator) {
  AppendDigits(out, Magnitude(value), value < 0, grouped, separator);
}

void AppendClockField(std::string& out, std::int64_t value, bool two_digits) {
  if (two_digits && value >= 0 && value < 10) out.push_back('0');
  out.append(std::to_string(value));
}

ClockParts SplitDuration(std::int64_t ms) {
  if (ms < 0) ms = 0;
  std::int64_t seconds = ms / 1000;
  ClockParts parts;
  parts.whole_hours = seconds / 3600;
  parts.hour = static_cast<int>(parts.whole_hours % 24);
  parts.minute = static_cast<int>(seconds / 60 % 60);
  parts.second = static_cast<int>(seconds % 60);
  return parts;
}

}  // namespace quillenta
