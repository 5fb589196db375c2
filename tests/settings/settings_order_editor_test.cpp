#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/order_editor.h"

namespace quillenta {
namespace {

std::vector<int> Slots(const ItemSequence& sequence) {
  std::vector<int> slots;
  for (int n = 1; n <= ItemSequence::kSlots; ++n) slots.push_back(sequence.Slot(n));
  return slots;
}

std::vector<std::string> Labels(const OrderEditor& editor) {
  std::vector<std::string> labels;
  for (int code = 1; code <= kItemCodeCount; ++code) labels.push_back(editor.Label(code));
  return labels;
}

struct Editor {
  ItemSequence sequence;
  OrderEditor editor{sequence};
  int changes = 0;
  Signal<>::Subscription changed_;
  Editor() {
    changed_ = editor.changed.Subscribe([this] { ++changes; });
  }
};

TEST(OrderEditor, DefaultSequenceLabelsEveryItem) {
  Editor e;
  for (int code = 1; code <= 21; ++code) EXPECT_EQ(e.editor.Label(code), std::to_string(code));
  EXPECT_EQ(e.sequence.Count(), 21);
}

TEST(OrderEditor, RemovingYearMovesLaterItemsForward) {
  Editor e;
  e.editor.Click(2);
  EXPECT_EQ(e.editor.Label(1), "1");
  EXPECT_EQ(e.editor.Label(2), "");
  for (int code = 3; code <= 21; ++code) EXPECT_EQ(e.editor.Label(code), std::to_string(code - 1));
  EXPECT_EQ(e.sequence.Slot(2), 3);
  EXPECT_EQ(e.sequence.Slot(20), 21);
  EXPECT_EQ(e.sequence.Slot(21), 0);
  EXPECT_EQ(e.sequence.Count(), 20);
  EXPECT_EQ(e.changes, 1);
}

TEST(OrderEditor, ClearThenHourMinuteSecond) {
  Editor e;
  e.editor.ClearSequence();
  EXPECT_EQ(Labels(e.editor), std::vector<std::string>(21));
  EXPECT_EQ(Slots(e.sequence), std::vector<int>(22));
  e.editor.Click(6);
  e.editor.Click(7);
  e.editor.Click(8);
  std::vector<int> expected(22);
  expected[0] = 6, expected[1] = 7, expected[2] = 8;
  EXPECT_EQ(Slots(e.sequence), expected);
  EXPECT_EQ(e.editor.Label(6), "1");
  EXPECT_EQ(e.editor.Label(7), "2");
  EXPECT_EQ(e.editor.Label(8), "3");
  EXPECT_EQ(e.sequence.Count(), 3);
  EXPECT_EQ(e.changes, 4);
}

TEST(OrderEditor, ClickTwiceChangesNothing) {
  for (int code : {1, 11, 21}) {
    Editor e;
    e.editor.ClearSequence();
    e.editor.Click(4);
    e.editor.Click(9);
    const auto slots = Slots(e.sequence);
    const auto labels = Labels(e.editor);
    e.editor.Click(code);
    e.editor.Click(code);
    EXPECT_EQ(Slots(e.sequence), slots) << code;
    EXPECT_EQ(Labels(e.editor), labels) << code;
    EXPECT_EQ(e.sequence.Count(), 2);
  }
}

TEST(OrderEditor, RemoveFirstOfTwentyOneThenAdd) {
  Editor f;
  f.editor.RemoveEntry(1);
  EXPECT_EQ(f.sequence.Count(), 20);
  EXPECT_EQ(f.sequence.Slot(1), 2);
  EXPECT_EQ(f.sequence.Slot(20), 21);
  EXPECT_EQ(f.sequence.Slot(21), 0);
  EXPECT_EQ(f.sequence.Slot(22), 0);
  EXPECT_EQ(f.editor.Label(21), "20");
  EXPECT_EQ(f.changes, 1);
  // The item button takes item 1 out the same way and clears its label; adding it back
  // puts it into slot 21.
  Editor g;
  g.editor.Click(1);
  g.editor.Click(1);
  EXPECT_EQ(g.sequence.Slot(21), 1);
  EXPECT_EQ(g.editor.Label(1), "21");
  EXPECT_EQ(g.sequence.Slot(22), 0);
}

TEST(OrderEditor, RefreshLabelsCountsPositiveCodes) {
  Editor e;
  e.editor.ClearSequence();
  const int slots[] = {3, 3, 0, 25, -1, 7};
  for (int i = 0; i < 6; ++i) e.sequence.SetSlot(i + 1, slots[i]);
  e.editor.RefreshLabels();
  EXPECT_EQ(e.editor.Label(3), "2");
  EXPECT_EQ(e.editor.Label(7), "6");
  EXPECT_EQ(e.sequence.Count(), 4);  // 3, 3, 25, 7
}

TEST(OrderEditor, FullSequenceWithRepeatsMakesRoomInsteadOfOverflowing) {
  Editor e;
  e.editor.ClearSequence();
  // A hand-edited file: 21 slots, code 5 twice, code 30 and a 0, so items 4 and 6 have no
  // label while the count is already 20 + 1.
  const int slots[] = {1, 2, 3, 5, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 30, 21, 20};
  for (int i = 0; i < 21; ++i) e.sequence.SetSlot(i + 1, slots[i]);
  e.editor.RefreshLabels();
  ASSERT_EQ(e.sequence.Count(), 21);
  ASSERT_EQ(e.editor.Label(4), "");
  e.editor.Click(4);
  EXPECT_EQ(e.sequence.Slot(22), 0);
  const std::vector<int> expected = {1,  2,  3,  5,  7,  8,  9,  10, 11, 12, 13,
                                     14, 15, 16, 17, 18, 19, 21, 20, 4,  0,  0};
  EXPECT_EQ(Slots(e.sequence), expected);
  EXPECT_EQ(e.sequence.Count(), 20);
  for (int p = 1; p <= 20; ++p) EXPECT_EQ(e.editor.Label(expected[p - 1]), std::to_string(p));
  EXPECT_EQ(e.editor.Label(6), "");
}

}  // namespace
}  // namespace quillenta
