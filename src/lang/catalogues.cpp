#include "lang/catalogues.h"

#include <cstddef>

namespace quillenta {

// Generated from po/ at build time.
extern const char kCatalogue_en[];
extern const std::size_t kCatalogueSize_en;

std::string_view EmbeddedCatalogue(std::string_view language) {
  if (language == "en") return {kCatalogue_en, kCatalogueSize_en};
  return {};
}

}  // namespace quillenta
