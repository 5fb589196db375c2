#pragma once
// The core speaks UTF-8; Windows speaks UTF-16. Every text crosses here.
#include <string>
#include <string_view>

namespace quillenta {

// Invalid UTF-8 becomes U+FFFD, never a dropped or failed conversion.
std::wstring Utf8ToWide(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string WideToUtf8(std::wstring_view wide);

}  // namespace quillenta
