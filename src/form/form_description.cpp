#include "form/form_description.h"

#include <array>

#include "items/display_items.h"

namespace quillenta::form {

namespace {

constexpr std::string_view kFontFamilies[] = {
    "ＭＳ Ｐゴシック", "MS PGothic", "Noto Sans CJK JP", "IPAPGothic",
    "IPAexGothic",   "VL PGothic", "TakaoPGothic"};

constexpr const char* kContactAddress = "quillenta@users.noreply.github.com";
constexpr const char* kWebPage = "https://github.com/quillenta/quillenta";

// "b52" -> "52": a control's number is its key's.
std::string KeyNumber(const char* key_name) { return std::string(key_name + 1); }

// Appends controls in creation order and numbers each page's focus chain.
class Builder {
 public:
  std::vector<ControlDef> controls;

  void Page(int page, Message caption) {
    page_ = page;
    group_.clear();
    Add({.kind = Kind::kTabPage,
         .name = "TabSheet" + std::to_string(page + 1),
         .caption = caption,
         .page = page,
         .rect = {}});
  }
  void Window() {
    page_ = -1;
    group_.clear();
  }
  void Group(Message caption, Rect rect) {
    group_.clear();
    Add({.kind = Kind::kGroupBox,
         .name = "GroupBox" + std::to_string(++groups_),
         .caption = caption,
         .rect = rect});
    group_ = controls.back().name;
  }
  ControlDef& Check(FlagKey key, Message caption, Rect rect) {
    return Add({.kind = Kind::kCheckBox,
                .name = "CheckBox" + KeyNumber(Def(key).name),
                .caption = caption,
                .rect = rect,
                .binding = Binding::kFlag,
                .flag = key});
  }
  ControlDef& Edit(TextKey key, Rect rect) {
    return Add({.kind = Kind::kEdit,
                .name = "Edit" + KeyNumber(Def(key).name),
                .rect = rect,
                .binding = Binding::kText,
                .text = key});
  }
  ControlDef& Label(Message caption, Rect rect) {
    return Add({.kind = Kind::kLabel,
                .name = "Label" + std::to_string(++labels_),
                .caption = caption,
                .rect = rect});
  }
  // A caption at left and the field after it, on one row.
  void LabeledEdit(TextKey key, Message caption, int x, int y, int caption_width,
                   int edit_width, int height = 21) {
    ControlDef& label = Label(caption, {x, y, caption_width, height});
    label.buddy = "Edit" + KeyNumber(Def(key).name);
    Edit(key, {x + caption_width, y, edit_width, height});
  }
  ControlDef& Button(std::string name, Message caption, Rect rect, Action action,
                      int arg = 0) {
    return Add({.kind = Kind::kPushButton,
                .name = std::move(name),
                .caption = caption,
                .rect = rect,
                .arg = arg,
                .action = action});
  }
  ControlDef& Add(ControlDef def) {
    def.page = page_;
    def.group = group_;
    const bool focusable = def.kind != Kind::kTabPage && def.kind != Kind::kGroupBox &&
                           def.kind != Kind::kLabel;
    if (focusable) def.tab_order = focus_[page_ + 1]++;
    controls.push_back(std::move(def));
    return controls.back();
  }
  void NoFocus(ControlDef& def) {
    --focus_[page_ + 1];
    def.tab_order = -1;
  }

