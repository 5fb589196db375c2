// The three tabs of settings: "内容1", "内容２" and "時間監視".
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/main_form.h"

namespace quillenta {

namespace {

// Columns of the caption-and-field pairs inside the wide groups.
constexpr int kFieldRow1 = 44;
constexpr int kFieldRow2 = 72;

}  // namespace

QWidget* MainForm::BuildContentTab1() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("TabSheet2"));

  QGroupBox* date = AddGroup(page, QStringLiteral("日付"), QRect(8, 0, 305, 105));
  AddCheck(date, FlagKey::b52, QStringLiteral("西暦"), QRect(8, 18, 80, 20));
  struct Pair {
    TextKey first;
    const char* first_caption;
    TextKey second;
    const char* second_caption;
  };
  const Pair date_pairs[] = {{TextKey::s52, "年始", TextKey::s53, "年末"},
                             {TextKey::s54, "月始", TextKey::s55, "月末"},
                             {TextKey::s56, "日出", TextKey::s57, "日没"}};
  const Pair time_pairs[] = {{TextKey::s60, "時始", TextKey::s61, "時末"},
                             {TextKey::s62, "分始", TextKey::s63, "分末"},
                             {TextKey::s64, "秒始", TextKey::s65, "秒末"}};
  auto add_pairs = [this](QGroupBox* group, const Pair(&pairs)[3]) {
    for (int column = 0; column < 3; ++column) {
      const int x = 8 + 98 * column;
      AddLabeledEdit(group, pairs[column].first, QString::fromUtf8(pairs[column].first_caption), x,
                     kFieldRow1, 27, 66);
      AddLabeledEdit(group, pairs[column].second, QString::fromUtf8(pairs[column].second_caption),
                     x, kFieldRow2, 27, 66);
    }
  };
  add_pairs(date, date_pairs);

  QGroupBox* time = AddGroup(page, QStringLiteral("時刻"), QRect(320, 0, 305, 105));
  AddCheck(time, FlagKey::b53, QStringLiteral("時２桁表示"), QRect(8, 18, 94, 20));
  AddCheck(time, FlagKey::b54, QStringLiteral("分２桁表示"), QRect(106, 18, 94, 20));
  AddCheck(time, FlagKey::b55, QStringLiteral("秒２桁表示"), QRect(204, 18, 94, 20));
  add_pairs(time, time_pairs);

  QGroupBox* weekday = AddGroup(page, QStringLiteral("曜日"), QRect(8, 112, 97, 105));
  AddCheck(weekday, FlagKey::b51, QStringLiteral("長く表示"), QRect(6, 18, 86, 20));
  AddLabeledEdit(weekday, TextKey::s58, QStringLiteral("週始"), 6, kFieldRow1, 27, 58);
  AddLabeledEdit(weekday, TextKey::s59, QStringLiteral("週末"), 6, kFieldRow2, 27, 58);

  QGroupBox* dialup =
      AddGroup(page, QStringLiteral("ダイヤルアップ接続時間"), QRect(112, 112, 513, 105));
  AddCheck(dialup, FlagKey::b69, QStringLiteral("接続時のみ表示"), QRect(8, 17, 136, 19));
  AddCheck(dialup, FlagKey::b70, QStringLiteral("累積時間"), QRect(8, 37, 136, 19));
  AddCheck(dialup, FlagKey::b76, QStringLiteral("接続時間を適宜保存"), QRect(8, 57, 136, 19));
  QPushButton* reset_time = AddButton(dialup, QStringLiteral("SpeedButton1"),
                                      QStringLiteral("接続時間初期化"), QRect(8, 78, 112, 22));
  connect(reset_time, &QPushButton::clicked, this,
          [this] { Guarded([this] { app_.accounting().ResetConnectionTime(); }); });
  // One column each for hours, minutes and seconds: their switches above their fields.
  AddCheck(dialup, FlagKey::b72, QStringLiteral("０時間非表示"), QRect(152, 17, 116, 19));
  AddCheck(dialup, FlagKey::b73, QStringLiteral("分２桁表示"), QRect(272, 17, 116, 19));
  AddCheck(dialup, FlagKey::b74, QStringLiteral("０分は非表示"), QRect(272, 37, 116, 19));
  AddCheck(dialup, FlagKey::b75, QStringLiteral("秒２桁表示"), QRect(392, 17, 116, 19));
  const Pair dialup_pairs[] = {{TextKey::s83, "時始", TextKey::s84, "時末"},
                               {TextKey::s85, "分始", TextKey::s86, "分末"},
                               {TextKey::s87, "秒始", TextKey::s88, "秒末"}};
  for (int column = 0; column < 3; ++column) {
    const int x = 152 + 120 * column;
    const Pair& pair = dialup_pairs[column];
    AddLabeledEdit(dialup, pair.first, QString::fromUtf8(pair.first_caption), x, 57, 27, 86);
    AddLabeledEdit(dialup, pair.second, QString::fromUtf8(pair.second_caption), x, 79, 27, 86);
  }
  return page;
}

