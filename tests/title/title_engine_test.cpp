#include "title/title_engine.h"

#include <gtest/gtest.h>

#include "fakes.h"
#include "item_world.h"

namespace quillenta {
namespace {

using testing::FakeWindowSystem;
using testing::RecordingErrorReport;

// Records the order in which the tick drives the other areas.
struct RecordingSteps : TickSteps {
  std::string log;
  std::function<void()> on_refresh_resources;
  void SamplePerfStats() override { log += "S"; }
  void UpdateConnectionAccounting() override { log += "A"; }
  void RefreshMemoryStatus() override { log += "M"; }
  void RefreshFreeResources() override {
    log += "R";
    if (on_refresh_resources) on_refresh_resources();
  }
};

struct EngineFixture : ::testing::Test, testing::ItemWorld {
  FakeWindowSystem windows;
  RecordingSteps steps;
  ItemSequence sequence;
  TitleEngine engine{windows, sequence, steps};
  std::unique_ptr<ItemContext> context;

  void SetUp() override {
    context = std::make_unique<ItemContext>(ContextWithSavedTitle(engine.SavedTitle()));
    engine.AttachItems(*context);
    // The line is the Title item in brackets, so that writes are easy to recognise.
    for (int n = 1; n <= ItemSequence::kSlots; ++n) sequence.SetSlot(n, 0);
    sequence.SetSlot(1, 1);
    settings.SetText(TextKey::s50, "[");
    settings.SetText(TextKey::s51, "]");
  }
  // One sample tick and one work tick: 200 ms.
  void WorkTick() {
    engine.Timer1Timer();
    engine.Timer1Timer();
  }
};

TEST_F(EngineFixture, FirstTickOnlySamplesAndTicksAlternate) {
  WindowId a = windows.Open("A");
  windows.Focus(a);
  engine.Timer1Timer();
  EXPECT_EQ(steps.log, "S");
  EXPECT_TRUE(windows.writes.empty());
  engine.Timer1Timer();
  engine.Timer1Timer();
  engine.Timer1Timer();
  EXPECT_EQ(steps.log, "SAMRSAMR");
}

TEST_F(EngineFixture, FirstWriteComesOneWorkTickAfterTheSwitch) {
  WindowId a = windows.Open("A");
  windows.Focus(a);
  WorkTick();  // switches to A; the last line is still the old (empty) target's title
  EXPECT_EQ(engine.Target(), a);
  EXPECT_EQ(windows.TitleOf(a), "A");
  WorkTick();
  EXPECT_EQ(windows.TitleOf(a), "[A]");
  EXPECT_EQ(engine.SavedTitle(), "A");
}

TEST_F(EngineFixture, UnchangedLineIsNotWrittenAgain) {
  WindowId a = windows.Open("A");
  windows.Focus(a);
  for (int i = 0; i < 5; ++i) WorkTick();
  EXPECT_EQ(windows.writes.size(), 1u);
  EXPECT_EQ(windows.TitleOf(a), "[A]");
}

TEST_F(EngineFixture, SwitchRestoresTheOldTargetAndWritesTheNewOneLater) {
  WindowId a = windows.Open("A");
  WindowId b = windows.Open("B");
  windows.Focus(a);
  WorkTick();
  WorkTick();
  windows.Focus(b);
  WorkTick();
  EXPECT_EQ(windows.TitleOf(a), "A");
  EXPECT_EQ(windows.TitleOf(b), "B");
  WorkTick();
  EXPECT_EQ(windows.TitleOf(a), "A");
  EXPECT_EQ(windows.TitleOf(b), "[B]");
}

TEST_F(EngineFixture, ExcludedWindowsKeepThePreviousTarget) {
  WindowId panel = windows.Open("");
  windows.SetPanel(panel);
  WindowId lumetra = windows.Open("Lumetra");
  WindowId zirerev = windows.Open("zirerev");
  WindowId a = windows.Open("A");
  windows.Focus(a);
  WorkTick();
  WorkTick();
  for (WindowId excluded : {panel, lumetra, zirerev}) {
    windows.Focus(excluded);
    WorkTick();
    EXPECT_EQ(engine.Target(), a);
    EXPECT_EQ(windows.TitleOf(a), "[A]");
  }
  EXPECT_EQ(windows.TitleOf(lumetra), "Lumetra");
}

TEST_F(EngineFixture, ExcludedWindowOpenedAfterTheLastSwitchBecomesTheTargetOnce) {
  WindowId a = windows.Open("A");
  windows.Focus(a);
  WorkTick();
  WindowId lumetra = windows.Open("Lumetra");
  windows.Focus(lumetra);
  WorkTick();
  EXPECT_EQ(engine.Target(), lumetra);
}

TEST_F(EngineFixture, TargetsOwnTitleChangeBecomesTheSavedTitle) {
  WindowId a = windows.Open("a.txt - Editor");
  WindowId b = windows.Open("B");
  windows.Focus(a);
  WorkTick();
  WorkTick();
  windows.Retitle(a, "b.txt - Editor");
  WorkTick();
  EXPECT_EQ(engine.SavedTitle(), "b.txt - Editor");
  EXPECT_EQ(windows.TitleOf(a), "[b.txt - Editor]");
  windows.Focus(b);
  WorkTick();
  EXPECT_EQ(windows.TitleOf(a), "b.txt - Editor");
}

TEST_F(EngineFixture, EmptySequenceWritesAnEmptyTitleAndTheSwitchBringsItBack) {
  sequence.SetSlot(1, 0);
  WindowId a = windows.Open("A");
  WindowId b = windows.Open("B");
  windows.Focus(a);
  WorkTick();
  WorkTick();
  EXPECT_EQ(windows.TitleOf(a), "");
  windows.Focus(b);
  WorkTick();
  EXPECT_EQ(windows.TitleOf(a), "A");
}

TEST_F(EngineFixture, ClosedTargetIsLeftAloneAndTheNextWindowTakesOver) {
  WindowId a = windows.Open("A");
  WindowId b = windows.Open("B");
  windows.Focus(a);
  WorkTick();
  WorkTick();
  windows.Close(a);
  WorkTick();
  windows.Focus(b);
  WorkTick();
  WorkTick();
  EXPECT_EQ(windows.TitleOf(b), "[B]");
}

TEST_F(EngineFixture, RestoreTargetGivesTheTitleBack) {
  WindowId a = windows.Open("A");
  windows.Focus(a);
  WorkTick();
  WorkTick();
  ASSERT_EQ(windows.TitleOf(a), "[A]");
  engine.RestoreTarget();
  EXPECT_EQ(windows.TitleOf(a), "A");
}

TEST_F(EngineFixture, LongTitlesAreKeptWhole) {
  std::string long_title(700, 'x');
  long_title += "の終わり";
  WindowId a = windows.Open(long_title);
  WindowId b = windows.Open("B");
  windows.Focus(a);
  WorkTick();
  WorkTick();
  EXPECT_EQ(windows.TitleOf(a), "[" + long_title + "]");
  windows.Focus(b);
  WorkTick();
  EXPECT_EQ(windows.TitleOf(a), long_title);
}

TEST_F(EngineFixture, AFailingStepEndsTheTickAndTheNextTickStartsAfresh) {
  WindowId a = windows.Open("A");
  windows.Focus(a);
  int failures = 1;
  steps.on_refresh_resources = [&failures] {
    if (failures-- > 0) throw Error("Faild to call User.exe");
  };
  try {
    WorkTick();
    ADD_FAILURE() << "the failing step's error did not come through";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Faild to call User.exe");
  }
  EXPECT_EQ(engine.Target(), kNoWindow);
  WorkTick();
  WorkTick();
  EXPECT_EQ(windows.TitleOf(a), "[A]");
}

TEST_F(EngineFixture, ForegroundOfNoneSwitchesOnlyWhenAllExcludedWindowsWereFound) {
  WindowId a = windows.Open("A");
  windows.Focus(a);
  WorkTick();
  WorkTick();
  // No excluded window exists, so "none" matches their recorded handles.
  windows.Focus(kNoWindow);
  WorkTick();
  EXPECT_EQ(engine.Target(), a);

  WindowId panel = windows.Open("");
  windows.SetPanel(panel);
  windows.Open("Lumetra");
  windows.Open("zirerev");
  WindowId b = windows.Open("B");
  windows.Focus(b);
  WorkTick();  // the look-ups of this switch find all three
  windows.Focus(kNoWindow);
  WorkTick();
  EXPECT_EQ(engine.Target(), kNoWindow);
  EXPECT_EQ(windows.TitleOf(b), "B");
}

}  // namespace
}  // namespace quillenta

