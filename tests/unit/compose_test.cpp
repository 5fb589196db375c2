#include "title/compose.h"

#include <gtest/gtest.h>

#include "fakes.h"
#include "item_world.h"

namespace quillenta {
namespace {

using testing::FakeBatteryProbe;
using testing::FakeClock;
using testing::FakeDialupLinks;
using testing::FakeLocale;

struct ComposeFixture : ::testing::Test, testing::ItemWorld {
  ItemSequence sequence;
  std::string line = "stale";

  ComposeFixture() { saved_title = "Editor"; }

  void SetSequence(std::initializer_list<int> codes) {
    for (int n = 1; n <= ItemSequence::kSlots; ++n) sequence.SetSlot(n, 0);
    int n = 1;
    for (int code : codes) sequence.SetSlot(n++, code);
  }
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
  for (const Case& c : cases) {
    SetSequence(c.codes);
    ComposeLine(sequence, context, line);
    EXPECT_EQ(line, c.expected);
  }
}

TEST_F(ComposeFixture, FullSequenceEndsAtTheMarkerSlot) {
  for (int n = 1; n <= 21; ++n) sequence.SetSlot(n, 1);
  sequence.SetSlot(22, 0);
  ComposeLine(sequence, context, line);
  std::string expected;
  for (int n = 0; n < 21; ++n) expected += "Editor ";
  EXPECT_EQ(line, expected);
}

TEST_F(ComposeFixture, TitleItemTextsAndSwitch) {
  SetSequence({1});
  settings.SetText(TextKey::s50, " [");
  settings.SetText(TextKey::s51, "] ");
  ComposeLine(sequence, context, line);
  EXPECT_EQ(line, " [Editor] ");

  settings.SetFlag(FlagKey::b50, false);
  settings.SetText(TextKey::s50, "");
  settings.SetText(TextKey::s51, "");
  ComposeLine(sequence, context, line);
  EXPECT_EQ(line, "");
}

}  // namespace
}  // namespace quillenta
