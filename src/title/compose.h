#pragma once
#include <string>
#include <utility>
#include <vector>

#include "items/item_context.h"
#include "settings/item_sequence.h"

namespace quillenta {

// Rebuilds the line from the sequence: each code 1..21 up to the first 0 appends its item;
// any other code appends nothing and the walk goes on.
// `title_spans`, where given, gets where in the line each Title item's text lies.
using TitleSpans = std::vector<std::pair<std::size_t, std::size_t>>;
void ComposeLine(const ItemSequence& sequence, const ItemContext& context, std::string& line,
                 TitleSpans* title_spans = nullptr);
// The line without the Title items' texts (the window's own title and its decorations).
std::string LineWithoutTitle(const std::string& line, const TitleSpans& title_spans);

}  // namespace quillenta
