#pragma once
#include <array>
#include <cstdint>

namespace quillenta {

inline constexpr int kItemCodeCount = 21;  // codes 1..21; 0 ends the sequence

// Slots 1..21 hold item codes in display order; the first 0 ends the sequence, and slot 22
// is the end marker of a full sequence.
class ItemSequence {
 public:
  static constexpr int kSlots = 22;

  // The sequence of all 21 items in code order.
  ItemSequence();

  std::int32_t Slot(int n) const { return slots_[n]; }
  void SetSlot(int n, std::int32_t code) { slots_[n] = code; }
  std::int32_t Count() const { return count_; }
  void SetCount(std::int32_t count) { count_ = count; }

 private:
  std::array<std::int32_t, kSlots + 1> slots_{};  // index 0 unused
  std::int32_t count_ = 0;
};

}  // namespace quillenta
