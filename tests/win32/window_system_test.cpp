// Win32WindowSystem against real windows: this process's own and testwin.exe's, run under Wine
// on the private display of wine-session.sh.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/wide.h"
#include "platform/win32/window_system_win32.h"
#include "win32_test_files.h"
#include "windows_test_process.h"

namespace quillenta {
namespace {

using test::Child;
using test::PumpUntil;

WindowId Id(HWND window) { return reinterpret_cast<std::uintptr_t>(window); }
HWND Hwnd(WindowId window) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window)); }

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

// A top-level window of this process, of a class the test names.
class OwnWindow {
 public:
  explicit OwnWindow(const std::string& title, const wchar_t* class_name = L"QuillentaOwnWindow",
                     HWND parent = nullptr) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = class_name;
    RegisterClassW(&window_class);  // fails harmlessly when the class is there already
    DWORD style = parent != nullptr ? WS_CHILD | WS_VISIBLE : WS_OVERLAPPEDWINDOW;
    hwnd_ = CreateWindowExW(0, class_name, Utf8ToWide(title).c_str(), style, 50, 50, 300, 120,
                            parent, nullptr, window_class.hInstance, nullptr);
    if (parent == nullptr) ShowWindow(hwnd_, SW_SHOW);
  }
  ~OwnWindow() { Destroy(); }
  OwnWindow(const OwnWindow&) = delete;
  OwnWindow& operator=(const OwnWindow&) = delete;
  void Destroy() {
    if (hwnd_ != nullptr && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  }
  HWND hwnd() const { return hwnd_; }
  WindowId id() const { return Id(hwnd_); }

 private:
  HWND hwnd_ = nullptr;
};

// testwin.exe in a process of its own, driven through its control file.
class OtherWindow {
 public:
  explicit OtherWindow(const std::string& title, const wchar_t* class_name = nullptr)
      : control_(folder_.File(L"control")) {
    FILE* created = _wfopen(control_.c_str(), L"wb");
    if (created != nullptr) std::fclose(created);
    std::wstring report = folder_.File(L"report");
    std::vector<std::wstring> arguments = {L"--title", Utf8ToWide(title), L"--control", control_,
                                           L"--report", report};
    if (class_name != nullptr) arguments.insert(arguments.end(), {L"--class", class_name});
    child_ = std::make_unique<Child>(test::OwnFolder() + L"testwin.exe", arguments);
    PumpUntil(
        [&] {
          unsigned long long hwnd = 0;
          unsigned long pid = 0;
          FILE* in = _wfopen(report.c_str(), L"r");
          if (in == nullptr) return false;
          bool read = std::fscanf(in, "%llu %lu", &hwnd, &pid) == 2;
          std::fclose(in);
          if (read) hwnd_ = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(hwnd));
          return read;
        },
        15000);
  }
  ~OtherWindow() {
    if (hwnd_ != nullptr && IsWindow(hwnd_)) {
      Command("quit");
      child_->ExitCode(5000);
    }
  }
  void Command(const std::string& line) {
    FILE* out = _wfopen(control_.c_str(), L"ab");
    ASSERT_NE(out, nullptr);
    std::fputs((line + "\n").c_str(), out);
    std::fclose(out);
  }
  HWND hwnd() const { return hwnd_; }
  WindowId id() const { return Id(hwnd_); }
  Child& process() { return *child_; }

 private:
  test::ScratchFolder folder_;
  std::wstring control_;
  std::unique_ptr<Child> child_;
  HWND hwnd_ = nullptr;
};

struct TitleCase {
  const char* name;
  std::string title;
};

const TitleCase kTitles[] = {
    {"empty", ""},
    {"ascii", "Untitled - Notepad"},
    {"japanese", "無題 - メモ帳"},
    {"halfwidth_kana", "ｺﾝﾆﾁﾊ ﾟ'' 受:0byte"},
    {"beyond_the_basic_plane", "𠮷野家 😀 の窓"},
    {"japanese_500", Repeat("日本語", 166) + "終わ"},
    {"ascii_4000", Repeat("0123456789", 400)},
};

class TitleRoundTrip : public ::testing::TestWithParam<TitleCase> {};