 private:
  int page_ = -1;
  std::string group_;
  int groups_ = 0;
  int labels_ = 0;
  std::array<int, 6> focus_{};
};

struct Pair {
  TextKey first;
  Message first_caption;
  TextKey second;
  Message second_caption;
};

void OrderPage(Builder& b) {
  b.Page(0, QMessage("tab", "順番"));
  constexpr int kColumns = 7;
  constexpr int kLeft = 17;  // centres the 7 columns in the page
  for (int code = 1; code <= kItemCodeCount; ++code) {
    const int x = kLeft + 88 * ((code - 1) % kColumns);
    const int top = 56 * ((code - 1) / kColumns);
    ControlDef& label = b.Label({}, {x, top, 75, 33});
    label.name = "PositionLabel" + std::to_string(code);
    label.binding = Binding::kOrderPosition;
    label.arg = code;
    label.font = {32, false};
    label.align = Align::kCenter;
    // A click on an item button must not take the focus from the field being edited.
    b.NoFocus(b.Button("SpeedButton" + std::to_string(10 + code), DisplayItems()[code - 1].caption,
                       {x, top + 32, 75, 25}, Action::kOrderItem, code));
  }
  b.NoFocus(b.Button("SpeedButton10", QMessage("order", "クリア(C)"), {(637 - 89) / 2, 180, 89, 25},
                     Action::kOrderClear));
  // The line as the panel shows it, beside the icon: this page is the line's.
  b.Add({.kind = Kind::kCheckBox,
         .name = "PanelLabelBox",
         .caption = QMessage("panel label", "アイコンの横に表示"),
         .rect = {17, 184, 240, 20},
         .binding = Binding::kPanelLabel,
         .linux_only = true});
}

void ContentPage1(Builder& b) {
  b.Page(1, QMessage("tab", "内容1"));
  auto add_pairs = [&b](const Pair (&pairs)[3], int left, int step, int row1, int row2,
                        int edit_width) {
    for (int column = 0; column < 3; ++column) {
      const int x = left + step * column;
      b.LabeledEdit(pairs[column].first, pairs[column].first_caption, x, row1, 27, edit_width);
      b.LabeledEdit(pairs[column].second, pairs[column].second_caption, x, row2, 27,
                    edit_width);
    }
  };
  b.Group(QMessage("date", "日付"), {8, 0, 305, 105});
  b.Check(FlagKey::b52, QMessage("date", "西暦"), {8, 18, 80, 20});
  add_pairs({{TextKey::s52, QMessage("date", "年始"), TextKey::s53, QMessage("date", "年末")},
             {TextKey::s54, QMessage("date", "月始"), TextKey::s55, QMessage("date", "月末")},
             {TextKey::s56, QMessage("date", "日出"), TextKey::s57, QMessage("date", "日没")}},
            8, 98, 44, 72, 66);

  b.Group(QMessage("time", "時刻"), {320, 0, 305, 105});
  b.Check(FlagKey::b53, QMessage("time", "時２桁表示"), {8, 18, 94, 20});
  b.Check(FlagKey::b54, QMessage("time", "分２桁表示"), {106, 18, 94, 20});
  b.Check(FlagKey::b55, QMessage("time", "秒２桁表示"), {204, 18, 94, 20});
  add_pairs({{TextKey::s60, QMessage("time", "時始"), TextKey::s61, QMessage("time", "時末")},
             {TextKey::s62, QMessage("time", "分始"), TextKey::s63, QMessage("time", "分末")},
             {TextKey::s64, QMessage("time", "秒始"), TextKey::s65, QMessage("time", "秒末")}},
            8, 98, 44, 72, 66);

  b.Group(QMessage("weekday", "曜日"), {8, 112, 97, 105});
  b.Check(FlagKey::b51, QMessage("weekday", "長く表示"), {6, 18, 86, 20});
  b.LabeledEdit(TextKey::s58, QMessage("weekday", "週始"), 6, 44, 27, 58);
  b.LabeledEdit(TextKey::s59, QMessage("weekday", "週末"), 6, 72, 27, 58);

  b.Group(QMessage("connection time", "ダイヤルアップ接続時間"), {112, 112, 513, 105});
  b.Check(FlagKey::b69, QMessage("connection time", "接続時のみ表示"), {8, 17, 136, 19});
  b.Check(FlagKey::b70, QMessage("connection time", "累積時間"), {8, 37, 136, 19});
  b.Check(FlagKey::b76, QMessage("connection time", "接続時間を適宜保存"), {8, 57, 136, 19});
  b.Button("SpeedButton1", QMessage("connection time", "接続時間初期化"), {8, 78, 112, 22}, Action::kResetConnectionTime);
  // One column each for hours, minutes and seconds: their switches above their fields.
  b.Check(FlagKey::b72, QMessage("connection time", "０時間非表示"), {152, 17, 116, 19});
  b.Check(FlagKey::b73, QMessage("connection time", "分２桁表示"), {272, 17, 116, 19});
  b.Check(FlagKey::b74, QMessage("connection time", "０分は非表示"), {272, 37, 116, 19});
  b.Check(FlagKey::b75, QMessage("connection time", "秒２桁表示"), {392, 17, 116, 19});
  add_pairs({{TextKey::s83, QMessage("connection time", "時始"), TextKey::s84, QMessage("connection time", "時末")},
             {TextKey::s85, QMessage("connection time", "分始"), TextKey::s86, QMessage("connection time", "分末")},
             {TextKey::s87, QMessage("connection time", "秒始"), TextKey::s88, QMessage("connection time", "秒末")}},
            152, 120, 57, 79, 86);
}

void ContentPage2(Builder& b) {
  b.Page(2, QMessage("tab", "内容２"));
  // A small group: an optional switch at the top, the title field, the unit field.
  struct Small {
    Message title;
    int x;
    Message caption;  // empty: no switch
    FlagKey flag;
    TextKey title_text;
    Message title_caption;
    TextKey unit_text;
    Message unit_caption;
  };
  const Small top_row[] = {
      {QMessage("title", "タイトル"), 8, QMessage("title", "元を残す"), FlagKey::b50,
       TextKey::s50, QMessage("title", "肩書"), TextKey::s51, QMessage("title", "敬称")},
      {QMessage("figures", "CPU稼働率"), 112, QMessage("figures", "２桁表示"), FlagKey::b56,
       TextKey::s68, QMessage("figures", "題目"), TextKey::s69, QMessage("figures", "単位")},
      {QMessage("figures", "電池"), 216, {}, FlagKey::b48, TextKey::s70,
       QMessage("figures", "題目"), TextKey::s71, QMessage("figures", "単位")},
  };
  const Small resources[] = {
      {QMessage("figures", "Systemリソース"), 320, QMessage("figures", "空き容量"), FlagKey::b66,
       TextKey::s77, QMessage("figures", "題目"), TextKey::s78, QMessage("figures", "単位")},
      {QMessage("figures", "ＧＤＩ リソース"), 424, QMessage("figures", "空き容量"), FlagKey::b67,
       TextKey::s79, QMessage("figures", "題目"), TextKey::s80, QMessage("figures", "単位")},
      {QMessage("figures", "Userリソース"), 528, QMessage("figures", "空き容量"), FlagKey::b68,
       TextKey::s81, QMessage("figures", "題目"), TextKey::s82, QMessage("figures", "単位")},
  };
  auto add_small = [&b](const Small& small, int top) {
    b.Group(small.title, {small.x, top, 97, 105});
    if (!small.caption.source.empty()) b.Check(small.flag, small.caption, {6, 18, 86, 20});
    b.LabeledEdit(small.title_text, small.title_caption, 6, 44, 27, 58);
    b.LabeledEdit(small.unit_text, small.unit_caption, 6, 72, 27, 58);
  };
  for (const Small& small : top_row) add_small(small, 0);
  for (const Small& small : resources) add_small(small, 112);

  b.Group(QMessage("traffic", "送受信量"), {320, 0, 305, 105});
  b.Check(FlagKey::b81, QMessage("traffic", "接続時のみ表示"), {6, 17, 114, 19});
  b.Check(FlagKey::b82, QMessage("traffic", "累積量"), {122, 17, 70, 19});
  b.Check(FlagKey::b83, QMessage("traffic", "３桁カンマ"), {196, 17, 100, 19});
  const Message unit_captions[] = {QMessage("traffic", "バイト"), QMessage("traffic", "ＫＢ"),
                                   QMessage("traffic", "ＭＢ")};
  const Rect unit_places[] = {{6, 37, 66, 19}, {74, 37, 52, 19}, {128, 37, 52, 19}};
  for (int unit = 1; unit <= 3; ++unit) {
    b.Add({.kind = Kind::kRadioButton,
           .name = "RadioButton" + std::to_string(unit),
           .caption = unit_captions[unit - 1],
           .rect = unit_places[unit - 1],
           .binding = Binding::kByteUnit,
           .arg = unit});
  }
  b.Button("SpeedButton2", QMessage("traffic", "送受信量初期化"), {184, 36, 112, 22}, Action::kResetTraffic);
  b.LabeledEdit(TextKey::s95, QMessage("traffic", "受信題目"), 6, 60, 51, 70);
  b.LabeledEdit(TextKey::s96, QMessage("traffic", "受信単位"), 131, 60, 51, 70);
  b.LabeledEdit(TextKey::s97, QMessage("traffic", "送信題目"), 6, 82, 51, 70);
  b.LabeledEdit(TextKey::s98, QMessage("traffic", "送信単位"), 131, 82, 51, 70);
  b.Add({.kind = Kind::kCheckBox,
         .name = "CheckBox47",
         .caption = QMessage("traffic", "受"),
         .rect = {256, 60, 44, 20},
         .binding = Binding::kCombinedReceived,
         .extra_only = true});
  b.Add({.kind = Kind::kCheckBox,
         .name = "CheckBox48",
         .caption = QMessage("traffic", "送"),
         .rect = {256, 82, 44, 20},
         .binding = Binding::kCombinedSent,
         .extra_only = true});

  // The memory groups stack their three switches above the two fields.
  struct Memory {
    Message title;
    int x;
    FlagKey free, percent, commas;
    TextKey title_text, unit_text;
  };
  const Memory memories[] = {
      {QMessage("memory", "物理メモリ"), 8, FlagKey::b57, FlagKey::b58, FlagKey::b59, TextKey::s66, TextKey::s67},
      {QMessage("memory", "仮想メモリ"), 112, FlagKey::b60, FlagKey::b61, FlagKey::b62, TextKey::s73, TextKey::s74},
      {QMessage("memory", "ページ"), 216, FlagKey::b63, FlagKey::b64, FlagKey::b65, TextKey::s75, TextKey::s76},
  };
  for (const Memory& memory : memories) {
    b.Group(memory.title, {memory.x, 112, 97, 105});
    b.Check(memory.free, QMessage("memory", "空き容量"), {6, 16, 86, 17});
    b.Check(memory.percent, QMessage("memory", "[％]表示"), {6, 33, 86, 17});
    b.Check(memory.commas, QMessage("memory", "３桁カンマ"), {6, 50, 86, 17});
    b.LabeledEdit(memory.title_text, QMessage("memory", "題目"), 6, 67, 27, 58, 18);
    b.LabeledEdit(memory.unit_text, QMessage("memory", "単位"), 6, 85, 27, 58, 18);
  }
}

void WatchPage(Builder& b) {
  b.Page(3, QMessage("tab", "時間監視"));
  b.Group(QMessage("watch", "他プログラム起動"), {8, 0, 617, 105});
  b.Label(QMessage("watch", "↓起動チェック\u3000\u3000\u3000\u3000\u3000↓時間:150時間5分なら「15005」と入力"),
          {8, 14, 600, 17});
  struct Row {
    FlagKey check;
    Message caption;
    TextKey value, program;
  };
  const Row rows[] = {{FlagKey::b77, QMessage("watch", "現在時刻"), TextKey::s89, TextKey::s92},
                      {FlagKey::b78, QMessage("watch", "連続接続時間"), TextKey::s90, TextKey::s93},
                      {FlagKey::b79, QMessage("watch", "累計接続時間"), TextKey::s91, TextKey::s94}};
  for (int n = 1; n <= 3; ++n) {
    const Row& row = rows[n - 1];
    const int top = 32 + 24 * (n - 1);
    b.Check(row.check, row.caption, {8, top, 102, 21});
    b.Edit(row.value, {112, top, 41, 21});
    b.Edit(row.program, {160, top, 377, 21});
    b.Button("BitBtn" + std::to_string(60 + n), QMessage("watch", "参照"), {541, top, 34, 21}, Action::kBrowse, n);
    b.Button("BitBtn" + std::to_string(63 + n), QMessage("watch", "試す"), {577, top, 34, 21}, Action::kLaunch, n);
  }
}

void AboutPage(Builder& b) {
  b.Page(4, QMessage("tab", "Quillentaについて"));
  ControlDef& version = b.Label(QMessage("about", "Version２"), {4, -44, 629, 236});
  version.name = "VersionLabel";
  version.font = {160, true};
  version.align = Align::kLeftTop;
  // The glyphs sit low in a CJK face's tall line; the label starts above the page so that
  // they keep clear of the author's line below.
  ControlDef& dot = b.Label({"", "."}, {336, 40, 21, 25});
  dot.name = "ExtraLabel";
  dot.font = {4, false};
  dot.align = Align::kCenter;
  dot.cursor = Cursor::kCross;
  dot.transparent = true;
  dot.popup_menu = "PopupMenu3";
  auto link = [&b](const char* name, const char* address, Rect rect, Action action,
                   const char* menu) -> ControlDef& {
    ControlDef& field = b.Add({.kind = Kind::kLinkField,
                                .name = name,
                                .caption = {"", address},  // no context: its own, never translated
                                .rect = rect,
                                .action = action,
                                .cursor = Cursor::kHand,
                                .popup_menu = menu});
    return field;
  };
  link("MailField", kContactAddress, {536, 183, 89, 16}, Action::kOpenMail, "PopupMenu2")
      .grows_left = true;
  link("WebField", kWebPage, {312, 200, 317, 16}, Action::kOpenWeb, "PopupMenu4");
  b.Label(QMessage("about", "作者Vouk："), {482, 184, 54, 16}).left_of = "MailField";
  // One row at the foot of the page, below the version's glyphs and the author: a group box
  // would lie under the version label, which paints over it. Each language is named in
  // itself, so a user lost in a language finds his own.
  b.Label(QMessage("language", "表示言語："), {8, 201, 64, 16});
  const Message choices[] = {QMessage("language", "自動"), {"", "日本語"}, {"", "English"}};
  const Rect places[] = {{72, 200, 64, 18}, {140, 200, 68, 18}, {212, 200, 76, 18}};
  for (int n = 0; n < 3; ++n) {
    b.Add({.kind = Kind::kRadioButton,
           .name = "LanguageButton" + std::to_string(n + 1),
           .caption = choices[n],
           .rect = places[n],
           .binding = Binding::kLanguage,
           .arg = n});
  }
}

void BottomRow(Builder& b) {
  b.Window();
  b.Add({.kind = Kind::kTabControl, .name = "PageControl1", .rect = {1, 0, 641, 249}});
  b.Button("Button51", QMessage("buttons", "&OK"), {168, 256, 97, 25}, Action::kOk);
  b.Button("Button52", QMessage("buttons", "元に戻す(&R)"), {272, 256, 97, 25}, Action::kRevert);
  b.Button("Button53", QMessage("buttons", "終了(&X)"), {376, 256, 97, 25}, Action::kCloseWindow);
  b.Check(FlagKey::b49, QMessage("buttons", "起動ごとに設定"), {488, 253, 113, 25});
  // Tab walks the bottom row first, then into the tab control.
  for (ControlDef& def : b.controls) {
    if (def.page == -1) def.tab_order = def.kind == Kind::kTabControl ? 4 : def.tab_order - 1;
  }
}

std::vector<ControlDef> Build() {
  Builder b;
  OrderPage(b);
  ContentPage1(b);
  ContentPage2(b);
  WatchPage(b);
  AboutPage(b);
  BottomRow(b);
  return std::move(b.controls);
}

std::vector<MenuDef> BuildMenus() {
  return {
      {"PopupMenu1",
       "",
       {{"MenuQuit", QMessage("tray menu", "終了"), MenuAction::kEndProgram},
        {"MenuSettings", QMessage("tray menu", "設定"), MenuAction::kShowWindow}}},
      {"PopupMenu2", "MailField", {{"MenuCopyMail", QMessage("about menu", "コピー"), MenuAction::kCopyField}}},
      {"PopupMenu3", "ExtraLabel", {{"MenuExtra", QMessage("about menu", "おまけ"), MenuAction::kToggleExtra, true}}},
      {"PopupMenu4", "WebField", {{"MenuCopyWeb", QMessage("about menu", "コピー"), MenuAction::kCopyField}}},
  };
}

}  // namespace

const WindowDef& Window() {
  static const WindowDef window{"Form1", "Quillenta", 644, 285, 12, kFontFamilies};
  return window;
}

const std::vector<ControlDef>& Controls() {
  static const std::vector<ControlDef> controls = Build();
  return controls;
}

const std::vector<MenuDef>& Menus() {
  static const std::vector<MenuDef> menus = BuildMenus();
  return menus;
}

std::size_t IndexOf(std::string_view name) {
  const auto& controls = Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].name == name) return i;
  }
  return controls.size();
}

const ControlDef* FindControl(std::string_view name) {
  const std::size_t index = IndexOf(name);
  return index < Controls().size() ? &Controls()[index] : nullptr;
}

const MenuDef* MenuOf(std::string_view item) {
  for (const MenuDef& menu : Menus()) {
    for (const MenuItemDef& candidate : menu.items) {
      if (candidate.name == item) return &menu;
    }
  }
  return nullptr;
}

const MenuItemDef* FindMenuItem(std::string_view name) {
  const MenuDef* menu = MenuOf(name);
  if (menu == nullptr) return nullptr;
  for (const MenuItemDef& item : menu->items) {
    if (item.name == name) return &item;
  }
  return nullptr;
}

std::string PlainCaption(std::string_view caption) {
  std::string plain;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') plain += caption[++i];
      continue;
    }
    plain += caption[i];
  }
  return plain;
}

}  // namespace quillenta::form
