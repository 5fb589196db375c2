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

}  // namespace
}  // namespace quillenta
