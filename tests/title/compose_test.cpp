#include "title/compose.h"

#include <gtest/gtest.h>

#include "item_world.h"

namespace quillenta {
namespace {

struct ComposeFixture : ::testing::Test, testing::ItemWorld {
  ComposeFixture() { saved_title = "Editor"; }
};

TEST_F(ComposeFixture, WalksSlotsUpToTheFirstZeroSkippingUnknownCodes) {
  struct Case {
    std::initializer_list<int> codes;
    const char* expected;
  };
  const Case cases[] = {
      {{0, 1, 1}, ""},
      {{1, 0, 1}, "Editor "},
      {{1, 1, 1}, "Editor Editor Editor "},
      {{99, 1, -3, 1}, "Editor Editor "},
      {{22, 1}, "Editor "},
  };
  for (const Case& c : cases) EXPECT_EQ(Compose(c.codes), c.expected);
}

TEST_F(ComposeFixture, FullSequenceEndsAtTheMarkerSlot) {
  std::string expected;
  for (int n = 0; n < 21; ++n) expected += "Editor ";
  EXPECT_EQ(Compose({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}), expected);
}

TEST_F(ComposeFixture, TitleItemTextsAndSwitch) {
  settings.SetText(TextKey::s50, " [");
  settings.SetText(TextKey::s51, "] ");
  EXPECT_EQ(Compose({1}), " [Editor] ");

  settings.SetFlag(FlagKey::b50, false);
  settings.SetText(TextKey::s50, "");
  settings.SetText(TextKey::s51, "");
  EXPECT_EQ(Compose({1}), "");
}

// The label beside a panel's icon: the same line with every Title item left out, its
// decorations with it.
TEST_F(ComposeFixture, LineWithoutTitleLeavesOutEveryTitleItemAndNothingElse) {
  settings.SetText(TextKey::s50, "<");
  settings.SetText(TextKey::s51, "> ");
  struct Case {
    std::initializer_list<int> codes, without_title;
  };
  const Case cases[] = {
      {{1, 2, 3}, {2, 3}},
      {{2, 1, 3}, {2, 3}},
      {{2, 3, 1}, {2, 3}},
      {{1, 2, 1, 3, 1}, {2, 3}},
      {{1}, {}},
      {{2, 3}, {2, 3}},
      {{1, 0, 2}, {}},
  };
  for (const Case& c : cases) {
    ItemSequence sequence;
    for (int n = 1; n <= ItemSequence::kSlots; ++n) sequence.SetSlot(n, 0);
    int n = 1;
    for (int code : c.codes) sequence.SetSlot(n++, code);
    std::string line;
    TitleSpans spans = {{0, 99}};
    ComposeLine(sequence, context, line, &spans);
    EXPECT_EQ(line, Compose(c.codes));
    EXPECT_EQ(LineWithoutTitle(line, spans), Compose(c.without_title)) << line;
  }
}

}  // namespace
}  // namespace quillenta