QWidget* MainForm::BuildContentTab2() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("TabSheet3"));

  // A small group: an optional switch at the top, the title field, the unit field.
  struct Small {
    const char* title;
    int x;
    const char* caption;  // null: no switch
    FlagKey flag;
    TextKey title_text;
    const char* title_caption;
    TextKey unit_text;
    const char* unit_caption;
  };
  const Small top_row[] = {
      {"タイトル", 8, "元を残す", FlagKey::b50, TextKey::s50, "肩書", TextKey::s51, "敬称"},
      {"CPU稼働率", 112, "２桁表示", FlagKey::b56, TextKey::s68, "題目", TextKey::s69, "単位"},
      {"電池", 216, nullptr, FlagKey::b48, TextKey::s70, "題目", TextKey::s71, "単位"},
  };
  const Small resources[] = {
      {"Systemリソース", 320, "空き容量", FlagKey::b66, TextKey::s77, "題目", TextKey::s78, "単位"},
      {"ＧＤＩ リソース", 424, "空き容量", FlagKey::b67, TextKey::s79, "題目", TextKey::s80,
       "単位"},
      {"Userリソース", 528, "空き容量", FlagKey::b68, TextKey::s81, "題目", TextKey::s82, "単位"},
  };
  auto add_small = [this, page](const Small& small, int top) {
    QGroupBox* group = AddGroup(page, QString::fromUtf8(small.title), QRect(small.x, top, 97, 105));
    if (small.caption != nullptr) {
      AddCheck(group, small.flag, QString::fromUtf8(small.caption), QRect(6, 18, 86, 20));
    }
    AddLabeledEdit(group, small.title_text, QString::fromUtf8(small.title_caption), 6, kFieldRow1,
                   27, 58);
    AddLabeledEdit(group, small.unit_text, QString::fromUtf8(small.unit_caption), 6, kFieldRow2, 27,
                   58);
  };
  for (const Small& small : top_row) add_small(small, 0);
  for (const Small& small : resources) add_small(small, 112);

  QGroupBox* traffic = AddGroup(page, QStringLiteral("送受信量"), QRect(320, 0, 305, 105));
  AddCheck(traffic, FlagKey::b81, QStringLiteral("接続時のみ表示"), QRect(6, 17, 114, 19));
  AddCheck(traffic, FlagKey::b82, QStringLiteral("累積量"), QRect(122, 17, 70, 19));
  AddCheck(traffic, FlagKey::b83, QStringLiteral("３桁カンマ"), QRect(196, 17, 100, 19));
  const char* unit_captions[] = {"バイト", "ＫＢ", "ＭＢ"};
  const QRect unit_places[] = {QRect(6, 37, 66, 19), QRect(74, 37, 52, 19), QRect(128, 37, 52, 19)};
  for (int unit = 1; unit <= 3; ++unit) {
    auto* radio = new QRadioButton(QString::fromUtf8(unit_captions[unit - 1]), traffic);
    radio->setObjectName(QStringLiteral("RadioButton%1").arg(unit));
    radio->setGeometry(unit_places[unit - 1]);
    FitCaption(radio);
    unit_buttons_[unit - 1] = radio;
    connect(radio, &QRadioButton::toggled, this, [this, unit](bool on) {
      if (on) app_.settings().SetByteUnit(unit);
    });
  }
  QPushButton* reset_traffic = AddButton(traffic, QStringLiteral("SpeedButton2"),
                                         QStringLiteral("送受信量初期化"), QRect(184, 36, 112, 22));
  connect(reset_traffic, &QPushButton::clicked, this,
          [this] { Guarded([this] { app_.accounting().ResetTraffic(); }); });
  AddLabeledEdit(traffic, TextKey::s95, QStringLiteral("受信題目"), 6, 60, 51, 70);
  AddLabeledEdit(traffic, TextKey::s96, QStringLiteral("受信単位"), 131, 60, 51, 70);
  AddLabeledEdit(traffic, TextKey::s97, QStringLiteral("送信題目"), 6, 82, 51, 70);
  AddLabeledEdit(traffic, TextKey::s98, QStringLiteral("送信単位"), 131, 82, 51, 70);
  combined_received_ = new QCheckBox(QStringLiteral("受"), traffic);
  combined_received_->setObjectName(QStringLiteral("CheckBox47"));
  combined_received_->setGeometry(256, 60, 44, 20);
  combined_sent_ = new QCheckBox(QStringLiteral("送"), traffic);
  combined_sent_->setObjectName(QStringLiteral("CheckBox48"));
  combined_sent_->setGeometry(256, 82, 44, 20);
  connect(combined_received_, &QCheckBox::toggled, this,
          [this](bool on) { app_.settings().SetCombinedReceived(on); });
  connect(combined_sent_, &QCheckBox::toggled, this,
          [this](bool on) { app_.settings().SetCombinedSent(on); });

  // The memory groups stack their three switches above the two fields.
  struct Memory {
    const char* title;
    int x;
    FlagKey free, percent, commas;
    TextKey title_text, unit_text;
  };
  const Memory memories[] = {
      {"物理メモリ", 8, FlagKey::b57, FlagKey::b58, FlagKey::b59, TextKey::s66, TextKey::s67},
      {"仮想メモリ", 112, FlagKey::b60, FlagKey::b61, FlagKey::b62, TextKey::s73, TextKey::s74},
      {"ページ", 216, FlagKey::b63, FlagKey::b64, FlagKey::b65, TextKey::s75, TextKey::s76},
  };
  for (const Memory& memory : memories) {
    QGroupBox* group =
        AddGroup(page, QString::fromUtf8(memory.title), QRect(memory.x, 112, 97, 105));
    AddCheck(group, memory.free, QStringLiteral("空き容量"), QRect(6, 16, 86, 17));
    AddCheck(group, memory.percent, QStringLiteral("[％]表示"), QRect(6, 33, 86, 17));
    AddCheck(group, memory.commas, QStringLiteral("３桁カンマ"), QRect(6, 50, 86, 17));
    QLabel* title = AddLabel(group, QStringLiteral("題目"), QRect(6, 67, 27, 18));
    QLineEdit* title_edit = AddEdit(group, memory.title_text, QRect(33, 67, 58, 18));
    title->setBuddy(title_edit);
    QLabel* unit = AddLabel(group, QStringLiteral("単位"), QRect(6, 85, 27, 18));
    QLineEdit* unit_edit = AddEdit(group, memory.unit_text, QRect(33, 85, 58, 18));
    unit->setBuddy(unit_edit);
  }
  return page;
}

