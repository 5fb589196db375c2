#include "title/compose.h"

#include "items/display_items.h"

namespace quillenta {

void ComposeLine(const ItemSequence& sequence, const ItemContext& context, std::string& line) {
  line.clear();
  // Slot 22 is held at 0 by every writer of the sequence; the bound is only a backstop.
  for (int slot = 1; slot <= ItemSequence::kSlots; ++slot) {
    std::int32_t code = sequence.Slot(slot);
    if (code == 0) break;
    if (code >= 1 && code <= kItemCodeCount) DisplayItems()[code - 1].append(line, context);
  }
}

}  // namespace quillenta
