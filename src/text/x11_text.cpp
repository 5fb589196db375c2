#include "text/x11_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

namespace quillenta {

namespace {

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

constexpr const char* kReplacement = "\xEF\xBF\xBD";

// Converts with glibc iconv; bytes it cannot convert each become U+FFFD.
void AppendConverted(std::string& out, const char* charset, const std::string& bytes) {
  if (bytes.empty()) return;
  iconv_t cd = iconv_open("UTF-8", charset);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    out += kReplacement;
    return;
  }
  std::string in = bytes;
  char* src = in.data();
  std::size_t src_left = in.size();
  std::string buffer(in.size() * 4 + 16, '\0');
  while (src_left > 0) {
    char* dst = buffer.data();
    std::size_t dst_left = buffer.size();
    std::size_t result = iconv(cd, &src, &src_left, &dst, &dst_left);
    out.append(buffer.data(), dst - buffer.data());
    if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
      out += kReplacement;
      ++src;
      --src_left;
    }
  }
  iconv_close(cd);
}

// A character set that ISO 2022 designates into G0 or G1, by the kind of set and its final
// byte, mapped to a converter that glibc knows.
struct Designation {
  enum Kind { k94, k96, k94x94 } kind = k94;
  char final = 'B';
};

const char* Iso8859ForFinal(char final) {
  switch (final) {
    case 'A':
      return "ISO-8859-1";
    case 'B':
      return "ISO-8859-2";
    case 'C':
      return "ISO-8859-3";
    case 'D':
      return "ISO-8859-4";
    case 'F':
      return "ISO-8859-7";
    case 'G':
      return "ISO-8859-6";
    case 'H':
      return "ISO-8859-8";
    case 'L':
      return "ISO-8859-5";
    case 'M':
      return "ISO-8859-9";
    case 'V':
      return "ISO-8859-10";
    case 'Y':
      return "ISO-8859-13";
    case '_':
      return "ISO-8859-14";
    case 'b':
      return "ISO-8859-15";
    case 'f':
      return "ISO-8859-16";
    default:
      return nullptr;
  }
}

// The EUC form of a two-byte set takes both bytes with the high bit set.
const char* EucForFinal(char final) {
  switch (final) {
    case 'A':
      return "EUC-CN";
    case 'B':
      return "EUC-JP";
    case 'C':
      return "EUC-KR";
    default:
      return nullptr;
  }
}

}  // namespace

std::string Latin1ToUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) AppendUtf8(out, c);
  return out;
}

bool Utf8ToLatin1(const std::string& text, std::string& latin1) {
  latin1.clear();
  for (std::size_t i = 0; i < text.size();) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      latin1 += static_cast<char>(c);
      ++i;
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size() &&
               (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
      latin1 += static_cast<char>(((c & 0x03) << 6) | (text[i + 1] & 0x3F));
      i += 2;
    } else {
      return false;
    }
  }
  return true;
}

std::string CompoundTextToUtf8(const std::string& bytes) {
  std::string out;
  Designation g0{Designation::k94, 'B'};
  Designation g1{Designation::k96, 'A'};
  // Bytes of one set are gathered and converted together.
  const char* run_charset = nullptr;
  std::string run;
  auto flush = [&] {
    if (run_charset != nullptr) AppendConverted(out, run_charset, run);
    run.clear();
    run_charset = nullptr;
  };
  auto put = [&](const char* charset, std::string piece) {
    if (charset != run_charset) flush();
    run_charset = charset;
    run += piece;
  };
  auto put_plain = [&](std::uint32_t code) {
    flush();
    AppendUtf8(out, code);
  };
  // One character of `set` starting at bytes[i] (GL or GR form); returns bytes consumed.
  auto put_char = [&](const Designation& set, std::size_t i) -> std::size_t {
    auto b = static_cast<unsigned char>(bytes[i]) & 0x7F;
    if (set.kind == Designation::k94x94) {
      if (i + 1 >= bytes.size()) return 1;
      auto b2 = static_cast<unsigned char>(bytes[i + 1]) & 0x7F;
      const char* euc = EucForFinal(set.final);
      if (euc == nullptr) {
        put_plain(0xFFFD);
      } else {
        put(euc, {static_cast<char>(b | 0x80), static_cast<char>(b2 | 0x80)});
      }
      return 2;
    }
    if (set.kind == Designation::k94) {
      if (set.final == 'B' || set.final == 'J') {
        put_plain(b);
      } else if (set.final == 'I') {  // JIS X 0201 katakana: half-width forms
        put_plain(0xFF61 + (b - 0x21));
      } else {
        put_plain(0xFFFD);
      }
      return 1;
    }
    if (set.final == 'A') {
      put_plain(b | 0x80);
    } else if (const char* iso = Iso8859ForFinal(set.final)) {
      put(iso, std::string(1, static_cast<char>(b | 0x80)));
    } else {
      put_plain(0xFFFD);
    }
    return 1;
  };

  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    auto c = static_cast<unsigned char>(bytes[i]);
    if (c == 0x1B) {
      auto at = [&](std::size_t k) { return k < n ? bytes[k] : '\0'; };
      char a = at(i + 1), b = at(i + 2), d = at(i + 3);
      if (a == '(' && b) {
        g0 = {Designation::k94, b};
        i += 3;
      } else if (a == ')' && b) {
        g1 = {Designation::k94, b};
        i += 3;
      } else if (a == '-' && b) {
        g1 = {Designation::k96, b};
        i += 3;
      } else if (a == '$' && b == '(' && d) {
        g0 = {Designation::k94x94, d};
        i += 4;
      } else if (a == '$' && b == ')' && d) {
        g1 = {Designation::k94x94, d};
        i += 4;
      } else if (a == '%' && b == 'G') {
        // UTF-8 segment, up to ESC % @
        std::size_t end = bytes.find("\x1B%@", i + 3);
        if (end == std::string::npos) end = n;
        flush();
        out.append(bytes, i + 3, end - (i + 3));
        i = std::min(n, end + 3);
      } else if (a == '%' && b == '/' && i + 5 < n) {
        // Extended segment: ESC % / F M L, then M L count the encoding name, STX and data.
        std::size_t length = (static_cast<unsigned char>(bytes[i + 4]) & 0x7F) * 128 +
                             (static_cast<unsigned char>(bytes[i + 5]) & 0x7F);
        std::size_t start = i + 6;
        std::size_t end = std::min(n, start + length);
        std::size_t stx = bytes.find('\x02', start);
        flush();
        if (stx != std::string::npos && stx < end) {
          std::string name = bytes.substr(start, stx - start);
          std::string data = bytes.substr(stx + 1, end - stx - 1);
          if (name == "utf-8" || name == "UTF-8" || name == "iso10646-1") {
            out += data;
          } else {
            AppendConverted(out, name.c_str(), data);
          }
        }
        i = end;
      } else {
        ++i;  // an escape this decoder does not know: skip the ESC
      }
    } else if (c == 0x9B) {
      // Direction control (CSI 1 ], CSI 2 ], CSI ]): no text.
      std::size_t end = bytes.find(']', i);
      i = end == std::string::npos ? n : end + 1;
    } else if (c == '\t' || c == '\n' || c == ' ') {
      put_plain(c);
      ++i;
    } else if (c > 0x20 && c < 0x7F) {
      i += put_char(g0, i);
    } else if (c >= 0xA0) {
      if (c == 0xA0 && g1.kind != Designation::k96) {
        ++i;
      } else {
        i += put_char(g1, i);
      }
    } else {
      ++i;  // other control bytes carry no text
    }
  }
  flush();
  return out;
}

}  // namespace quillenta
