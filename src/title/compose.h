#pragma once
#include <string>

#include "items/item_context.h"
#include "settings/item_sequence.h"

namespace quillenta {

// Rebuilds the line from the sequence: each code 1..21 up to the first 0 appends its item;
// any other code appends nothing and the walk goes on.
void ComposeLine(const ItemSequence& sequence, const ItemContext& context, std::string& line);

}  // namespace quillenta
