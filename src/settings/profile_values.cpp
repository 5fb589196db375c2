#include "settings/profile_values.h"

#include <limits>

namespace quillenta {

namespace {

// Length of the valid UTF-8 sequence at text[i], or 0 when the byte there starts none.
std::size_t SequenceLength(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  }
  return length;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = SequenceLength(text, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string ToValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = SequenceLength(text, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(text.substr(i, n));
      i += n;
    }
  }
  return out;
}

std::string_view StripOneQuotePair(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string_view CutAtCharBoundary(std::string_view text, std::size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  std::size_t end = max_bytes;
  // Back off over continuation bytes to the start of the character that straddles the cut;
  // a UTF-8 character has at most three of them.
  std::size_t back = 0;
  while (end > 0 && back < 3 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
    --end;
    ++back;
  }
  if ((static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) end = max_bytes;  // not UTF-8
  return text.substr(0, end);
}

std::string_view CutAtCodePage932Bytes(std::string_view text, std::size_t max_bytes) {
  std::size_t pos = 0, bytes = 0;
  while (pos < text.size()) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (pos + length > text.size()) break;
    std::uint32_t code = lead;
    if (length > 1) {
      code = lead & (0xFF >> (length + 1));
      for (std::size_t i = 1; i < length; ++i) {
        code = (code << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
      }
    }
    const bool single = code < 0x80 || (code >= 0xFF61 && code <= 0xFF9F) || code == 0xFFFD;
    const std::size_t width = single ? 1 : 2;
    if (bytes + width > max_bytes) break;
    bytes += width;
    pos += length;
  }
  return text.substr(0, pos);
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

std::string IniPathFor(std::string_view executable_path) {
  std::size_t name_start = executable_path.rfind('/');
  name_start = name_start == std::string_view::npos ? 0 : name_start + 1;
  std::size_t dot = executable_path.rfind('.');
  // A dot that opens the name marks a hidden file, not an extension.
  if (dot != std::string_view::npos && dot > name_start)
    executable_path.remove_suffix(executable_path.size() - dot);
  return std::string(executable_path) + ".INI";
}

}  // namespace quillenta
