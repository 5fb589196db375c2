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
// included), any other as code page 932 (the Windows program's files). A file damaged on disk
// may hold bytes that no character accounts for, or pairs the converter would write back
// otherwise: each such byte is kept in the text as a lone surrogate (U+DC00 + the byte), so
// that writing the text back gives every unchanged line byte for byte. Kept rather than
// refused: a file that refused every save would also refuse the periodic save of the
// accounting, and the user could never store a setting again without deleting the file.
std::string DecodeProfileBytes(std::string_view bytes, bool* was_code_page_932 = nullptr);
// A decoded text with its kept bytes read as code page 932 again: a pair that the converter
// reads is its character, any other byte U+FFFD. What a value of the file means to the
// program.
std::string ReadableProfileText(std::string_view text);

enum class ProfileEncoding { kUtf8, kCodePage932, kNone };
// What a settings file's text is written as. A file from the Windows program stays in its code
// page while the text fits, so that program can still read it and its texts keep their length
// limit; only a text that reads back as itself is written so (bytes that happened to form
// UTF-8 would read as UTF-8). Any other text is written as UTF-8. A text with kept bytes is
// written in code page 932 with those bytes as they were, or not at all (kNone): a new text
// that does not fit code page 932 could not be told apart from them on the next read.
ProfileEncoding EncodeProfileText(std::string_view text, bool was_code_page_932,
                                  std::string& bytes);

// The longest start of a UTF-8 text, in whole characters, whose code page 932 form has at most
// max_bytes: one byte for ASCII and the half-width katakana, two for the rest (U+FFFD, which
// stands for one byte that was not code page 932, counts one).
std::string_view CutAtCodePage932Bytes(std::string_view text, std::size_t max_bytes);

}  // namespace quillenta
