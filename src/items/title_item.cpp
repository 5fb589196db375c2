#include "items/formatters.h"

namespace quillenta {

void AppendTitle(std::string& line, const ItemContext& context) {
  line.append(context.settings.Text(TextKey::s50));
  if (context.settings.Flag(FlagKey::b50)) line.append(context.saved_title);
  line.append(context.settings.Text(TextKey::s51));
}

}  // namespace quillenta
