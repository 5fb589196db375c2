#pragma once
// Code page 932 (Shift-JIS as Windows has it), the encoding of settings files written by the
// Windows program. Each system converts with its own converter (glibc's iconv, Windows'
// code page functions); both read a file alike.
#include <cstddef>
#include <string>
#include <string_view>

namespace quillenta {

// Each byte that starts no character (or a pair with no mapping) becomes U+FFFD, and
// reading goes on at the next byte.
std::string Cp932ToUtf8(std::string_view bytes);
// The code page 932 form of a UTF-8 text, or false when some character has none or its bytes
// would read back as another text.
bool Utf8ToCp932(std::string_view text, std::string& bytes);

namespace detail {
// Each system's converter, before the round-trip check; false when a character has no form.
bool ConvertToCp932(std::string_view utf8, std::string& bytes);
}  // namespace detail

// A settings file's bytes as UTF-8: a valid UTF-8 file as it is (a byte-order mark
// included), any other as code page 932 (the Windows program's files).
std::string DecodeProfileBytes(std::string_view bytes, bool* was_code_page_932 = nullptr);
// What a settings file's text is written as. A file from the Windows program stays in its code
// page while the text fits, so that program can still read it and its texts keep their length
// limit; only a text that reads back as itself is written so (bytes that happened to form
// UTF-8 would read as UTF-8). Any other text is written as UTF-8. Returns whether `bytes` are
// code page 932.
bool EncodeProfileText(std::string_view text, bool was_code_page_932, std::string& bytes);

// The longest start of a UTF-8 text, in whole characters, whose code page 932 form has at most
// max_bytes: one byte for ASCII and the half-width katakana, two for the rest (U+FFFD, which
// stands for one byte that was not code page 932, counts one).
std::string_view CutAtCodePage932Bytes(std::string_view text, std::size_t max_bytes);

}  // namespace quillenta
