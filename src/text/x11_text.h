#pragma once
// The encodings X11 window titles come in besides UTF-8: Latin-1 (STRING) and Compound Text.
#include <string>

namespace quillenta {

// Decoders of the property types that WM_NAME comes in, to UTF-8.
std::string Latin1ToUtf8(const std::string& bytes);
std::string CompoundTextToUtf8(const std::string& bytes);
// The Latin-1 bytes of a UTF-8 text, or false when some character lies beyond U+00FF or
// the text is not valid UTF-8.
bool Utf8ToLatin1(const std::string& text, std::string& latin1);

}  // namespace quillenta