TEST_P(TitleRoundTrip, OwnWindowGetsAndReadsBackTheWholeTitle) {
  Win32WindowSystem windows;
  OwnWindow window("before");
  windows.WriteTitle(window.id(), GetParam().title);
  EXPECT_EQ(TextOf(window.hwnd()), Utf8ToWide(GetParam().title));
  EXPECT_EQ(windows.ReadTitle(window.id()), GetParam().title);
}

TEST_P(TitleRoundTrip, WindowOfAnotherProcessGetsAndReadsBackTheWholeTitle) {
  Win32WindowSystem windows(2000);
  OtherWindow window("before");
  ASSERT_NE(window.hwnd(), nullptr);
  windows.WriteTitle(window.id(), GetParam().title);
  EXPECT_FALSE(windows.Unanswered(window.id()));
  EXPECT_EQ(windows.ReadTitle(window.id()), GetParam().title);
}

TEST_P(TitleRoundTrip, TitleSetByTheOwnerReadsWhole) {
  Win32WindowSystem windows;
  OtherWindow window("before");
  ASSERT_NE(window.hwnd(), nullptr);
  window.Command("title " + GetParam().title);
  EXPECT_TRUE(PumpUntil([&] { return windows.ReadTitle(window.id()) == GetParam().title; }, 5000))
      << windows.ReadTitle(window.id());
}

INSTANTIATE_TEST_SUITE_P(Titles, TitleRoundTrip, ::testing::ValuesIn(kTitles),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Win32WindowSystem, GoneWindowsReadEmptyAndTakeNoWrites) {
  Win32WindowSystem windows;
  OwnWindow own("消える窓");
  WindowId own_id = own.id();
  own.Destroy();
  OtherWindow other("別プロセスの消える窓");
  ASSERT_NE(other.hwnd(), nullptr);
  WindowId other_id = other.id();
  other.Command("quit");
  ASSERT_EQ(other.process().ExitCode(5000), 0);

  for (WindowId gone : {own_id, other_id, kNoWindow}) {
    EXPECT_EQ(windows.ReadTitle(gone), "");
    windows.WriteTitle(gone, "どこにも届かない");
    EXPECT_FALSE(windows.Unanswered(gone));
  }
  EXPECT_EQ(windows.FindWindowByTitle("どこにも届かない"), kNoWindow);
}

TEST(Win32WindowSystem, ForegroundIsTheWindowInFront) {
  Win32WindowSystem windows;
  OwnWindow a("前面 A");
  OwnWindow b("前面 B");
  OtherWindow other("前面 別プロセス");
  ASSERT_NE(other.hwnd(), nullptr);
  for (HWND front : {a.hwnd(), other.hwnd(), b.hwnd()}) {
    SetForegroundWindow(front);
    EXPECT_TRUE(PumpUntil([&] { return windows.ForegroundWindow() == Id(front); }, 5000))
        << TextOf(front) << " is not in front: " << windows.ForegroundWindow();
  }
}

