// The settings window's description and behaviour, with no toolkit: a recording view stands
// in for the widgets, the program's core runs on fakes.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "fake_platform.h"
#include "form/form_description.h"
#include "form/form_logic.h"
#include "program/program_core.h"

using namespace quillenta;
using namespace quillenta::form;
using namespace quillenta::testing;

namespace {

class RecordingView : public FormView {
 public:
  explicit RecordingView(FakeProfileStore& profile) : profile_(profile) {}
  std::vector<std::string> calls;
  std::vector<std::size_t> refreshed;
  int commits_when_hidden = -1;
  FakeFileChooser chooser;

  void HideToTray() override {
    calls.push_back("hide");
    commits_when_hidden = profile_.commits;
  }
  void ShowFromTray() override { calls.push_back("show"); }
  void CloseWindow() override { calls.push_back("close"); }
  void EndProgram() override { calls.push_back("end"); }
  FileChooser& Chooser() override { return chooser; }
  void OpenAddress(const std::string& address) override { calls.push_back("open " + address); }
  void CopyField(std::string_view control) override {
    calls.push_back("copy " + std::string(control));
  }
  void Refresh(std::size_t control) override { refreshed.push_back(control); }

 private:
  FakeProfileStore& profile_;
};

class FormLogicTest : public ::testing::Test {
 protected:
  Fakes fakes;
  RecordingErrorReport errors;
  ProgramCore core{MakeFakePlatform(fakes), errors};
  FakeProfileStore* profile = fakes.profile;
  FakeLauncher* launcher = fakes.launcher;
  RecordingView view{*profile};
  FormLogic logic{core, view};

  const ControlDef& Control(std::string_view name) {
    const ControlDef* def = FindControl(name);
    EXPECT_NE(def, nullptr) << name;
    return *def;
  }
  std::string Shown(std::string_view name) { return logic.Text(Control(name)); }
  std::string Positions() {
    std::string line;
    for (int code = 1; code <= kItemCodeCount; ++code) {
      line += Shown("PositionLabel" + std::to_string(code)) + ",";
    }
    return line;
  }
  bool Refreshed(std::string_view name) {
    return std::count(view.refreshed.begin(), view.refreshed.end(), IndexOf(name)) > 0;
  }
};

bool Overlap(const Rect& a, const Rect& b) {
  return a.x < b.right() && b.x < a.right() && a.y < b.bottom() && b.y < a.bottom();
}

}  // namespace

TEST(FormDescription, EveryStoredKeyHasExactlyOneControl) {
  std::map<std::string, int> editors;
  for (const ControlDef& control : Controls()) {
    if (control.binding == Binding::kFlag) ++editors[Def(control.flag).name];
    if (control.binding == Binding::kText) ++editors[Def(control.text).name];
  }
  for (const FlagDef& def : kFlagTable) {
    // b48 is the extra mode's mark: the "おまけ" menu sets it, no switch shows it.
    EXPECT_EQ(editors[def.name], def.key == FlagKey::b48 ? 0 : 1) << def.name;
  }
  for (const TextDef& def : kTextTable) EXPECT_EQ(editors[def.name], 1) << def.name;
  EXPECT_EQ(editors.size(), kFlagCount + kTextCount);
}

TEST(FormDescription, NamesAreUniqueAndEveryReferenceResolves) {
  std::set<std::string> names;
  for (const ControlDef& control : Controls()) {
    EXPECT_TRUE(names.insert(control.name).second) << control.name;
  }
  std::set<std::string> menus;
  for (const MenuDef& menu : Menus()) {
    EXPECT_TRUE(menus.insert(menu.name).second) << menu.name;
    EXPECT_TRUE(menu.owner.empty() || names.count(menu.owner)) << menu.name;
    for (const MenuItemDef& item : menu.items) {
      EXPECT_TRUE(names.insert(item.name).second) << item.name;
    }
  }
  for (std::size_t i = 0; i < Controls().size(); ++i) {
    const ControlDef& control = Controls()[i];
    for (const std::string& other : {control.buddy, control.left_of}) {
      if (!other.empty()) {
        EXPECT_TRUE(names.count(other)) << control.name << " -> " << other;
      }
    }
    if (!control.popup_menu.empty()) {
      EXPECT_TRUE(menus.count(control.popup_menu)) << control.name;
    }
    // A group comes before what it holds, on the same page.
    if (!control.group.empty()) {
      const std::size_t group = IndexOf(control.group);
      ASSERT_LT(group, i) << control.name;
      EXPECT_EQ(Controls()[group].kind, Kind::kGroupBox);
      EXPECT_EQ(Controls()[group].page, control.page) << control.name;
    }
  }
}

