// The program's life under a recording shell: the order of start-up and shutdown, the
// timers, the end when the display goes, and one error box at a time.
#include "program/program.h"
#include "program/settings_location.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
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
  void ShowNotice(const std::string& text) override { calls.push_back("notice " + text); }
  void ShowErrorBox(const std::string& text, std::function<void()> closed) override {
    calls.push_back("box " + text);
    open_boxes.push_back(std::move(closed));
  }

 private:
  static std::string Name(Timer timer) {
    return timer == Timer::kTimer1 ? "timer1" : timer == Timer::kTimer2 ? "timer2" : "notice";
  }
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
  EXPECT_EQ(shell.calls,
            (std::vector<std::string>{"stop timer1", "stop timer2", "stop notice", "closed"}));
  EXPECT_EQ(fakes.windows->TitleOf(editor), "notes.txt - Editor");
  // A timer already queued when the program closed does nothing.
  const std::size_t writes = fakes.windows->writes.size();
  program.OnTimer(Shell::Timer::kTimer1);
  EXPECT_EQ(fakes.windows->writes.size(), writes);
}

TEST(Program, ARetitleTooSoonToAnswerIsAnsweredWhenItsTimerFires) {
  Fakes fakes;
  RecordingShell shell;
  OneErrorBoxAtATime errors(shell);
  Program program(MakeFakePlatform(fakes), errors, shell);
  WindowId page = fakes.windows->Open("page 1");
  fakes.windows->Focus(page);
  program.FormCreate();
  program.OnTimer(Shell::Timer::kTimer1);
  program.OnTimer(Shell::Timer::kTimer1);
  // Once seen retitling itself at a work tick, the page tells of each retitle at once.
  fakes.windows->Retitle(page, "page 1b");
  program.OnTimer(Shell::Timer::kTimer1);
  ASSERT_EQ(fakes.windows->followed_, page);
  fakes.windows->Retitle(page, "page 2");
  ASSERT_NE(fakes.windows->TitleOf(page), "page 2");
  shell.calls.clear();
  fakes.clock->Advance(1);
  fakes.windows->Retitle(page, "page 3");
  EXPECT_EQ(fakes.windows->TitleOf(page), "page 3");
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"notice 9"}));
  fakes.clock->Advance(9);
  program.OnTimer(Shell::Timer::kNotice);
  EXPECT_EQ(fakes.windows->TitleOf(page).rfind("page 3 ", 0), 0u) << fakes.windows->TitleOf(page);
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"notice 9", "stop notice"}));
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

namespace {

struct LanguageCase {
  const char* what;
  Language system;
  std::optional<Language> override_;
  std::optional<std::string> file;  // the lines after the section; nullopt: no file
  Language expected;
  const char* received_title;  // s95 after the start
};

TEST(ProgramLanguage, ComesFromTheOverrideTheFileOrTheSystem) {
  const LanguageCase cases[] = {
      {"no file: the system's", Language::kEnglish, {}, std::nullopt, Language::kEnglish, "Rx:"},
      {"no file, Japanese system", Language::kJapanese, {}, std::nullopt, Language::kJapanese,
       "受:"},
      {"an earlier version's file", Language::kEnglish, {}, "b49=0\r\n", Language::kJapanese,
       "受:"},
      {"automatic", Language::kEnglish, {}, "Language=auto\r\n", Language::kEnglish, "Rx:"},
      {"chosen", Language::kJapanese, {}, "Language=en\r\n", Language::kEnglish, "Rx:"},
      {"a value of no language", Language::kEnglish, {}, "Language=fr\r\n", Language::kEnglish,
       "Rx:"},
      {"--lang over the file", Language::kJapanese, Language::kEnglish, "b49=0\r\n",
       Language::kEnglish, "Rx:"},
      {"the user's text stays", Language::kJapanese, {}, "Language=en\r\ns95=\"受:\"\r\n",
       Language::kEnglish, "受:"},
  };
  for (const LanguageCase& c : cases) {
    SCOPED_TRACE(c.what);
    Fakes fakes;
    RecordingShell shell;
    OneErrorBoxAtATime errors(shell);
    Platform platform = MakeFakePlatform(fakes);
    platform.system_language = c.system;
    platform.language_override = c.override_;
    if (c.file) fakes.profile->contents = "[Quillenta]\r\n" + *c.file;
    Program program(std::move(platform), errors, shell);
    program.FormCreate();
    EXPECT_EQ(InterfaceLanguage(), c.expected);
    EXPECT_EQ(program.core().settings().Text(TextKey::s95), c.received_title);
  }
  SetInterfaceLanguage(Language::kJapanese);
}

TEST(ProgramLanguage, AChoiceInTheWindowOutweighsLangAndMovesOnlyDefaults) {
  Fakes fakes;
  RecordingShell shell;
  OneErrorBoxAtATime errors(shell);
  Platform platform = MakeFakePlatform(fakes);
  platform.system_language = Language::kEnglish;
  platform.language_override = Language::kPseudo;
  Program program(std::move(platform), errors, shell);
  std::vector<Language> changes;
  auto subscription =
      program.core().language_changed.Subscribe([&](Language l) { changes.push_back(l); });
  program.FormCreate();
  Settings& settings = program.core().settings();
  EXPECT_EQ(InterfaceLanguage(), Language::kPseudo);
  settings.SetText(TextKey::s97, "Up:");
  settings.SetLanguageChoice("ja");
  EXPECT_EQ(InterfaceLanguage(), Language::kJapanese);
  EXPECT_EQ(settings.Text(TextKey::s95), "受:");
  EXPECT_EQ(settings.Text(TextKey::s84), "ﾟ");
  EXPECT_EQ(settings.Text(TextKey::s97), "Up:");
  // Automatic is the system's now, not --lang's.
  settings.SetLanguageChoice("auto");
  EXPECT_EQ(InterfaceLanguage(), Language::kEnglish);
  EXPECT_EQ(settings.Text(TextKey::s95), "Rx:");
  EXPECT_EQ(changes, (std::vector<Language>{Language::kJapanese, Language::kEnglish}));
  // A save makes every text the user's: a change of language no longer moves it.
  program.core().SaveSettings();
  settings.SetLanguageChoice("ja");
  EXPECT_EQ(settings.Text(TextKey::s95), "Rx:");
  EXPECT_NE(fakes.profile->contents->find("Language=auto"), std::string::npos);
  SetInterfaceLanguage(Language::kJapanese);
}

}  // namespace

namespace {

// Told once, in the first start of such a session; the file it leaves keeps the system's
// language, as a start without a file does.
TEST(Program, AWaylandSessionThatOnlyLetsXWaylandWindowsBeWrittenIsToldOnce) {
  Fakes fakes;
  RecordingShell shell;
  OneErrorBoxAtATime errors(shell);
  std::optional<std::string> file;
  std::vector<int> notices;
  for (bool only_xwayland : {false, true, true}) {
    Platform platform = MakeFakePlatform(fakes);
    platform.only_xwayland_windows = only_xwayland;
    fakes.profile->contents = file;
    shell.calls.clear();
    Program program(std::move(platform), errors, shell);
    program.FormCreate();
    notices.push_back(static_cast<int>(
        std::count_if(shell.calls.begin(), shell.calls.end(), [](const std::string& call) {
          return call == "notice " + OnlyXWaylandNotice();
        })));
    file = fakes.profile->contents;
  }
  EXPECT_EQ(notices, (std::vector<int>{0, 1, 0}));
  ASSERT_TRUE(file.has_value());
  EXPECT_NE(file->find("Language=auto"), std::string::npos) << *file;
}

}  // namespace