// The title engine keeps the line on its target while one of these is in front.
TEST(Win32WindowSystem, ShellSurfacesAndOwnMenuCarriersCountAsTheTaskbar) {
  Win32WindowSystem windows;
  struct Case {
    const wchar_t* class_name;
    bool panel;
  } cases[] = {
      {L"Shell_TrayWnd", true},
      {L"Shell_SecondaryTrayWnd", true},
      {L"NotifyIconOverflowWindow", true},
      {L"TopLevelWindowForOverflowXamlIsland", true},
      {L"Windows.UI.Core.CoreWindow", true},
      {L"MultitaskingViewFrame", true},
      {L"XamlExplorerHostIslandWindow", true},
      {L"ForegroundStaging", true},
      // A WorkerW that holds no icon view is an ordinary window, as are near names.
      {L"WorkerW", false},
      {L"Shell_TrayWndX", false},
      {L"Notepad", false},
  };
  for (const Case& c : cases) {
    OwnWindow window("窓", c.class_name);
    EXPECT_EQ(windows.IsPanel(window.id()), c.panel) << WideToUtf8(c.class_name);
  }
  EXPECT_FALSE(windows.IsPanel(kNoWindow));

  // What Explorer puts in front when the desktop is clicked: a WorkerW holding the icon view.
  OwnWindow desktop("", L"WorkerW");
  OwnWindow icons("", L"SHELLDLL_DefView", desktop.hwnd());
  EXPECT_TRUE(windows.IsPanel(desktop.id()));
  EXPECT_TRUE(windows.IsPanel(Id(GetDesktopWindow())));
  SetForegroundWindow(desktop.hwnd());
  ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == desktop.hwnd(); }, 5000));
  EXPECT_EQ(windows.ForegroundWindow(), desktop.id());

  // The hidden main window that carries the tray menu is this program's and never shown; a
  // shown window of this program (the settings window, the error box) is a window like any
  // other, and so is a hidden one of another program.
  OwnWindow hidden("Quillenta");
  ShowWindow(hidden.hwnd(), SW_HIDE);
  EXPECT_TRUE(windows.IsPanel(hidden.id()));
  OwnWindow shown("Quillenta");
  EXPECT_FALSE(windows.IsPanel(shown.id()));
  OtherWindow other("別プロセス");
  ASSERT_NE(other.hwnd(), nullptr);
  EXPECT_FALSE(windows.IsPanel(other.id()));
  other.Command("hide");
  ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(other.hwnd()); }, 5000));
  EXPECT_FALSE(windows.IsPanel(other.id()));
}

TEST(Win32WindowSystem, FindsTitlesExactly) {
  Win32WindowSystem windows;
  OwnWindow exact("Quillenta 検索テスト窓");
  // Made later, so that it stands before the exact one in the window list.
  OwnWindow other_case("QUILLENTA 検索テスト窓");
  OtherWindow other_process("別プロセスの窓 ✓");
  ASSERT_NE(other_process.hwnd(), nullptr);

  struct Case {
    std::string title;
    WindowId expected;
  } cases[] = {
      {"Quillenta 検索テスト窓", exact.id()},
      {"QUILLENTA 検索テスト窓", other_case.id()},
      {"quillenta 検索テスト窓", kNoWindow},
      {"Quillenta 検索テスト", kNoWindow},
      {"Quillenta 検索テスト窓 ", kNoWindow},
      {"別プロセスの窓 ✓", other_process.id()},
      {"どこにもない窓", kNoWindow},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(windows.FindWindowByTitle(c.title), c.expected) << c.title;
  }
}

TEST(Win32WindowSystem, EmptyTitleFindsAWindowWithoutTitle) {
  Win32WindowSystem windows;
  OwnWindow untitled("");
  WindowId found = windows.FindWindowByTitle("");
  ASSERT_NE(found, kNoWindow);
  EXPECT_EQ(TextOf(Hwnd(found)), L"");
}

TEST(Win32WindowSystem, PanelIsTheShellTrayWindow) {
  Win32WindowSystem windows;
  HWND before = FindWindowW(L"Shell_TrayWnd", nullptr);
  if (before == nullptr) {
    EXPECT_EQ(windows.FindPanel(), kNoWindow);
  }
  {
    OwnWindow taskbar("", L"Shell_TrayWnd");
    EXPECT_EQ(windows.FindPanel(), taskbar.id());
  }
  EXPECT_EQ(windows.FindPanel(), Id(before));

  OtherWindow other_taskbar("", L"Shell_TrayWnd");
  ASSERT_NE(other_taskbar.hwnd(), nullptr);
  EXPECT_EQ(windows.FindPanel(), other_taskbar.id());
}

long Elapsed(std::chrono::steady_clock::time_point since) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - since)
                               .count());
}

// Whether `window` takes a message within 50 ms.
bool Answers(HWND window) {
  DWORD_PTR result;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 50, &result) != 0;
}