TEST(FormDescription, ControlsStayInsideTheirParentAndNeverOverlapASibling) {
  const Rect page_area{0, 0, 637, 223};
  const Rect window_area{0, 0, Window().client_width, Window().client_height};
  const auto& controls = Controls();
  auto parent_area = [&](const ControlDef& control) {
    if (!control.group.empty()) {
      const Rect& group = FindControl(control.group)->rect;
      return Rect{0, 0, group.width, group.height};
    }
    return control.page == -1 ? window_area : page_area;
  };
  // The version's big glyphs lie under the author's lines and the small "." by design; a
  // position label's last row is the top line of its button's frame.
  auto exempt = [](const ControlDef& control) {
    return control.name == "VersionLabel" || control.name.starts_with("PositionLabel");
  };
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const ControlDef& a = controls[i];
    if (a.kind == Kind::kTabPage || exempt(a)) continue;
    const Rect area = parent_area(a);
    EXPECT_TRUE(a.rect.x >= area.x && a.rect.y >= area.y && a.rect.right() <= area.right() &&
                a.rect.bottom() <= area.bottom())
        << a.name << " outside its parent";
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      const ControlDef& b = controls[j];
      if (b.kind == Kind::kTabPage || exempt(b) || b.page != a.page || b.group != a.group) continue;
      EXPECT_FALSE(Overlap(a.rect, b.rect)) << a.name << " / " << b.name;
    }
  }
}

TEST(FormDescription, FocusChains) {
  // Tab walks the bottom row, then into the tab control; each page walks its own chain.
  std::map<int, std::vector<const ControlDef*>> chains;
  for (const ControlDef& control : Controls()) {
    if (control.tab_order >= 0) chains[control.page].push_back(&control);
  }
  for (auto& [page, chain] : chains) {
    std::sort(chain.begin(), chain.end(),
              [](auto* a, auto* b) { return a->tab_order < b->tab_order; });
    for (std::size_t n = 0; n < chain.size(); ++n) {
      EXPECT_EQ(chain[n]->tab_order, static_cast<int>(n)) << chain[n]->name;
    }
  }
  std::vector<std::string> bottom;
  for (const ControlDef* control : chains[-1]) bottom.push_back(control->name);
  EXPECT_EQ(bottom, (std::vector<std::string>{"Button51", "Button52", "Button53", "CheckBox49",
                                              "PageControl1"}));
  // The order editor's buttons never take the focus from a field.
  for (const ControlDef& control : Controls()) {
    if (control.action == Action::kOrderItem || control.action == Action::kOrderClear ||
        control.kind == Kind::kLabel || control.kind == Kind::kGroupBox) {
      EXPECT_EQ(control.tab_order, -1) << control.name;
    }
  }
}

TEST(FormDescription, PlainCaptions) {
  const struct {
    std::string_view caption, plain;
  } cases[] = {{"&OK", "OK"}, {"元に戻す(&R)", "元に戻す(R)"}, {"a&&b", "a&b"}, {"参照", "参照"}};
  for (const auto& c : cases) EXPECT_EQ(PlainCaption(c.caption), c.plain) << c.caption;
}

TEST_F(FormLogicTest, OkHidesTheWindowBeforeItSaves) {
  logic.OnClick("Button51");
  EXPECT_EQ(view.calls, std::vector<std::string>{"hide"});
  EXPECT_EQ(view.commits_when_hidden, 0);
  EXPECT_EQ(profile->commits, 1);
}

TEST_F(FormLogicTest, BottomRowAndTrayMenu) {
  const struct {
    const char* name;
    bool menu;
    const char* call;
  } cases[] = {{"Button53", false, "close"},
               {"MenuQuit", true, "end"},
               {"MenuSettings", true, "show"},
               {"MenuCopyMail", true, "copy MailField"},
               {"MenuCopyWeb", true, "copy WebField"},
               {"MailField", false, "open mailto:quillenta@users.noreply.github.com"},
               {"WebField", false, "open https://github.com/quillenta/quillenta"}};
  for (const auto& c : cases) {
    view.calls.clear();
    if (c.menu) {
      logic.OnMenuItem(c.name);
    } else {
      logic.OnClick(c.name);
    }
    EXPECT_EQ(view.calls, std::vector<std::string>{c.call}) << c.name;
  }
  EXPECT_EQ(profile->commits, 0);
}

