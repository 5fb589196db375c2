// A save that meets the settings file held by another program for a moment (a virus scanner,
// an indexer): made again at the following wakeups while the line goes on, reported once
// only when the file is still held after a while.
#include <gtest/gtest.h>

#include "program/program_core.h"
#include "fake_platform.h"

using namespace quillenta;
using namespace quillenta::testing;

namespace {

class HeldSaveTest : public ::testing::Test {
 protected:
  HeldSaveTest() {
    fakes.profile->contents = "[Quillenta]\r\nb49=0\r\n";
    core.Start();
    window = fakes.windows->Open("エディタ");
    fakes.windows->Focus(window);
  }
  // One wakeup, the clock moved on by its interval.
  void Wakeup(std::int64_t ms = ProgramCore::kWakeupMs) {
    fakes.clock->Advance(ms);
    core.Wakeup();
  }

  Fakes fakes;
  RecordingErrorReport errors;
  ProgramCore core{MakeFakePlatform(fakes), errors};
  WindowId window = kNoWindow;
};

TEST_F(HeldSaveTest, SavedWhenTheHolderLetsGoWhileTheLineGoesOn) {
  const std::string before = *fakes.profile->contents;
  fakes.profile->held_commits = 2;  // 0.4 s at two wakeups a refresh
  core.SaveSettings();
  EXPECT_TRUE(core.SaveWaiting());
  EXPECT_EQ(*fakes.profile->contents, before);

  Wakeup();
  EXPECT_TRUE(core.SaveWaiting());
  EXPECT_EQ(core.engine().Target(), window) << "the tick stopped while the save waited";
  Wakeup();
  EXPECT_EQ(fakes.windows->TitleOf(window).rfind("エディタ ", 0), 0u)
      << "no line while the save waited: " << fakes.windows->TitleOf(window);
  EXPECT_FALSE(core.SaveWaiting());
  EXPECT_EQ(fakes.profile->commits, 1);
  EXPECT_NE(fakes.profile->contents->find("i01=1"), std::string::npos);
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(HeldSaveTest, StillHeldAfterTheRetryTimeIsReportedOnce) {
  fakes.profile->held_commits = 1000;
  core.SaveSettings();
  for (std::int64_t waited = ProgramCore::kWakeupMs; waited < ProgramCore::kHeldFileRetryMs;
       waited += ProgramCore::kWakeupMs) {
    Wakeup();
    ASSERT_TRUE(errors.messages.empty()) << "reported after " << waited << " ms";
  }
  Wakeup();
  ASSERT_EQ(errors.messages.size(), 1u);
  EXPECT_EQ(errors.messages[0], fakes.profile->Path() + " に書き込めません");
  EXPECT_FALSE(core.SaveWaiting());
  for (int n = 0; n < 50; ++n) Wakeup();
  EXPECT_EQ(errors.messages.size(), 1u);
  EXPECT_EQ(fakes.profile->commits, 0);
  EXPECT_EQ(*fakes.profile->contents, "[Quillenta]\r\nb49=0\r\n");
}

TEST_F(HeldSaveTest, OtherFailuresAreReportedAtOnce) {
  fakes.profile->commit_failure = fakes.profile->Path() + " に書き込めません";
  core.SaveSettings();
  EXPECT_EQ(errors.messages.size(), 1u);
  EXPECT_FALSE(core.SaveWaiting());
}

TEST_F(HeldSaveTest, ANewSaveStartsItsOwnWait) {
  fakes.profile->held_commits = 1000;
  core.SaveSettings();
  for (int n = 0; n < 20; ++n) Wakeup();  // 4 s
  core.SaveSettings();                    // "&OK" again: five more seconds from now
  for (int n = 0; n < 20; ++n) Wakeup();
  EXPECT_TRUE(errors.messages.empty());
  fakes.profile->held_commits = 0;
  Wakeup();
  EXPECT_EQ(fakes.profile->commits, 1);
  EXPECT_TRUE(errors.messages.empty());
}

}  // namespace