TEST(Win32WindowSystem, HungWindowCostsTheTimeoutOnceAndGetsItsNewestTitleLater) {
  constexpr unsigned kTimeout = 100;
  Win32WindowSystem windows(kTimeout);
  OtherWindow hung("応答する窓");
  OwnWindow own("自分の窓");
  ASSERT_NE(hung.hwnd(), nullptr);
  hung.Command("hang 3000");
  ASSERT_TRUE(PumpUntil([&] { return !Answers(hung.hwnd()); }, 3000));

  auto start = std::chrono::steady_clock::now();
  windows.WriteTitle(hung.id(), "一度目");
  long first = Elapsed(start);
  EXPECT_LT(first, static_cast<long>(kTimeout) + 250);
  EXPECT_TRUE(windows.Unanswered(hung.id()));

  start = std::chrono::steady_clock::now();
  for (int tick = 0; tick < 5; ++tick) windows.WriteTitle(hung.id(), "最新 " + std::to_string(tick));
  long again = Elapsed(start);
  EXPECT_LT(again, 50) << "later writes waited for the hung window again";

  // Until it answers, the window bears the title it is to get: what it still shows is an
  // older write of ours, which the title engine must not take for the owner's own title.
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(windows.ReadTitle(hung.id()), "最新 4");
  long read = Elapsed(start);
  EXPECT_LT(read, 50);
  EXPECT_EQ(windows.FindWindowByTitle("最新 4"), hung.id());
  EXPECT_EQ(windows.FindWindowByTitle("応答する窓"), kNoWindow);

  windows.WriteTitle(own.id(), "次の窓への書き込み");
  EXPECT_EQ(TextOf(own.hwnd()), L"次の窓への書き込み");
  std::printf("write into the hung window: %ld ms (timeout %u ms); five more writes: %ld ms; "
              "a read: %ld ms\n",
              first, kTimeout, again, read);

  EXPECT_TRUE(PumpUntil([&] { return TextOf(hung.hwnd()) == L"最新 4"; }, 10000))
      << WideToUtf8(TextOf(hung.hwnd()));
  EXPECT_FALSE(windows.Unanswered(hung.id()));
  windows.WriteTitle(hung.id(), "答えた後");
  EXPECT_EQ(windows.ReadTitle(hung.id()), "答えた後");
}

struct LastWriteCase {
  const char* name;
  int hang_ms;
  // Windows may still deliver what timed out once the window answers; Wine drops it.
  std::vector<std::wstring> expected_titles;
};

class LastWrite : public ::testing::TestWithParam<LastWriteCase> {};

// The restore at shutdown into a window that has stopped answering: it lands when the window
// answers within a second, and the program's end waits no longer than that when it does not.
TEST_P(LastWrite, HeldTitleIsSentWhenTheObjectGoes) {
  OtherWindow hung("元の題");
  ASSERT_NE(hung.hwnd(), nullptr);
  hung.Command("hang " + std::to_string(GetParam().hang_ms));
  auto hang_start = std::chrono::steady_clock::now();
  ASSERT_TRUE(PumpUntil([&] { return !Answers(hung.hwnd()); }, 3000));
  auto windows = std::make_unique<Win32WindowSystem>(100);
  windows->WriteTitle(hung.id(), "行: 12:00:00");
  windows->WriteTitle(hung.id(), "元の題に戻す");
  ASSERT_TRUE(windows->Unanswered(hung.id()));
  auto start = std::chrono::steady_clock::now();
  windows.reset();
  long waited = Elapsed(start);
  EXPECT_LT(waited, 1300);
  std::printf("the end of the window system waited %ld ms, %ld ms into a hang of %d ms\n",
              waited, Elapsed(hang_start), GetParam().hang_ms);

  // What is left over must not revive the object that has gone when its answer comes in.
  test::Pump(200);
  EXPECT_TRUE(PumpUntil([&] { return Answers(hung.hwnd()); }, 10000));
  test::Pump(200);
  EXPECT_THAT(GetParam().expected_titles, ::testing::Contains(TextOf(hung.hwnd())))
      << WideToUtf8(TextOf(hung.hwnd()));
}

INSTANTIATE_TEST_SUITE_P(
    Hangs, LastWrite,
    ::testing::Values(LastWriteCase{"answering_within_a_second", 900, {L"元の題に戻す"}},
                      LastWriteCase{"hung_for_longer", 4000, {L"元の題", L"元の題に戻す"}}),
    [](const auto& info) { return std::string(info.param.name); });

// A window behind the two user32 calls of a write. Each send fails with the next error of
// `errors` (the last one repeats); a request for an answer is let through and answered when
// the test delivers the answers, as the message loop would.
struct FakeWindow {
  static inline std::vector<DWORD> errors;
  static inline int sends = 0;
  static inline std::vector<std::pair<HWND, std::pair<SENDASYNCPROC, ULONG_PTR>>> answers;
  static inline int answer_requests = 0;

