// Code page 932 through Windows' own code page functions.
#include <windows.h>

#include "text/cp932.h"
#include "platform/win32/wide.h"

namespace quillenta {

namespace {

constexpr UINT kCodePage932 = 932;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// A lead byte of a code page 932 pair, and the bytes that may follow one.
bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// Appends `bytes` converted from code page 932, or returns false when some character in it
// has no mapping. MB_ERR_INVALID_CHARS, because without it Windows and Wine hand back U+30FB
// ("・") for an unmapped pair, a character the file may hold in its own right.
bool AppendCodePage932(std::string_view bytes, std::string& out) {
  if (bytes.empty()) return true;
  const int size = static_cast<int>(bytes.size());
  int length =
      ::MultiByteToWideChar(kCodePage932, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (length <= 0) return false;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(kCodePage932, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(),
                        length);
  out += WideToUtf8(wide);
  return true;
}

// The characters of code page 932 as Linux's iconv reads them, so that one file reads the
// same on both systems: a byte that starts no character (0x80, 0xA0, 0xFD to 0xFF, a lead byte
// without its trail byte, a pair with no mapping) becomes U+FFFD and reading goes on at the
// next byte. Windows itself would map 0x80, 0xA0 and 0xFD to 0xFF to U+0080 and private-use
// characters that no text of the Windows program contains.
}  // namespace

std::string Cp932ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 3 / 2 + 16);
  std::size_t run_start = 0;
  std::size_t i = 0;
  auto flush_run = [&](std::size_t end) {
    std::string_view run = bytes.substr(run_start, end - run_start);
    if (AppendCodePage932(run, out)) return;
    // Some pair of the run has no mapping: find it one character at a time.
    for (std::size_t at = 0; at < run.size();) {
      const std::size_t width = IsLeadByte(static_cast<unsigned char>(run[at])) ? 2 : 1;
      if (AppendCodePage932(run.substr(at, width), out)) {
        at += width;
      } else {
        out += kReplacement;
        ++at;
      }
    }
  };
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    std::size_t width = 0;
    if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) {
      width = 1;
    } else if (IsLeadByte(b) && i + 1 < bytes.size() &&
               IsTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
      width = 2;
    }
    if (width == 0) {
      flush_run(i);
      out += kReplacement;
      run_start = ++i;
    } else {
      i += width;
    }
  }
  flush_run(i);
  return out;
}

bool detail::ConvertToCp932(std::string_view utf8, std::string& bytes) {
  bytes.clear();
  if (utf8.empty()) return true;
  const std::wstring wide = Utf8ToWide(utf8);
  const int size = static_cast<int>(wide.size());
  BOOL used_default = FALSE;
  int length = ::WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr,
                                     0, nullptr, &used_default);
  if (length <= 0 || used_default) return false;
  bytes.assign(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, wide.data(), size, bytes.data(), length,
                        nullptr, &used_default);
  return !used_default;
}

}  // namespace quillenta
