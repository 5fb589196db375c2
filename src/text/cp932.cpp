#include "text/cp932.h"

#include <cstdint>
#include <unordered_map>
#include <utility>

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

namespace {

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// A kept byte b is the lone surrogate U+DC00 + b in the three-byte form: ED, B0 to B3, then
// 80 to BF. Valid UTF-8 has only 80 to 9F after ED, so no text of a user can look like one.
constexpr unsigned char kKeptLead = 0xED;

void AppendKeptByte(unsigned char b, std::string& out) {
  const unsigned code = 0xDC00u + b;
  out += static_cast<char>(kKeptLead);
  out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (code & 0x3F));
}

// The byte kept at text[pos], or -1.
int KeptByteAt(std::string_view text, std::size_t pos) {
  if (pos + 3 > text.size() || static_cast<unsigned char>(text[pos]) != kKeptLead) return -1;
  const auto second = static_cast<unsigned char>(text[pos + 1]);
  const auto third = static_cast<unsigned char>(text[pos + 2]);
  if (second < 0xB0 || second > 0xB3 || (third & 0xC0) != 0x80) return -1;
  return static_cast<int>((((second & 0x3Fu) << 6) | (third & 0x3Fu)) & 0xFFu);
}

// The characters of `bytes` that come back as the same bytes when written, and every other
// byte kept as it is. Asks the converter once per distinct character: a damaged file of a
// megabyte holds most of the 24,000 pairs.
class LosslessDecoder {
 public:
  void Append(std::string_view bytes, std::string& out) {
    std::string back;
    if (std::string text = Cp932ToUtf8(bytes);
        detail::ConvertToCp932(text, back) && back == bytes) {
      out += text;
      return;
    }
    for (std::size_t i = 0; i < bytes.size();) {
      const auto b = static_cast<unsigned char>(bytes[i]);
      if (b < 0x80) {
        out += static_cast<char>(b);
        ++i;
        continue;
      }
      const bool lead = IsLeadByte(b);
      if (lead && i + 1 < bytes.size()) {
        const Character& pair = Unit(bytes.substr(i, 2));
        if (pair.kind != Kind::kNone) {
          if (pair.kind == Kind::kSame) {
            out += pair.text;
          } else {
            // Read, but written back as another pair (one of code page 932's duplicates):
            // both bytes are kept, and the value still reads as the character.
            AppendKeptByte(b, out);
            AppendKeptByte(static_cast<unsigned char>(bytes[i + 1]), out);
          }
          i += 2;
          continue;
        }
      }
      if (const Character* single = lead ? nullptr : &Unit(bytes.substr(i, 1));
          single != nullptr && single->kind == Kind::kSame) {
        out += single->text;
      } else {
        AppendKeptByte(b, out);
      }
      ++i;
    }
  }

 private:
  enum class Kind : unsigned char { kUnknown, kSame, kOther, kNone };
  struct Character {
    Kind kind = Kind::kUnknown;
    std::string text;
  };

  const Character& Unit(std::string_view unit) {
    const auto first = static_cast<unsigned char>(unit[0]);
    const std::uint32_t key =
        unit.size() == 1 ? first
                         : 256 + (std::uint32_t{first} << 8 | static_cast<unsigned char>(unit[1]));
    Character& c = units_[key];
    if (c.kind == Kind::kUnknown) {
      std::string text = Cp932ToUtf8(unit), back;
      if (text.find("\xEF\xBF\xBD") != std::string::npos) {
        c.kind = Kind::kNone;
      } else if (detail::ConvertToCp932(text, back) && back == unit) {
        c.kind = Kind::kSame;
        c.text = std::move(text);
      } else {
        c.kind = Kind::kOther;
      }
    }
    return c;
  }

  std::unordered_map<std::uint32_t, Character> units_;
};

bool HasKeptBytes(std::string_view text) {
  for (std::size_t pos = text.find(static_cast<char>(kKeptLead)); pos != std::string_view::npos;
       pos = text.find(static_cast<char>(kKeptLead), pos + 1)) {
    if (KeptByteAt(text, pos) >= 0) return true;
  }
  return false;
}

}  // namespace

std::string DecodeProfileBytes(std::string_view bytes, bool* was_code_page_932) {
  const bool valid = IsValidUtf8(bytes);
  if (was_code_page_932 != nullptr) *was_code_page_932 = !valid;
  if (valid) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() * 3 / 2 + 16);
  LosslessDecoder decoder;
  // Line by line, so that one damaged byte sends only its own line to the slow path. A line
  // feed is never the second byte of a pair.
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = bytes.find('\n', start);
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    decoder.Append(bytes.substr(start, end - start), out);
    start = end;
  }
  return out;
}

std::string ReadableProfileText(std::string_view text) {
  if (!HasKeptBytes(text)) return std::string(text);
  std::string out, kept;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const int b = KeptByteAt(text, pos);
    if (b >= 0) {
      kept += static_cast<char>(b);
      pos += 3;
      continue;
    }
    // A pair the converter reads but would write otherwise is still its character here.
    if (!kept.empty()) out += Cp932ToUtf8(std::exchange(kept, {}));
    out += text[pos++];
  }
  if (!kept.empty()) out += Cp932ToUtf8(kept);
  return out;
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

ProfileEncoding EncodeProfileText(std::string_view text, bool was_code_page_932,
                                  std::string& bytes) {
  if (!HasKeptBytes(text)) {
    if (was_code_page_932 && Utf8ToCp932(text, bytes)) return ProfileEncoding::kCodePage932;
    bytes = text;
    return ProfileEncoding::kUtf8;
  }
  bytes.clear();
  std::string piece;
  std::size_t run = 0;
  auto flush = [&](std::size_t end) {
    const bool ok = detail::ConvertToCp932(text.substr(run, end - run), piece);
    bytes += piece;
    return ok;
  };
  for (std::size_t pos = 0; pos < text.size();) {
    const int b = KeptByteAt(text, pos);
    if (b < 0) {
      ++pos;
      continue;
    }
    if (!flush(pos)) return ProfileEncoding::kNone;
    bytes += static_cast<char>(b);
    pos += 3;
    run = pos;
  }
  if (!flush(text.size())) return ProfileEncoding::kNone;
  // The kept bytes and the new texts together must read back as this very text, or the next
  // save would lose what this one kept.
  if (DecodeProfileBytes(bytes) != text) return ProfileEncoding::kNone;
  return ProfileEncoding::kCodePage932;
}

}  // namespace quillenta
