#include "settings/item_sequence.h"

namespace quillenta {

ItemSequence::ItemSequence() {
  for (int n = 1; n <= kItemCodeCount; ++n) slots_[n] = n;
  count_ = kItemCodeCount;
}

}  // namespace quillenta
