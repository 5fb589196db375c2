#include "settings/profile_values.h"

#include <limits>

namespace quillenta {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string_view StripOneQuotePair(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::optional<std::int64_t> ParseProfileNumber(std::string_view text, std::int64_t min,
                                               std::int64_t max) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    std::uint64_t value = 0;
    for (char c : text.substr(2)) {
      int digit = HexDigit(c);
      if (digit < 0) return std::nullopt;
      if (value > (std::numeric_limits<std::uint64_t>::max() >> 4)) return std::nullopt;
      value = value << 4 | static_cast<std::uint64_t>(digit);
    }
    if (value > static_cast<std::uint64_t>(max)) return std::nullopt;
    auto signed_value = static_cast<std::int64_t>(value);
    if (signed_value < min) return std::nullopt;
    return signed_value;
  }
  bool negative = false;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  // Accumulate the magnitude as unsigned so that the lowest 64-bit number still fits.
  std::uint64_t magnitude = 0;
  constexpr std::uint64_t kLimit = std::uint64_t{1} << 63;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    auto digit = static_cast<std::uint64_t>(c - '0');
    if (magnitude > (kLimit - digit) / 10) return std::nullopt;
    magnitude = magnitude * 10 + digit;
  }
  std::int64_t value;
  if (negative) {
    value = magnitude == kLimit ? std::numeric_limits<std::int64_t>::min()
                                : -static_cast<std::int64_t>(magnitude);
  } else {
    if (magnitude == kLimit) return std::nullopt;
    value = static_cast<std::int64_t>(magnitude);
  }
  if (value < min || value > max) return std::nullopt;
  return value;
}

}  // namespace quillenta