  static void Reset(std::vector<DWORD> send_errors) {
    errors = std::move(send_errors);
    sends = answer_requests = 0;
    answers.clear();
  }
  static LRESULT WINAPI SendTimeout(HWND, UINT, WPARAM, LPARAM, UINT, UINT, PDWORD_PTR) {
    const std::size_t n = static_cast<std::size_t>(sends++);
    SetLastError(errors[std::min(n, errors.size() - 1)]);
    return 0;
  }
  static BOOL WINAPI SendCallback(HWND hwnd, UINT, WPARAM, LPARAM, SENDASYNCPROC answered,
                                  ULONG_PTR data) {
    ++answer_requests;
    answers.push_back({hwnd, {answered, data}});
    return TRUE;
  }
  // Delivers what has been asked for, and what that asks for in turn, up to `most` answers:
  // a loop shows as answers that never stop coming.
  static int DeliverAnswers(int most = 100) {
    int delivered = 0;
    while (!answers.empty() && delivered < most) {
      auto [hwnd, callback] = answers.front();
      answers.erase(answers.begin());
      callback.first(hwnd, WM_NULL, callback.second, 0);
      ++delivered;
    }
    return delivered;
  }
};

// A window of higher integrity (an elevated Task Manager): the system refuses every message
// sent to it, but lets a request for an answer through.
TEST(Win32WindowSystem, RefusedWriteCostsOneCallAndIsNeverSentAgain) {
  FakeWindow::Reset({ERROR_ACCESS_DENIED});
  Win32WindowSystem windows(50, {&FakeWindow::SendTimeout, &FakeWindow::SendCallback});
  OwnWindow elevated("タスク マネージャー");

  windows.WriteTitle(elevated.id(), "行 1");
  EXPECT_EQ(FakeWindow::DeliverAnswers(), 0);
  EXPECT_EQ(FakeWindow::sends, 1);
  EXPECT_TRUE(windows.Refused(elevated.id()));
  EXPECT_FALSE(windows.Unanswered(elevated.id()));

  // Later lines and the restore at a switch cost nothing at all.
  for (int tick = 2; tick <= 5; ++tick) {
    windows.WriteTitle(elevated.id(), "行 " + std::to_string(tick));
  }
  windows.RestoreTitle(elevated.id(), "タスク マネージャー");
  EXPECT_EQ(FakeWindow::DeliverAnswers(), 0);
  EXPECT_EQ(FakeWindow::sends, 1);
  EXPECT_EQ(FakeWindow::answer_requests, 0);
  // It reads as what it shows, its own title, so nothing of ours is ever taken for it.
  EXPECT_EQ(windows.ReadTitle(elevated.id()), "タスク マネージャー");
  EXPECT_EQ(TextOf(elevated.hwnd()), L"タスク マネージャー");
}

// A write that times out is sent again once the window answers; a refusal met then ends it.
TEST(Win32WindowSystem, WindowThatTimesOutThenRefusesIsLeftAlone) {
  FakeWindow::Reset({ERROR_TIMEOUT, ERROR_ACCESS_DENIED});
  Win32WindowSystem windows(50, {&FakeWindow::SendTimeout, &FakeWindow::SendCallback});
  OwnWindow window("窓");
  windows.WriteTitle(window.id(), "行");
  EXPECT_TRUE(windows.Unanswered(window.id()));
  EXPECT_EQ(FakeWindow::DeliverAnswers(), 1);
  EXPECT_EQ(FakeWindow::sends, 2);
  EXPECT_EQ(FakeWindow::answer_requests, 1);
  EXPECT_TRUE(windows.Refused(window.id()));
  EXPECT_FALSE(windows.Unanswered(window.id()));
  windows.WriteTitle(window.id(), "次の行");
  EXPECT_EQ(FakeWindow::sends, 2);
}

// The record of borrowed titles, as a run leaves it and the next start reads it.
using Recorded = std::vector<std::pair<std::wstring, std::wstring>>;  // own title, line

