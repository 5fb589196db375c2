// The program's life under a recording shell: the order of start-up and shutdown, the
// timers, the end when the display goes, and one error box at a time.
#include "program/program.h"
#include "program/settings_location.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"

using namespace quillenta;
using namespace quillenta::testing;

namespace {

class RecordingShell : public Shell, public ErrorBoxShower {
 public:
  std::vector<std::string> calls;
  std::vector<std::function<void()>> open_boxes;

  void StartTimer(Timer timer, int interval_ms) override {
    calls.push_back(Name(timer) + " " + std::to_string(interval_ms));
  }
  void StopTimer(Timer timer) override { calls.push_back("stop " + Name(timer)); }
  void HideToTray() override { calls.push_back("tray"); }
  void ShowAtStart() override { calls.push_back("window"); }
  void Closed() override { calls.push_back("closed"); }
  void ShowErrorBox(const std::string& text, std::function<void()> closed) override {
    calls.push_back("box " + text);
    open_boxes.push_back(std::move(closed));
  }

 private:
  static std::string Name(Timer timer) { return timer == Timer::kTimer1 ? "timer1" : "timer2"; }
};

struct StartCase {
  const char* settings;  // the file's lines after the section
  std::vector<std::string> calls;
};

TEST(Program, StartsInOrderWithTheWindowAndPeriodicSaveTheFileAsks) {
  const StartCase cases[] = {
      {"", {"tray", "timer2 18000", "window", "timer1 200"}},
      {"b49=0\r\n", {"tray", "timer2 18000", "timer1 200"}},
      {"b49=0\r\nb76=0\r\n", {"tray", "timer1 200"}},
      {"b76=0\r\n", {"tray", "window", "timer1 200"}},
  };
  for (const StartCase& c : cases) {
    Fakes fakes;
    RecordingShell shell;
    OneErrorBoxAtATime errors(shell);
    Platform platform = MakeFakePlatform(fakes);
    fakes.profile->contents = std::string("[Quillenta]\r\n") + c.settings;
    Program program(std::move(platform), errors, shell);
    program.FormCreate();
    EXPECT_EQ(shell.calls, c.calls) << c.settings;
  }
}

TEST(Program, ClosesOnceWithTheTargetsTitleBackAndTimersStopped) {
  Fakes fakes;
  RecordingShell shell;
  OneErrorBoxAtATime errors(shell);
  Program program(MakeFakePlatform(fakes), errors, shell);
  WindowId editor = fakes.windows->Open("notes.txt - Editor");
  fakes.windows->Focus(editor);
  program.FormCreate();
  program.OnTimer(Shell::Timer::kTimer1);
  program.OnTimer(Shell::Timer::kTimer1);
  ASSERT_NE(fakes.windows->TitleOf(editor), "notes.txt - Editor");
  shell.calls.clear();
  program.FormClose();
  program.FormClose();
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"stop timer1", "stop timer2", "closed"}));
  EXPECT_EQ(fakes.windows->TitleOf(editor), "notes.txt - Editor");
  // A timer already queued when the program closed does nothing.
  const std::size_t writes = fakes.windows->writes.size();
  program.OnTimer(Shell::Timer::kTimer1);
  EXPECT_EQ(fakes.windows->writes.size(), writes);
}

TEST(Program, EndsWhenTheDisplayIsGone) {
  Fakes fakes;
  RecordingShell shell;
  OneErrorBoxAtATime errors(shell);
  Platform platform = MakeFakePlatform(fakes);
  bool lost = false;
  platform.display_lost = [&lost] { return lost; };
  Program program(std::move(platform), errors, shell);
  program.FormCreate();
  program.OnTimer(Shell::Timer::kTimer1);
  EXPECT_FALSE(program.Closed());
  lost = true;
  program.OnTimer(Shell::Timer::kTimer1);
  EXPECT_TRUE(program.Closed());
  EXPECT_EQ(shell.calls.back(), "closed");
}

TEST(Program, AFailingStepOfTheTickIsReportedAndTheNextWakeupGoesOn) {
  Fakes fakes;
  RecordingShell shell;
  OneErrorBoxAtATime errors(shell);
  Platform platform = MakeFakePlatform(fakes);
  auto free_resources = std::make_unique<FakeFreeResources>();
  FakeFreeResources& resources = *free_resources;
  platform.free_resources = std::move(free_resources);
  WindowId editor = fakes.windows->Open("notes.txt");
  fakes.windows->Focus(editor);
  Program program(std::move(platform), errors, shell);
  program.FormCreate();
  resources.failure = "Faild to call User.exe";
  program.OnTimer(Shell::Timer::kTimer1);
  EXPECT_EQ(shell.calls.back(), "box Faild to call User.exe.");
  EXPECT_EQ(fakes.windows->TitleOf(editor), "notes.txt");
  resources.failure.reset();
  program.OnTimer(Shell::Timer::kTimer1);
  program.OnTimer(Shell::Timer::kTimer1);
  EXPECT_NE(fakes.windows->TitleOf(editor), "notes.txt");
}

TEST(OneErrorBoxAtATime, DropsWhatFailsWhileABoxIsOpen) {
  RecordingShell shell;
  OneErrorBoxAtATime errors(shell);
  errors.Report("Faild to call User.exe");
  errors.Report("second");
  ASSERT_EQ(shell.open_boxes.size(), 1u);
  shell.open_boxes.front()();
  errors.Report("/x/quillenta.INI に書き込めません");
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"box Faild to call User.exe.",
                                                   "box /x/quillenta.INI に書き込めません."}));
}

TEST(ChooseSettingsFile, BesideThePortableCopyElseTheUsersFolder) {
  struct Case {
    bool exists, takes_file;
    const char* user_file;
    const char* expected;
  };
  const Case cases[] = {
      {true, false, "/home/u/.config/quillenta/quillenta.INI", "/opt/q/quillenta.INI"},
      {false, true, "/home/u/.config/quillenta/quillenta.INI", "/opt/q/quillenta.INI"},
      {false, false, "/home/u/.config/quillenta/quillenta.INI",
       "/home/u/.config/quillenta/quillenta.INI"},
      {false, false, "", "/opt/q/quillenta.INI"},  // nowhere else to go
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseSettingsFile({"/opt/q/quillenta.INI", c.exists, c.takes_file, c.user_file}),
              c.expected)
        << c.exists << c.takes_file << c.user_file;
  }
}

}  // namespace
