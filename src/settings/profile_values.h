#pragma once
// Value rules of the settings file that do not depend on where a value lies in the file.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillenta {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);
// Each byte that does not belong to a valid sequence becomes U+FFFD.
std::string ToValidUtf8(std::string_view text);

// One enclosing pair of the same quote character (" or ') comes off; a lone quote stays.
std::string_view StripOneQuotePair(std::string_view value);
// At most max_bytes, never ending inside a multi-byte character.
std::string_view CutAtCharBoundary(std::string_view text, std::size_t max_bytes);
// The longest start of a UTF-8 text, in whole characters, whose code page 932 form has at most
// max_bytes: one byte for ASCII and the half-width katakana, two for the rest (U+FFFD, which
// stands for one byte that was not code page 932, counts one).
std::string_view CutAtCodePage932Bytes(std::string_view text, std::size_t max_bytes);

// A decimal number with an optional sign, or hexadecimal after "0x"/"0X" when the text is
// longer than two characters. The whole text must be the number and lie in [min, max].
std::optional<std::int64_t> ParseProfileNumber(std::string_view text, std::int64_t min,
                                               std::int64_t max);

// The executable's path with its extension replaced by ".INI" (or ".INI" appended).
std::string IniPathFor(std::string_view executable_path);

}  // namespace quillenta
