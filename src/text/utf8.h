#pragma once
#include <string>
#include <string_view>

namespace quillenta {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);
// Each byte that does not belong to a valid sequence becomes U+FFFD.
std::string ToValidUtf8(std::string_view text);

// At most max_bytes, never ending inside a multi-byte character.
std::string_view CutAtCharBoundary(std::string_view text, std::size_t max_bytes);

}  // namespace quillenta
