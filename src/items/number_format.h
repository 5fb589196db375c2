#pragma once
// The whole-number patterns "##,#0" and "#0", the fixed-point helpers behind them, and the
// clock-style patterns that the time items apply to durations.
#include <cstdint>
#include <string>
#include <string_view>

namespace quillenta {

// n / d rounded to the nearest integer, ties to even. d > 0.
std::int64_t DivRoundHalfEven(std::int64_t n, std::int64_t d);

// amount as a share of total, in ten-thousandths of a percent, ties to even; 0 when total is
// not positive. Exact for every 64-bit amount (the intermediate product needs 128 bits).
std::int64_t ShareTenThousandths(std::int64_t amount, std::int64_t total);

// Appends q / 10000 rounded to a whole number, halves away from zero, at least one digit,
// "-" for a negative number. With `grouped` ("##,#0") the digits are grouped by three with
// `separator`; without it ("#0") they are not.
void AppendWholeNumber(std::string& out, std::int64_t q, bool grouped, std::string_view separator);

// The same patterns for a value that is already whole: what AppendWholeNumber shows for
// value * 10000, without the multiplication that overflows past 922 TB.
void AppendWholeAmount(std::string& out, std::int64_t value, bool grouped,
                       std::string_view separator);

// Appends the decimal digits of value, padded to two digits when `two_digits`.
void AppendClockField(std::string& out, std::int64_t value, bool two_digits);

// A duration read as a time of day, as a clock would show it.
struct ClockParts {
  std::int64_t whole_hours = 0;  // all whole hours, 24 and above for a day or longer
  int hour = 0;                  // 0..23
  int minute = 0;                // 0..59
  int second = 0;                // 0..59
};
ClockParts SplitDuration(std::int64_t ms);

}  // namespace quillenta
