// The Win32 settings window against real Wine controls: built from the description at its
// places and DPI, its controls bound to the model both ways, its keys and clicks.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "app/win32/settings_window.h"
#include "fake_platform.h"
#include "form/form_description.h"
#include "platform/win32/wide.h"

using namespace quillenta;
using namespace quillenta::testing;

namespace {

// A Japanese system, as the program's users have: with no settings file the window is the
// Japanese one.
Platform JapaneseSystem(Fakes& fakes) {
  Platform platform = MakeFakePlatform(fakes);
  platform.system_language = Language::kJapanese;
  return platform;
}

class SettingsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    core.Start();
    ASSERT_TRUE(window.Create());
    window.end_program = [this] { ++ends; };
    window.open_address = [this](const std::string& address) { opened.push_back(address); };
  }

  HWND Control(std::string_view name) {
    HWND control = window.Control(name);
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  // Where the control sits in its parent's client area.
  RECT PlaceOf(std::string_view name) {
    HWND control = Control(name);
    RECT place{};
    ::GetWindowRect(control, &place);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
  }
  std::string TextOf(HWND control) {
    wchar_t text[512] = {};
    ::GetWindowTextW(control, text, 512);
    return WideToUtf8(text);
  }
  bool CheckedOf(std::string_view name) {
    return ::SendMessageW(Control(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  void Click(std::string_view name) { ::SendMessageW(Control(name), BM_CLICK, 0, 0); }
  // Runs what the message loop would do with a key pressed in the control.
  bool KeyIn(HWND control, WPARAM key) {
    MSG message{control, WM_KEYDOWN, key, 0, 0, {}};
    return window.PreTranslate(message);
  }
  void Pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (!window.PreTranslate(message)) ::DispatchMessageW(&message);
    }
  }

  Fakes fakes;
  RecordingErrorReport errors;
  ProgramCore core{JapaneseSystem(fakes), errors};
  Win32Tray tray;
  FakeFileChooser chooser;
  SettingsWindow window{::GetModuleHandleW(nullptr), core, tray, &chooser};
  int ends = 0;
  std::vector<std::string> opened;
};

TEST_F(SettingsWindowTest, ClientAreaAndPlacesScaleWithTheDpi) {
  struct Case {
    UINT dpi;
    LONG width, height;
    RECT ok;     // Button51 in the window
    RECT value;  // Edit89 in its page: the group's (8, 0) plus (112, 32)
  };
  const Case cases[] = {
      {96, 644, 285, {168, 256, 265, 281}, {120, 32, 161, 53}},
      {144, 966, 428, {252, 384, 398, 422}, {180, 48, 242, 80}},
      {120, 805, 356, {210, 320, 331, 351}, {150, 40, 201, 66}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    window.Layout(c.dpi);
    RECT client{};
    ::GetClientRect(window.handle(), &client);
    EXPECT_EQ(client.right, c.width);
    EXPECT_EQ(client.bottom, c.height);
    const RECT ok = PlaceOf("Button51");
    EXPECT_EQ(ok.left, c.ok.left);
    EXPECT_EQ(ok.top, c.ok.top);
    EXPECT_EQ(ok.right, c.ok.right);
    EXPECT_EQ(ok.bottom, c.ok.bottom);
    const RECT value = PlaceOf("Edit89");
    EXPECT_EQ(value.left, c.value.left);
    EXPECT_EQ(value.top, c.value.top);
    EXPECT_EQ(value.right, c.value.right);
    EXPECT_EQ(value.bottom, c.value.bottom);
    // The font grows with the rest: 12 pixels at 96 DPI.
    auto font = reinterpret_cast<HFONT>(::SendMessageW(Control("Edit89"), WM_GETFONT, 0, 0));
    LOGFONTW face{};
    ::GetObjectW(font, sizeof face, &face);
    EXPECT_EQ(face.lfHeight, -::MulDiv(12, static_cast<int>(c.dpi), 96));
  }
}

TEST_F(SettingsWindowTest, EveryControlOfTheDescriptionShowsItsCaptionOnItsPage) {
  HWND tabs = Control("PageControl1");
  ASSERT_EQ(::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 5);
  for (const form::ControlDef& def : form::Controls()) {
    SCOPED_TRACE(def.name);
    HWND control = Control(def.name);
    if (control == nullptr) continue;
    if (def.kind == form::Kind::kTabPage) {
      wchar_t caption[64] = {};
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = caption;
      item.cchTextMax = 64;
      ::SendMessageW(tabs, TCM_GETITEMW, def.page, reinterpret_cast<LPARAM>(&item));
      EXPECT_EQ(WideToUtf8(caption), def.caption.source);
      continue;
    }
    if (def.page >= 0) {
      EXPECT_EQ(::GetParent(control), Control("TabSheet" + std::to_string(def.page + 1)));
    }
    const bool takes_focus = (::GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) != 0;
    // Of the radio buttons, the chosen one is the group's stop, as Windows keeps it.
    EXPECT_EQ(takes_focus, def.kind == form::Kind::kRadioButton ? CheckedOf(def.name)
                                                                : def.tab_order >= 0);
    if (def.binding == form::Binding::kNone && def.kind != form::Kind::kTabControl) {
      EXPECT_EQ(TextOf(control), def.caption.source);
    }
  }
  // The fields show the model: the defaults of a settings file that is not there.
  EXPECT_EQ(TextOf(Control("Edit52")), core.settings().Text(TextKey::s52));
  EXPECT_EQ(TextOf(Control("PositionLabel21")), "21");
  // The face of the form, mapped by the session to an installed Japanese face.
  EXPECT_EQ(WideToUtf8(window.FontFace()), "ＭＳ Ｐゴシック");
}

TEST_F(SettingsWindowTest, SwitchesAndFieldsFollowTheModelBothWays) {
  const bool was = core.settings().Flag(FlagKey::b53);
  Click("CheckBox53");
  EXPECT_EQ(core.settings().Flag(FlagKey::b53), !was);
  core.settings().SetFlag(FlagKey::b53, was);
  EXPECT_EQ(CheckedOf("CheckBox53"), was);

  ::SetWindowTextW(Control("Edit52"), L"平成");
  EXPECT_EQ(core.settings().Text(TextKey::s52), "平成");
  core.settings().SetText(TextKey::s52, "年号");
  EXPECT_EQ(TextOf(Control("Edit52")), "年号");

  // A change behaviour: the percent switch rewrites the unit field.
  Click("CheckBox58");
  EXPECT_EQ(TextOf(Control("Edit67")), core.settings().Text(TextKey::s67));

  Click("RadioButton2");
  EXPECT_EQ(static_cast<int>(core.settings().Unit()), 2);
  EXPECT_TRUE(CheckedOf("RadioButton2"));
  EXPECT_FALSE(CheckedOf("RadioButton1"));
  Click("RadioButton2");  // chosen already: still the one chosen
  EXPECT_TRUE(CheckedOf("RadioButton2"));
}

TEST_F(SettingsWindowTest, OrderButtonsRenumberTheLabels) {
  Click("SpeedButton12");  // "年", code 2, out of the default line
  EXPECT_EQ(TextOf(Control("PositionLabel2")), "");
  EXPECT_EQ(TextOf(Control("PositionLabel3")), "2");
  Click("SpeedButton10");
  EXPECT_EQ(TextOf(Control("PositionLabel1")), "");
  Click("SpeedButton16");
  EXPECT_EQ(TextOf(Control("PositionLabel6")), "1");
}

TEST_F(SettingsWindowTest, ExtraModeShowsTheTwoCombinedSwitches) {
  EXPECT_FALSE(::IsWindowVisible(Control("CheckBox47")) ||
               (::GetWindowLongW(Control("CheckBox47"), GWL_STYLE) & WS_VISIBLE));
  window.logic().OnMenuItem("MenuExtra");
  EXPECT_TRUE(::GetWindowLongW(Control("CheckBox47"), GWL_STYLE) & WS_VISIBLE);
  EXPECT_TRUE(::GetWindowLongW(Control("CheckBox48"), GWL_STYLE) & WS_VISIBLE);
  window.logic().OnMenuItem("MenuExtra");
  EXPECT_FALSE(::GetWindowLongW(Control("CheckBox47"), GWL_STYLE) & WS_VISIBLE);
}

TEST_F(SettingsWindowTest, OkHidesToTheTrayThenSaves) {
  window.ShowFromTray();
  Pump();
  ASSERT_TRUE(::IsWindowVisible(window.handle()));
  EXPECT_FALSE(tray.Present());
  Click("Button51");
  EXPECT_FALSE(::IsWindowVisible(window.handle()));
  EXPECT_TRUE(tray.Present());
  EXPECT_EQ(fakes.profile->commits, 1);
  Click("Button51");
  EXPECT_EQ(fakes.profile->commits, 2);
  EXPECT_TRUE(tray.Present());
}

TEST_F(SettingsWindowTest, ShownCentredEachTime) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  auto centre = [this] {
    RECT frame{};
    ::GetWindowRect(window.handle(), &frame);
    return POINT{(frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2};
  };
  const POINT expected{(monitor.rcWork.left + monitor.rcWork.right) / 2,
                       (monitor.rcWork.top + monitor.rcWork.bottom) / 2};
  window.ShowFromTray();
  EXPECT_NEAR(centre().x, expected.x, 1);
  EXPECT_NEAR(centre().y, expected.y, 1);
  ::SetWindowPos(window.handle(), nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  window.HideToTray();
  window.ShowFromTray();
  EXPECT_NEAR(centre().x, expected.x, 1);
  EXPECT_NEAR(centre().y, expected.y, 1);
}

TEST_F(SettingsWindowTest, EnterAndEscapePressNothing) {
  window.ShowFromTray();
  Pump();
  for (const char* name : {"Edit52", "Button51", "CheckBox49"}) {
    SCOPED_TRACE(name);
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
      EXPECT_TRUE(KeyIn(Control(name), key));
    }
  }
  Pump();
  EXPECT_TRUE(::IsWindowVisible(window.handle()));
  EXPECT_EQ(fakes.profile->commits, 0);
  EXPECT_EQ(ends, 0);
  // Alt+X is "終了(&X)": the program ends.
  MSG alt_x{Control("Edit52"), WM_SYSCHAR, 'x', 1 << 29, 0, {}};
  EXPECT_TRUE(window.PreTranslate(alt_x));
  EXPECT_EQ(ends, 1);
}

TEST_F(SettingsWindowTest, CloseBoxAndExitButtonEndTheProgram) {
  ::SendMessageW(window.handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(ends, 1);
  EXPECT_TRUE(::IsWindow(window.handle()));  // the program, not the close, destroys it
  Click("Button53");
  EXPECT_EQ(ends, 2);
  EXPECT_EQ(fakes.profile->commits, 0);
}

TEST_F(SettingsWindowTest, ALinkClickOpensItsAddressOnceAndSelectsIt) {
  window.ShowFromTray();
  ::SendMessageW(Control("TabSheet5"), WM_NULL, 0, 0);
  HWND mail = Control("MailField");
  ::SendMessageW(mail, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  ::SendMessageW(mail, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], "mailto:" + std::string(form::FindControl("MailField")->caption.source));
  // A double click opens once more, not twice; a release outside the field opens nothing.
  for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
    ::SendMessageW(mail, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(3, 3));
  }
  EXPECT_EQ(opened.size(), 2u);
  ::SendMessageW(mail, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  ::SendMessageW(mail, WM_LBUTTONUP, 0, MAKELPARAM(3, 500));
  EXPECT_EQ(opened.size(), 2u);
  DWORD start = 1, end = 0;
  ::SendMessageW(mail, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, static_cast<DWORD>(::GetWindowTextLengthW(mail)));
  // The address fits: the field widened to the left, the author's label keeps clear of it.
  std::string author;
  for (const form::ControlDef& def : form::Controls()) {
    if (def.left_of == "MailField") author = def.name;
  }
  const RECT field = PlaceOf("MailField"), label = PlaceOf(author);
  EXPECT_LE(label.right, field.left);
  EXPECT_EQ(field.right, 625);
}

TEST_F(SettingsWindowTest, BrowseFillsTheProgramFieldAndACancelKeepsIt) {
  chooser.answer = "C:\\Tools\\メモ帳.exe";
  Click("BitBtn62");
  EXPECT_EQ(TextOf(Control("Edit93")), "C:\\Tools\\メモ帳.exe");
  chooser.answer.reset();
  Click("BitBtn62");
  EXPECT_EQ(TextOf(Control("Edit93")), "C:\\Tools\\メモ帳.exe");
}

}  // namespace

namespace {

// The notification area's window for the tray's messages; hidden, as the program's is.
class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = ::CreateWindowExW(0, L"STATIC", L"tray owner", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                               nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    tray.SetWindow(window, ::LoadIconW(nullptr, IDI_APPLICATION));
  }
  void TearDown() override {
    tray.RemoveTrayIcon();
    ::DestroyWindow(window);
  }
  // True while the shell holds the icon: only an icon it has can be modified.
  bool ShellHasIcon() {
    NOTIFYICONDATAW record{};
    record.cbSize = sizeof record;
    record.hWnd = window;
    record.uID = Win32Tray::kIconId;
    record.uFlags = NIF_TIP;
    lstrcpynW(record.szTip, L"Quillenta", ARRAYSIZE(record.szTip));
    return ::Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
  }

  HWND window = nullptr;
  Win32Tray tray;
};

TEST_F(TrayTest, AnExplorerRestartGetsTheIconBack) {
  tray.AddTrayIcon();
  ASSERT_TRUE(ShellHasIcon());
  // Explorer starting again has lost every icon, then says so to every top-level window.
  NOTIFYICONDATAW record{};
  record.cbSize = sizeof record;
  record.hWnd = window;
  record.uID = Win32Tray::kIconId;
  ::Shell_NotifyIconW(NIM_DELETE, &record);
  ASSERT_FALSE(ShellHasIcon());
  EXPECT_TRUE(tray.Handle(::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0));
  EXPECT_TRUE(ShellHasIcon());
  // Without an icon to show (the window is up) it adds none.
  tray.RemoveTrayIcon();
  EXPECT_TRUE(tray.Handle(::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0));
  EXPECT_FALSE(ShellHasIcon());
}

TEST_F(TrayTest, OnlyPressesOnTheIconAreTheTraysAndOtherMessagesAreNot) {
  // Releases and double clicks open nothing, but they are the tray's messages all the same.
  for (UINT mouse : {WM_LBUTTONUP, WM_RBUTTONUP, WM_LBUTTONDBLCLK, WM_MOUSEMOVE}) {
    EXPECT_TRUE(tray.Handle(Win32Tray::kCallbackMessage, Win32Tray::kIconId, mouse));
  }
  EXPECT_FALSE(tray.Handle(WM_TIMER, 1, 0));
}

TEST_F(TrayTest, TheTipFollowsTheLineOnlyWhileAPointerMayBeOverTheIcon) {
  tray.AddTrayIcon();
  tray.SetTip("Editor 12:00:01");
  EXPECT_EQ(tray.Tip(), L"Quillenta");
  // The pointer arrives: the line it will see is the newest, and the next ones follow.
  tray.Handle(Win32Tray::kCallbackMessage, Win32Tray::kIconId, WM_MOUSEMOVE);
  EXPECT_EQ(tray.Tip(), L"Editor 12:00:01");
  tray.SetTip("Editor 12:00:02");
  EXPECT_EQ(tray.Tip(), L"Editor 12:00:02");
  EXPECT_TRUE(ShellHasIcon());
}

}  // namespace

namespace quillenta {
namespace {

TEST(TrayTipTest, TheLineCutWithinTheShellsPlacesAtACharacter) {
  const std::string emoji = "\xF0\x9F\x98\x80";  // one character, two UTF-16 units
  struct Case {
    std::string line;
    std::size_t units;
    bool ends_in_emoji;
  } const cases[] = {
      {"", 9, false},  // no line yet: the program's name
      {"Editor 12:00 M:5%", 17, false},
      {std::string(127, 'a'), 127, false},
      {std::string(200, 'a'), 127, false},
      // A pair that would straddle the last place is left out whole.
      {std::string(126, 'a') + emoji, 126, false},
      {std::string(125, 'a') + emoji + "b", 127, true},
  };
  for (const Case& c : cases) {
    const std::wstring tip = Win32Tray::TipOf(c.line);
    EXPECT_EQ(tip.size(), c.units) << c.line;
    EXPECT_EQ(!tip.empty() && tip.back() == 0xDE00, c.ends_in_emoji) << c.line;
  }
  EXPECT_EQ(Win32Tray::TipOf(""), L"Quillenta");
}

}  // namespace
}  // namespace quillenta
