#pragma once
#include <array>
#include <functional>
#include <string>

#include "settings/item_sequence.h"
#include "settings/signal.h"

namespace quillenta {

// The "順番" tab's logic: one position label per item code, add/remove by click.
class OrderEditor {
 public:
  explicit OrderEditor(ItemSequence& sequence);

  // "" when the item is not in the line, else its position in decimal. code = 1..21.
  const std::string& Label(int code) const { return labels_[code]; }
  // An item button: adds the item at the end when its label is empty, else takes it out.
  // When a sequence loaded with repeated or foreign codes already fills all 21 slots, an add
  // first drops the entries no label points at (repeats, codes outside 1..21, gaps of 0) and
  // closes the gaps, so that the add never writes past slot 21.
  void Click(int code);
  void ClearSequence();  // "クリア(C)", and the first step of every load
  void RemoveEntry(int position);
  // The last step of every load: labels and count from slots 1..21.
  void RefreshLabels();

  ItemSequence& Sequence() { return sequence_; }
  // After any change, for the view.
  Signal<> changed;

 private:
  void Add(int code);
  void Remove(int position);
  void Compact();
  void Changed();

  ItemSequence& sequence_;
  std::array<std::string, kItemCodeCount + 1> labels_;
};

}  // namespace quillenta
