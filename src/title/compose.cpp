#include "title/compose.h"

#include "items/display_items.h"

namespace {
constexpr int kTitleItemCode = 1;
}  // namespace

namespace quillenta {

void ComposeLine(const ItemSequence& sequence, const ItemContext& context, std::string& line,
                 TitleSpans* title_spans) {
  line.clear();
  if (title_spans != nullptr) title_spans->clear();
  // Slot 22 is held at 0 by every writer of the sequence; the bound is only a backstop.
  for (int slot = 1; slot <= ItemSequence::kSlots; ++slot) {
    std::int32_t code = sequence.Slot(slot);
    if (code == 0) break;
    if (code < 1 || code > kItemCodeCount) continue;
    const std::size_t start = line.size();
    DisplayItems()[code - 1].append(line, context);
    if (code == kTitleItemCode && title_spans != nullptr) {
      title_spans->emplace_back(start, line.size());
    }
  }
}

std::string LineWithoutTitle(const std::string& line, const TitleSpans& title_spans) {
  std::string rest;
  std::size_t from = 0;
  for (const auto& [start, end] : title_spans) {
    rest.append(line, from, start - from);
    from = end;
  }
  rest.append(line, from);
  return rest;
}

}  // namespace quillenta
