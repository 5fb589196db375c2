#pragma once
// Value rules of the settings file that do not depend on where a value lies in the file.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillenta {

// One enclosing pair of the same quote character (" or ') comes off; a lone quote stays.
std::string_view StripOneQuotePair(std::string_view value);
// A decimal number with an optional sign, or hexadecimal after "0x"/"0X" when the text is
// longer than two characters. The whole text must be the number and lie in [min, max].
std::optional<std::int64_t> ParseProfileNumber(std::string_view text, std::int64_t min,
                                               std::int64_t max);

}  // namespace quillenta
