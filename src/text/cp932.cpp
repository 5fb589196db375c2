#include "text/cp932.h"

#include <cstdint>

#include "text/utf8.h"

namespace quillenta {

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

std::string DecodeProfileBytes(std::string_view bytes, bool* was_code_page_932) {
  const bool valid = IsValidUtf8(bytes);
  if (was_code_page_932 != nullptr) *was_code_page_932 = !valid;
  if (valid) return std::string(bytes);
  return Cp932ToUtf8(bytes);
}

bool Utf8ToCp932(std::string_view text, std::string& bytes) {
  // Some characters map to bytes that read back as another character (U+0080 and the
  // private-use characters behind 0xA0 and 0xFD to 0xFF on Windows): only an exact round
  // trip fits.
  if (IsValidUtf8(text) && detail::ConvertToCp932(text, bytes) &&
      DecodeProfileBytes(bytes) == text) {
    return true;
  }
  bytes.clear();
  return false;
}

bool EncodeProfileText(std::string_view text, bool was_code_page_932, std::string& bytes) {
  if (was_code_page_932 && Utf8ToCp932(text, bytes)) return true;
  bytes = text;
  return false;
}

}  // namespace quillenta
