#include "settings/order_editor.h"

#include <charconv>

namespace quillenta {

namespace {

bool IsItemCode(std::int32_t code) { return code >= 1 && code <= kItemCodeCount; }

}  // namespace

OrderEditor::OrderEditor(ItemSequence& sequence) : sequence_(sequence) { RefreshLabels(); }

void OrderEditor::Changed() { changed.Emit(); }

void OrderEditor::Click(int code) {
  if (!IsItemCode(code)) return;
  if (labels_[code].empty()) {
    Add(code);
  } else {
    int position = 0;
    const std::string& label = labels_[code];
    std::from_chars(label.data(), label.data() + label.size(), position);
    Remove(position);
    labels_[code].clear();
  }
  Changed();
}

void OrderEditor::Add(int code) {
  if (sequence_.Count() >= kItemCodeCount) Compact();
  if (sequence_.Count() >= kItemCodeCount) return;
  const int count = sequence_.Count() + 1;
  sequence_.SetCount(count);
  sequence_.SetSlot(count, code);
  labels_[code] = std::to_string(count);
}

void OrderEditor::Compact() {
  int kept = 0;
  for (int p = 1; p <= kItemCodeCount; ++p) {
    const std::int32_t code = sequence_.Slot(p);
    if (!IsItemCode(code) || labels_[code] != std::to_string(p)) continue;
    ++kept;
    sequence_.SetSlot(kept, code);
    labels_[code] = std::to_string(kept);
  }
  for (int p = kept + 1; p <= ItemSequence::kSlots; ++p) sequence_.SetSlot(p, 0);
  sequence_.SetCount(kept);
}

void OrderEditor::ClearSequence() {
  for (int n = 1; n <= ItemSequence::kSlots; ++n) sequence_.SetSlot(n, 0);
  sequence_.SetCount(0);
  for (std::string& label : labels_) label.clear();
  Changed();
}

void OrderEditor::RemoveEntry(int position) {
  Remove(position);
  Changed();
}

void OrderEditor::Remove(int position) {
  // A label that no longer matches the slots (after a hand-edited file) may name a position
  // past the count; the shifts then stay within slots 1..21 all the same.
  const int count = sequence_.Count() - 1;
  if (count < 0 || count >= kItemCodeCount || position < 1 || position > kItemCodeCount) return;
  sequence_.SetCount(count);
  for (int j = position; j <= count; ++j) {
    const std::int32_t moved = sequence_.Slot(j + 1);
    sequence_.SetSlot(j, moved);
    if (IsItemCode(moved)) labels_[moved] = std::to_string(j);
  }
  sequence_.SetSlot(count + 1, 0);
  sequence_.SetSlot(ItemSequence::kSlots, 0);
}

void OrderEditor::RefreshLabels() {
  for (std::string& label : labels_) label.clear();
  int count = 0;
  for (int p = 1; p <= kItemCodeCount; ++p) {
    const std::int32_t code = sequence_.Slot(p);
    if (IsItemCode(code)) labels_[code] = std::to_string(p);
    if (code > 0) ++count;
  }
  sequence_.SetCount(count);
  Changed();
}

}  // namespace quillenta
