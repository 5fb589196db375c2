#include "items/number_format.h"

namespace quillenta {

std::int64_t DivRoundHalfEven(std::int64_t n, std::int64_t d) {
  std::int64_t q = n / d;
  std::int64_t r = n % d;
  std::int64_t twice = r < 0 ? -2 * r : 2 * r;
  if (twice > d || (twice == d && q % 2 != 0)) q += (n < 0) ? -1 : 1;
  return q;
}

void AppendWholeNumber(std::string& out, std::int64_t q, bool grouped, std::string_view separator) {
  // Unsigned so that the most negative value still has a magnitude.
  std::uint64_t magnitude = q < 0 ? 0 - static_cast<std::uint64_t>(q) : static_cast<std::uint64_t>(q);
  std::uint64_t whole = magnitude / 10000 + (magnitude % 10000 >= 5000 ? 1 : 0);
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + whole % 10);
    whole /= 10;
  } while (whole != 0);
  if (q < 0 && !(n == 1 && digits[0] == '0')) out.push_back('-');
  for (int i = n - 1; i >= 0; --i) {
    out.push_back(digits[i]);
    if (grouped && i > 0 && i % 3 == 0) out.append(separator);
  }
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
