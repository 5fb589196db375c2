#pragma once
// The compiled catalogues built into the program (one per language besides the source), so
// that the program is one file and reads nothing from beside it.
#include <string_view>

namespace quillenta {

// The bytes of the catalogue of `language` ("en"); empty for a language without one.
std::string_view EmbeddedCatalogue(std::string_view language);

}  // namespace quillenta