// A clean give-back's removal is checked end to end (tests/win32/program.sh killed_gives_back).
class BorrowedTitlesTest : public ::testing::Test {
 protected:
  Recorded Entries() {
    Recorded entries;
    for (const auto& e : BorrowedTitles::Open(path)->Entries()) {
      entries.push_back({e.own_title, e.line});
    }
    return entries;
  }
  test::ScratchFolder folder;
  std::wstring path = folder.File(L"borrowed.dat");
};

void Retitle(OtherWindow& window, const std::string& title) {
  window.Command("title " + title);
  PumpUntil([&] { return TextOf(window.hwnd()) == Utf8ToWide(title); }, 5000);
}

using Meanwhile = std::function<void(OtherWindow&, const std::wstring& path)>;
Meanwhile Patching(std::size_t offset, std::uint32_t value) {
  return [=](OtherWindow&, const std::wstring& path) {
    std::string bytes = test::ReadBytes(WideToUtf8(path));
    std::memcpy(bytes.data() + offset, &value, 4);
    test::WriteBytes(WideToUtf8(path), bytes);
  };
}
// The entry as a window of another owner would have it, under the same handle.
Meanwhile OwnedBy(DWORD process_delta, DWORD thread_delta) {
  return [=](OtherWindow&, const std::wstring& path) {
    auto record = BorrowedTitles::Open(path);
    const auto entry = record->Entries().at(0);
    record->Clear();
    record->Lend(entry.window, entry.process + process_delta, entry.thread + thread_delta,
                 entry.own_title);
    record->SetLine(entry.window, entry.line);
  };
}

struct LeftCase {
  const char* name;
  Meanwhile meanwhile;  // between the killed run and the next start
  bool given_back;
};
void PrintTo(const LeftCase& c, std::ostream* out) { *out << c.name; }

class LeftTitles : public BorrowedTitlesTest, public ::testing::WithParamInterface<LeftCase> {};

TEST_P(LeftTitles, NextStartGivesBackOnlyWhereTheWorldStillMatches) {
  OtherWindow window("Alpha");
  {
    // Written, retitled by its owner as the engine reads it, written again; never given back.
    Win32WindowSystem killed(2000, {}, path);
    killed.GiveBackLeftTitles();
    killed.ReadTitle(window.id());
    killed.WriteTitle(window.id(), "Alpha 11:59:59");
    Retitle(window, "Beta");
    killed.ReadTitle(window.id());
    killed.WriteTitle(window.id(), "Beta 12:00:00");
  }
  GetParam().meanwhile(window, path);
  const std::wstring shown = TextOf(window.hwnd());
  Win32WindowSystem next(2000, {}, path);
  next.GiveBackLeftTitles();
  EXPECT_EQ(TextOf(window.hwnd()), GetParam().given_back ? L"Beta" : shown);
  EXPECT_THAT(Entries(), ::testing::IsEmpty());
  next.WriteTitle(window.id(), "次の行");
  EXPECT_EQ(Entries().size(), 1u) << "the record does not work after the start";
}

using namespace borrowed_titles_layout;
constexpr std::size_t kSlot0 = offsetof(File, slots);
const LeftCase kLeftCases[] = {
    {"carries_the_line", [](OtherWindow&, const std::wstring&) {}, true},
    {"retitled_by_its_owner", [](OtherWindow& w, const std::wstring&) { Retitle(w, "O"); }, false},
    {"owner_thread_differs", OwnedBy(0, 1), false},
    {"owner_process_differs", OwnedBy(1, 0), false},
    {"bad_magic", Patching(0, 0x12345678), false},
    {"bad_version", Patching(4, 2), false},
    {"bad_slot_size", Patching(12, 64), false},
    {"used_not_a_flag", Patching(kSlot0, 7), false},
    {"title_length_out_of_range", Patching(kSlot0 + offsetof(Slot, title_length), 1u << 30), false},
    {"torn_own_title", Patching(kSlot0 + offsetof(Slot, title), 0x00420041), false},
    {"cut_short", [](OtherWindow&, const std::wstring& p) { test::Resize(WideToUtf8(p), 40); },
     false},
};
INSTANTIATE_TEST_SUITE_P(Cases, LeftTitles, ::testing::ValuesIn(kLeftCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillenta
