// The Win32 settings window in each interface language, against real Wine controls: every
// caption fits its control in the control's own face, nothing overlaps, the Japanese window
// keeps its classic places, and a change of language reaches the open window at once.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <map>
#include <string>

#include "app/win32/settings_window.h"
#include "fake_platform.h"
#include "form/form_layout.h"
#include "platform/win32/wide.h"

using namespace quillenta;
using namespace quillenta::testing;

namespace {

using form::Kind;

Platform SystemOf(Fakes& fakes, Language language) {
  Platform platform = MakeFakePlatform(fakes);
  platform.system_language = language;
  return platform;
}

std::wstring MessageFace() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  return metrics.lfMessageFont.lfFaceName;
}

// The one control whose box is meant to lie under others: the version's giant glyphs fill
// only the top of it. The "." sits on it on purpose.
bool DrawnUnderOthers(const form::ControlDef& def) { return def.font.pixel_size != 0; }

class Window {
 public:
  explicit Window(Language system) : core(SystemOf(fakes, system), errors) {}

  HWND Control(const form::ControlDef& def) { return window.Control(def.name); }
  // In the parent's client area.
  RECT PlaceOf(const form::ControlDef& def) {
    RECT place{};
    ::GetWindowRect(Control(def), &place);
    ::MapWindowPoints(nullptr, ::GetParent(Control(def)), reinterpret_cast<POINT*>(&place), 2);
    return place;
  }
  std::string Shown(const form::ControlDef& def) {
    wchar_t text[512] = {};
    if (def.kind == Kind::kTabPage) {
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = text;
      item.cchTextMax = 512;
      ::SendMessageW(window.Control("PageControl1"), TCM_GETITEMW, def.page,
                     reinterpret_cast<LPARAM>(&item));
    } else {
      ::GetWindowTextW(Control(def), text, 512);
    }
    return WideToUtf8(text);
  }
  LONG ClientWidth() {
    RECT client{};
    ::GetClientRect(window.handle(), &client);
    return client.right;
  }
  // Every caption reads as the catalogue has it in `language`.
  void ExpectCaptionsIn(Language language) {
    for (const form::ControlDef& def : form::Controls()) {
      if (def.caption.source.empty() || def.kind == Kind::kEdit ||
          def.binding == form::Binding::kOrderPosition) {
        continue;
      }
      EXPECT_EQ(Shown(def), TranslateTo(language, def.caption.context, def.caption.source))
          << def.name;
    }
    EXPECT_EQ(window.FontFace(), language == Language::kJapanese ? L"ＭＳ Ｐゴシック" : MessageFace());
  }

  Fakes fakes;
  RecordingErrorReport errors;
  ProgramCore core;
  Win32Tray tray;
  FakeFileChooser chooser;
  SettingsWindow window{::GetModuleHandleW(nullptr), core, tray, &chooser};
};

TEST(SettingsWindowLanguageTest, EveryCaptionFitsAndNothingOverlapsInEveryTranslation) {
  struct Case {
    Language language;
    UINT dpi;
  };
  for (const Case& c : {Case{Language::kEnglish, 96}, Case{Language::kPseudo, 96},
                        Case{Language::kPseudo, 144}}) {
    SCOPED_TRACE(std::string(LanguageName(c.language)) + " at " + std::to_string(c.dpi));
    Window w(c.language);
    w.core.Start();
    ASSERT_TRUE(w.window.Create());
    w.window.Layout(c.dpi);
    w.ExpectCaptionsIn(c.language);
    auto scale = [&c](int pixels) { return ::MulDiv(pixels, static_cast<int>(c.dpi), 96); };
    const auto& defs = form::Controls();
    for (std::size_t i = 0; i < defs.size(); ++i) {
      const form::ControlDef& def = defs[i];
      HWND control = w.Control(def);
      SCOPED_TRACE(def.name);
      // What the control draws beside its caption.
      const int check = ::GetSystemMetricsForDpi(SM_CXMENUCHECK, c.dpi) + scale(3);
      const std::map<Kind, int> boxes{{Kind::kCheckBox, check}, {Kind::kRadioButton, check},
                                      {Kind::kPushButton, scale(4)}, {Kind::kGroupBox, scale(12)},
                                      {Kind::kLabel, 0}};
      if (!boxes.contains(def.kind) ||
          (def.kind == Kind::kLabel && (def.binding != form::Binding::kNone || DrawnUnderOthers(def)))) {
        continue;
      }
      const int box = boxes.at(def.kind);
      auto font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
      LOGFONTW face{};
      ::GetObjectW(font, sizeof face, &face);
      EXPECT_EQ(face.lfWidth, 0) << "drawn narrowed";
      HDC dc = ::GetDC(control);
      HGDIOBJ old = ::SelectObject(dc, font);
      const std::wstring caption = Utf8ToWide(form::PlainCaption(w.Shown(def)));
      SIZE text{};
      ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
      ::SelectObject(dc, old);
      ::ReleaseDC(control, dc);
      RECT client{};
      ::GetClientRect(control, &client);
      EXPECT_LE(text.cx + box, client.right) << w.Shown(def);
    }
    // Siblings of one page or group keep apart; each lies within its group, page or window.
    for (std::size_t i = 0; i < defs.size(); ++i) {
      const form::ControlDef& a = defs[i];
      if (a.kind == Kind::kTabPage || a.kind == Kind::kTabControl || DrawnUnderOthers(a)) continue;
      RECT inside{}, place = w.PlaceOf(a);
      if (!a.group.empty()) {
        inside = w.PlaceOf(*form::FindControl(a.group));
      } else {
        ::GetClientRect(::GetParent(w.Control(a)), &inside);
      }
      RECT within{};
      ::UnionRect(&within, &inside, &place);
      EXPECT_TRUE(::EqualRect(&within, &inside)) << a.name << " leaves its container";
      for (std::size_t j = i + 1; j < defs.size(); ++j) {
        const form::ControlDef& b = defs[j];
        if (b.page != a.page || b.kind == Kind::kTabPage || b.kind == Kind::kTabControl ||
            DrawnUnderOthers(b) || b.group == a.name || a.group == b.name) {
          continue;
        }
        RECT overlap{}, other = w.PlaceOf(b);
        EXPECT_FALSE(::IntersectRect(&overlap, &place, &other))
            << a.name << " and " << b.name << " meet at " << overlap.left << "," << overlap.top;
      }
    }
    // Every tab in one row on the strip.
    HWND tabs = w.window.Control("PageControl1");
    EXPECT_EQ(::SendMessageW(tabs, TCM_GETROWCOUNT, 0, 0), 1);
    RECT last{}, strip{};
    ::SendMessageW(tabs, TCM_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&last));
    ::GetClientRect(tabs, &strip);
    EXPECT_LE(last.right, strip.right);
  }
}

TEST(SettingsWindowLanguageTest, JapaneseKeepsTheClassicPlaces) {
  Window w(Language::kJapanese);
  w.core.Start();
  ASSERT_TRUE(w.window.Create());
  w.window.Layout(96);
  EXPECT_EQ(w.ClientWidth(), 644);
  const form::Layout classic = form::ClassicLayout();
  const auto& defs = form::Controls();
  for (std::size_t i = 0; i < defs.size(); ++i) {
    const form::ControlDef& def = defs[i];
    // The address widens to the left to show whole, as it always has.
    if (def.kind == Kind::kTabPage || def.grows_left || !def.left_of.empty()) continue;
    form::Rect rect = classic.rects[i];
    if (!def.group.empty()) {
      rect.x += form::FindControl(def.group)->rect.x;
      rect.y += form::FindControl(def.group)->rect.y;
    }
    const RECT place = w.PlaceOf(def);
    EXPECT_EQ((form::Rect{place.left, place.top, place.right - place.left, place.bottom - place.top}),
              rect)
        << def.name;
  }
}

TEST(SettingsWindowLanguageTest, ALanguageChangeReachesTheOpenWindowAtOnce) {
  // An English system; the settings file of an earlier version, without the key.
  Window w(Language::kEnglish);
  w.fakes.profile->contents = "[Quillenta]\r\nb49=1\r\n";
  ASSERT_TRUE(w.window.Create());
  w.ExpectCaptionsIn(Language::kEnglish);
  w.core.Start();
  w.ExpectCaptionsIn(Language::kJapanese);
  w.window.ShowFromTray();
  struct Step {
    const char* button;
    Language shown;
  };
  for (const Step& step : {Step{"LanguageButton3", Language::kEnglish},
                           Step{"LanguageButton2", Language::kJapanese},
                           Step{"LanguageButton1", Language::kEnglish}}) {
    SCOPED_TRACE(step.button);
    ::SendMessageW(w.window.Control(step.button), BM_CLICK, 0, 0);
    w.ExpectCaptionsIn(step.shown);
    EXPECT_EQ(w.ClientWidth() == 644, step.shown == Language::kJapanese);
    EXPECT_EQ(::SendMessageW(w.window.Control(step.button), BM_GETCHECK, 0, 0), BST_CHECKED);
  }
}

}  // namespace
