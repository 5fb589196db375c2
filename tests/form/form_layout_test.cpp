// Where the controls go when a translation needs more room than the classic layout gives.
#include "form/form_layout.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

using namespace quillenta;
using namespace quillenta::form;

namespace {

std::size_t At(const char* name) { return IndexOf(name); }

// The parent a control's rectangle is relative to, by index; Controls().size() for the window.
std::size_t ParentOf(const ControlDef& def) {
  if (!def.group.empty()) return IndexOf(def.group);
  if (def.kind == Kind::kTabPage) return IndexOf("PageControl1");
  if (def.page >= 0) return IndexOf("TabSheet" + std::to_string(def.page + 1));
  return Controls().size();
}

bool Overlap(const Rect& a, const Rect& b) {
  return a.x < b.right() && b.x < a.right() && a.y < b.bottom() && b.y < a.bottom();
}

TEST(FormLayout, JapaneseIsTheClassicLayoutWhateverTheCaptionsNeed) {
  const Layout classic = ClassicLayout();
  EXPECT_EQ(LayoutFor(Language::kJapanese, [](std::size_t) { return 5000; }), classic);
  EXPECT_EQ(LayoutFor(Language::kEnglish, [](std::size_t) { return 0; }), classic);
  EXPECT_EQ(classic.client_width, Window().client_width);
  EXPECT_EQ(classic.rects[At("CheckBox53")], (Rect{8, 18, 94, 20}));
}

TEST(FormLayout, AWiderCaptionMovesItsRowItsGroupAndTheWindow) {
  const Layout classic = ClassicLayout();
  const std::size_t grown = At("CheckBox53");  // the first of the time group's three switches
  const Layout fitted = FittedLayout([&](std::size_t i) {
    return i == grown ? Controls()[i].rect.width + 40 : 0;
  });
  auto moved = [&](const char* name) {
    const Rect& a = classic.rects[At(name)];
    const Rect& b = fitted.rects[At(name)];
    return std::map<std::string, int>{{"x", b.x - a.x}, {"width", b.width - a.width}};
  };
  using Shift = std::map<std::string, int>;
  EXPECT_EQ(moved("CheckBox53"), (Shift{{"x", 0}, {"width", 40}}));
  EXPECT_EQ(moved("CheckBox54"), (Shift{{"x", 40}, {"width", 0}}));
  EXPECT_EQ(moved("CheckBox55"), (Shift{{"x", 40}, {"width", 0}}));
  EXPECT_EQ(moved("CheckBox52"), (Shift{{"x", 0}, {"width", 0}}));  // the date group, left
  const std::size_t time_group = IndexOf(Controls()[grown].group);
  EXPECT_EQ(fitted.rects[time_group].width, classic.rects[time_group].width + 40);
  EXPECT_EQ(fitted.rects[At("PageControl1")].width, classic.rects[At("PageControl1")].width + 40);
  EXPECT_EQ(fitted.client_width, classic.client_width + 40);
  EXPECT_EQ(fitted.client_height, classic.client_height);
}

TEST(FormLayout, TabsThatNeedMoreThanTheRowWidenTheTabControl) {
  const Layout classic = ClassicLayout();
  const Layout fitted = FittedLayout(
      [](std::size_t i) { return Controls()[i].kind == Kind::kTabPage ? 200 : 0; });
  EXPECT_EQ(fitted.rects[At("PageControl1")].width, 5 * 200);
  EXPECT_EQ(fitted.client_width, classic.client_width + 5 * 200 - 641);
}

// Whatever the captions need: each control gets it, stays inside its parent, and no two
// controls that lay apart in the classic layout overlap.
TEST(FormLayout, AnyNeedsGiveRoomWithoutOverlapOrOverflow) {
  const Layout classic = ClassicLayout();
  const auto& controls = Controls();
  for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    std::vector<int> needs(controls.size());
    for (std::size_t i = 0; i < controls.size(); ++i) {
      const int width = controls[i].rect.width;
      needs[i] = std::uniform_int_distribution<int>(0, width + width / 2 + 20)(random);
    }
    const Layout fitted = FittedLayout([&](std::size_t i) { return needs[i]; });
    for (std::size_t i = 0; i < controls.size(); ++i) {
      const ControlDef& def = controls[i];
      if (def.kind == Kind::kTabPage || def.kind == Kind::kTabControl) continue;
      const Rect& rect = fitted.rects[i];
      EXPECT_GE(rect.width, needs[i]) << def.name;
      const std::size_t parent = ParentOf(def);
      if (parent < controls.size() && controls[parent].kind == Kind::kGroupBox) {
        EXPECT_LE(rect.right(), fitted.rects[parent].width) << def.name << " in " << def.group;
      }
      if (parent == controls.size()) {
        EXPECT_LE(rect.right(), fitted.client_width) << def.name;
      }
      for (std::size_t j = i + 1; j < controls.size(); ++j) {
        if (ParentOf(controls[j]) != parent || controls[j].kind == Kind::kTabPage) continue;
        if (Overlap(classic.rects[i], classic.rects[j])) continue;
        EXPECT_FALSE(Overlap(rect, fitted.rects[j])) << def.name << " and " << controls[j].name;
      }
    }
  }
}

}  // namespace
