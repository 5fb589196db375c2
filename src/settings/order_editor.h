#pragma once
#include <array>
#include <functional>
#include <string>

#include "title/item_sequence.h"

namespace quillenta {

// The "順番" tab's logic: one position label per item code, add/remove by click.
class OrderEditor {
 public:
  explicit OrderEditor(ItemSequence& sequence);

  // "" when the item is not in the line, else its position in decimal. code = 1..21.
  const std::string& Label(int code) const { return labels_[code]; }
  void Click(int code);  // an item button
  void ClearSequence();  // "クリア(C)", and the first step of every load
  void RemoveEntry(int position);
  void RefreshLabels();  // the last step of every load

  ItemSequence& Sequence() { return sequence_; }
  // After any change, for the view.
  std::function<void()> on_changed;

 private:
  ItemSequence& sequence_;
  std::array<std::string, kItemCodeCount + 1> labels_;
};

}  // namespace quillenta
