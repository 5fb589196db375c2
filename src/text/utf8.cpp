#include "text/utf8.h"

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

}  // namespace quillenta