QWidget* MainForm::BuildWatchTab() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("TabSheet4"));
  QGroupBox* group = AddGroup(page, QStringLiteral("他プログラム起動"), QRect(8, 0, 617, 105));
  AddLabel(group,
           QStringLiteral(
               "↓起動チェック\u3000\u3000\u3000\u3000\u3000↓時間:150時間5分なら「15005」と入力"),
           QRect(8, 14, 600, 17));
  struct Row {
    FlagKey check;
    const char* caption;
    TextKey value, program;
  };
  const Row rows[] = {{FlagKey::b77, "現在時刻", TextKey::s89, TextKey::s92},
                      {FlagKey::b78, "連続接続時間", TextKey::s90, TextKey::s93},
                      {FlagKey::b79, "累計接続時間", TextKey::s91, TextKey::s94}};
  for (int n = 1; n <= 3; ++n) {
    const Row& row = rows[n - 1];
    const int top = 32 + 24 * (n - 1);
    AddCheck(group, row.check, QString::fromUtf8(row.caption), QRect(8, top, 102, 21));
    AddEdit(group, row.value, QRect(112, top, 41, 21));
    AddEdit(group, row.program, QRect(160, top, 377, 21));
    QPushButton* browse = AddButton(group, QStringLiteral("BitBtn%1").arg(60 + n),
                                    QStringLiteral("参照"), QRect(541, top, 34, 21));
    QPushButton* launch = AddButton(group, QStringLiteral("BitBtn%1").arg(63 + n),
                                    QStringLiteral("試す"), QRect(577, top, 34, 21));
    connect(browse, &QPushButton::clicked, this, [this, n] {
      Guarded([this, n] { app_.time_watch().BrowseWatchProgram(n, *chooser_); });
    });
    connect(launch, &QPushButton::clicked, this,
            [this, n] { Guarded([this, n] { app_.time_watch().LaunchWatchProgram(n); }); });
  }
  return page;
}

}  // namespace quillenta