TEST_F(FormLogicTest, ALinkOpensOnAPressAndAReleaseInsideOnly) {
  // What a view reports for each gesture: "press" a new press, "in"/"out" a release there.
  const struct {
    const char* gesture;
    std::vector<std::string> events;
    int opens;
  } cases[] = {
      {"click", {"press", "in"}, 1},
      // The second press of a double click is no press: its release opens nothing more.
      {"double click", {"press", "in", "in"}, 1},
      {"press inside, release outside", {"press", "out"}, 0},
      {"release without a press", {"in"}, 0},
      {"two clicks", {"press", "in", "press", "in"}, 2},
  };
  for (const auto& c : cases) {
    view.calls.clear();
    for (const std::string& event : c.events) {
      if (event == "press") {
        logic.OnLinkPressed("MailField");
      } else {
        logic.OnLinkReleased("MailField", event == "in");
      }
    }
    EXPECT_EQ(static_cast<int>(view.calls.size()), c.opens) << c.gesture;
  }
  // A press on one link and the release on the other is no click of either.
  view.calls.clear();
  logic.OnLinkPressed("MailField");
  EXPECT_FALSE(logic.OnLinkReleased("WebField", true));
  EXPECT_TRUE(view.calls.empty());
}

TEST_F(FormLogicTest, RevertReadsTheFileAndRedrawsTheOrder) {
  std::string file = "[Quillenta]\r\ns52=\"H\"\r\nb52=0\r\ni01=9\r\ni02=2\r\n";
  for (int slot = 3; slot <= kItemCodeCount; ++slot) {
    file += (slot < 10 ? "i0" : "i") + std::to_string(slot) + "=0\r\n";
  }
  profile->contents = file;
  logic.OnClick("Button52");
  EXPECT_EQ(Shown("Edit52"), "H");
  EXPECT_FALSE(logic.Checked(Control("CheckBox52")));
  EXPECT_EQ(Shown("PositionLabel9"), "1");
  EXPECT_EQ(Shown("PositionLabel2"), "2");
  for (int code = 1; code <= kItemCodeCount; ++code) {
    EXPECT_TRUE(Refreshed("PositionLabel" + std::to_string(code))) << code;
  }
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(FormLogicTest, OrderButtonsAddRemoveAndClear) {
  logic.OnClick("SpeedButton10");
  EXPECT_EQ(Positions(), std::string(kItemCodeCount, ','));
  for (const char* button : {"SpeedButton19", "SpeedButton12", "SpeedButton15"}) {
    logic.OnClick(button);
  }
  EXPECT_EQ(Shown("PositionLabel9") + Shown("PositionLabel2") + Shown("PositionLabel5"), "123");
  logic.OnClick("SpeedButton19");  // a second click takes the item out and closes the gap
  EXPECT_EQ(Shown("PositionLabel9"), "");
  EXPECT_EQ(Shown("PositionLabel2") + Shown("PositionLabel5"), "12");
  EXPECT_TRUE(Refreshed("PositionLabel21"));
  logic.OnClick("SpeedButton10");
  EXPECT_EQ(Positions(), std::string(kItemCodeCount, ','));
}

TEST_F(FormLogicTest, ChangeBehavioursReachTheControlsTheyAlter) {
  const struct {
    const char* control;
    bool on;
    const char* edit;
    const char* text;
  } cases[] = {{"CheckBox58", false, "Edit67", "bytes "}, {"CheckBox58", true, "Edit67", "% "},
               {"CheckBox61", false, "Edit74", "bytes "}, {"CheckBox64", false, "Edit76", "bytes "},
               {"RadioButton2", true, "Edit96", "KB "},   {"RadioButton3", true, "Edit98", "MB "},
               {"RadioButton1", true, "Edit96", "byte "}};
  std::vector<SettingChange> changes;
  auto listening = core.settings().changed.Subscribe(
      [&changes](const SettingChange& change) { changes.push_back(change); });
  for (const auto& c : cases) {
    changes.clear();
    logic.OnToggled(c.control, c.on);
    EXPECT_EQ(Shown(c.edit), c.text) << c.control;
    EXPECT_EQ(logic.Checked(Control(c.control)), c.on) << c.control;
    bool edit_redrawn = false;
    for (const SettingChange& change : changes) {
      for (std::size_t index : logic.ShownBy(change)) edit_redrawn |= index == IndexOf(c.edit);
    }
    EXPECT_TRUE(edit_redrawn) << c.control;
  }
  // A radio turning off is no choice.
  logic.OnToggled("RadioButton2", false);
  EXPECT_TRUE(logic.Checked(Control("RadioButton1")));
  // Every radio shows a change of unit.
  const auto shown = logic.ShownBy({SettingChange::Kind::kByteUnit});
  for (const char* radio : {"RadioButton1", "RadioButton2", "RadioButton3"}) {
    EXPECT_EQ(std::count(shown.begin(), shown.end(), IndexOf(radio)), 1) << radio;
  }
}

TEST_F(FormLogicTest, PeriodicSaveSwitchReachesTheTimer) {
  std::vector<bool> switched;
  auto switching = core.settings().periodic_save_changed.Subscribe(
      [&switched](bool on) { switched.push_back(on); });
  logic.OnToggled("CheckBox76", true);
  logic.OnToggled("CheckBox76", true);
  logic.OnToggled("CheckBox76", false);
  EXPECT_EQ(switched, (std::vector<bool>{true, false}));
}

TEST_F(FormLogicTest, TypedTextReachesTheModelOnlyThroughEdits) {
  logic.OnTextEdited("Edit53", "年末!");
  EXPECT_EQ(core.settings().Text(TextKey::s53), "年末!");
  const std::string title = core.settings().Text(TextKey::s50);
  logic.OnTextEdited("Label1", "x");
  logic.OnTextEdited("CheckBox52", "x");
  EXPECT_EQ(core.settings().Text(TextKey::s50), title);
}

TEST_F(FormLogicTest, ExtraModeShowsTheCombinedSwitchesAndMarksTheSave) {
  const ControlDef& received = Control("CheckBox47");
  const ControlDef& sent = Control("CheckBox48");
  EXPECT_FALSE(logic.Visible(received));
  EXPECT_FALSE(logic.MenuChecked("MenuExtra"));
  logic.OnClick("Button51");
  EXPECT_EQ(profile->contents->find("b48="), std::string::npos);
  EXPECT_EQ(profile->contents->find("s00="), std::string::npos);

  logic.OnMenuItem("MenuExtra");
  EXPECT_TRUE(logic.Visible(received));
  EXPECT_TRUE(logic.Visible(sent));
  EXPECT_TRUE(logic.MenuChecked("MenuExtra"));
  const auto shown = logic.ShownBy({SettingChange::Kind::kExtraMode});
  for (const char* name : {"CheckBox47", "CheckBox48", "ExtraLabel"}) {
    EXPECT_EQ(std::count(shown.begin(), shown.end(), IndexOf(name)), 1) << name;
  }
  logic.OnToggled("CheckBox47", true);
  EXPECT_TRUE(core.settings().CombinedReceived());
  EXPECT_FALSE(core.settings().CombinedSent());
  logic.OnClick("Button51");
  EXPECT_NE(profile->contents->find("b48=1"), std::string::npos);
  EXPECT_NE(profile->contents->find("s00="), std::string::npos);

  logic.OnMenuItem("MenuExtra");
  EXPECT_FALSE(logic.Visible(received));
  logic.OnClick("Button51");
  // Once marked, the save goes on writing the mode, now off.
  EXPECT_NE(profile->contents->find("b48=0"), std::string::npos);
}

TEST_F(FormLogicTest, WatchRowsBrowseAndLaunch) {
  view.chooser.answer = "/opt/tool";
  logic.OnClick("BitBtn62");
  EXPECT_EQ(core.settings().Text(TextKey::s93), "/opt/tool");
  view.chooser.answer.reset();
  logic.OnClick("BitBtn62");  // a cancel leaves the field as it was
  EXPECT_EQ(core.settings().Text(TextKey::s93), "/opt/tool");
  core.settings().SetText(TextKey::s94, "/bin/third");
  logic.OnClick("BitBtn66");
  EXPECT_EQ(launcher->opened, std::vector<std::string>{"/bin/third"});
}

TEST_F(FormLogicTest, AFailedSaveIsReportedWithTheWindowHidden) {
  profile->commit_failure = "cannot write";
  logic.OnClick("Button51");  // a failed save is reported, the window already hidden
  EXPECT_EQ(view.calls, std::vector<std::string>{"hide"});
  EXPECT_EQ(errors.messages, std::vector<std::string>{"cannot write"});
}