namespace quillenta {
namespace {

// What a retitle the system tells of does at each distance from the last answered one.
TEST_F(EngineFixture, ARetitleIsAnsweredAtOnceButNeverFasterThanItsGap) {
  struct Case {
    const char* what;
    const char* new_title;  // the owner's
    std::int64_t after_ms;  // since the last answer
    const char* shown;      // the window's title right after the notice
    std::int64_t wait_ms;   // until a retitle that came too soon is answered
  } const cases[] = {
      {"a new title", "A*", 1000, "[A*]", 0},
      {"a new title soon after", "A**", TitleEngine::kRetitleGapMs, "[A**]", 0},
      {"too soon: it waits", "A***", TitleEngine::kRetitleGapMs - 3, "A***", 3},
      {"set back to its own", "A***", TitleEngine::kSetBackGapMs, "[A***]", 0},
      // Never answered before the gap ends, nor later by a timer: the work tick takes it.
      {"set back again too soon", "A***", TitleEngine::kSetBackGapMs - 1, "A***", 0},
  };
  WindowId a = windows.Open("A");
  windows.Focus(a);
  WorkTick();
  WorkTick();
  ASSERT_EQ(windows.TitleOf(a), "[A]");
  windows.Retitle(a, "A0");
  WorkTick();
  ASSERT_EQ(windows.followed_, a);
  std::int64_t now = 0;
  std::int64_t answered = -1000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Each case starts from the line in the window, its own title as saved.
    if (windows.TitleOf(a) != std::string("[") + engine.SavedTitle() + "]") WorkTick();
    const std::size_t writes = windows.writes.size();
    now = answered + c.after_ms;
    windows.Retitle(a, c.new_title);
    EXPECT_EQ(engine.TitleNotice(now), c.wait_ms);
    EXPECT_EQ(windows.TitleOf(a), c.shown);
    if (c.wait_ms > 0) {
      EXPECT_EQ(engine.TitleNotice(now + c.wait_ms), 0);
      EXPECT_EQ(windows.TitleOf(a), std::string("[") + c.new_title + "]");
      now += c.wait_ms;
    }
    if (windows.writes.size() > writes) answered = now;
    // A notice of this program's own write, or none at all, writes nothing.
    const std::size_t after = windows.writes.size();
    EXPECT_EQ(engine.TitleNotice(now + 1000), 0);
    EXPECT_EQ(windows.writes.size(), after);
  }
  WorkTick();
  EXPECT_EQ(windows.TitleOf(a), "[A***]");
}

TEST_F(EngineFixture, OnlyATargetSeenRetitlingItselfIsFollowed) {
  WindowId a = windows.Open("A");
  WindowId b = windows.Open("B");
  auto focus = [&](WindowId window) {
    windows.Focus(window);
    WorkTick();
    WorkTick();  // the line goes in at the tick after the switch
  };
  focus(a);
  EXPECT_EQ(windows.followed_, kNoWindow);
  windows.Retitle(a, "A1");
  WorkTick();
  EXPECT_EQ(windows.followed_, a);
  focus(b);
  EXPECT_EQ(windows.followed_, kNoWindow);
  focus(a);
  EXPECT_EQ(windows.followed_, a) << "a window that retitled itself is followed from its switch";
  windows.Retitle(b, "B1");
  engine.TitleNotice(5000);
  EXPECT_EQ(windows.TitleOf(b), "B1");
  windows.Retitle(a, "A2");
  engine.TitleNotice(6000);
  EXPECT_EQ(windows.TitleOf(a), "[A2]");
}

}  // namespace
}  // namespace quillenta
