// The "順番" tab (the order editor's buttons) and the "Quillentaについて" tab.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "app/main_form.h"

namespace quillenta {

namespace {

constexpr const char* kItemCaptions[kItemCodeCount] = {
    "タイトル",     "年",           "月",         "日",     "曜日",      "時",       "分",
    "秒",           "物理メモリ",   "仮想メモリ", "ページ", "CPU使用率", "電池残量", "Systemﾘｿｰｽ",
    "GDI リソース", "Userリソース", "接続時",     "接続分", "接続秒",    "受信量",   "送信量"};

const QColor kLinkColor(0, 0, 255);

// A read-only field drawn as a link. A line edit ignores an underlined font, so the line is
// drawn here, under the text as the field lays it out.
class LinkField : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void paintEvent(QPaintEvent* event) override {
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const QRect area = contentsRect();
    constexpr int kMargin = 2;  // the line edit's own horizontal text margin
    const int baseline = area.y() + (area.height() - metrics.height() + 1) / 2 + metrics.ascent();
    // The field is only 16 pixels high: the line keeps inside it.
    const int y = std::min(area.bottom(), baseline + std::max(1, metrics.underlinePos()));
    const int left = area.x() + kMargin;
    const int right = std::min(area.right(), left + metrics.horizontalAdvance(text()));
    painter.setPen(kLinkColor);
    painter.drawLine(left, y, right, y);
  }
};

constexpr const char* kContactAddress = "quillenta@users.noreply.github.com";
constexpr const char* kWebPage = "https://github.com/quillenta/quillenta";

}  // namespace

QWidget* MainForm::BuildOrderTab() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("TabSheet1"));
  QFont position_font = font();
  position_font.setPixelSize(32);
  constexpr int kColumns = 7;
  constexpr int kLeft = 17;  // centres the 7 columns in the page
  for (int code = 1; code <= kItemCodeCount; ++code) {
    const int row = (code - 1) / kColumns;
    const int x = kLeft + 88 * ((code - 1) % kColumns);
    const int top = 56 * row;
    auto* label = new QLabel(page);
    label->setObjectName(QStringLiteral("PositionLabel%1").arg(code));
    label->setGeometry(x, top, 75, 33);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(position_font);
    position_labels_[code] = label;
    QPushButton* button =
        AddButton(page, QStringLiteral("SpeedButton%1").arg(10 + code),
                  QString::fromUtf8(kItemCaptions[code - 1]), QRect(x, top + 32, 75, 25));
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QPushButton::clicked, this, [this, code] {
      app_.order_editor().Click(code);
      RefreshOrderLabels();
    });
  }
  QPushButton* clear = AddButton(page, QStringLiteral("SpeedButton10"), QStringLiteral("クリア(C)"),
                                 QRect((637 - 89) / 2, 180, 89, 25));
  clear->setFocusPolicy(Qt::NoFocus);
  connect(clear, &QPushButton::clicked, this, [this] {
    app_.order_editor().ClearSequence();
    RefreshOrderLabels();
  });
  return page;
}

QMenu* MainForm::AddCopyMenu(QLineEdit* field, const QString& menu_name) {
  auto* menu = new QMenu(this);
  menu->setObjectName(menu_name);
  menu->setFont(font());
  QAction* copy = menu->addAction(QStringLiteral("コピー"));
  connect(copy, &QAction::triggered, this, [field] {
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    field->copy();
  });
  field->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(field, &QWidget::customContextMenuRequested, this,
          [field, menu](const QPoint& at) { menu->popup(field->mapToGlobal(at)); });
  return menu;
}

QWidget* MainForm::BuildAboutTab() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("TabSheet5"));

  auto* version = new QLabel(QStringLiteral("Version２"), page);
  version->setObjectName(QStringLiteral("VersionLabel"));
  QFont version_font = font();
  version_font.setPixelSize(160);
  version_font.setItalic(true);
  version->setFont(version_font);
  // The glyphs sit low in a CJK face's tall line; lifting the label keeps them clear of the
  // author's line below.
  version->setGeometry(4, -44, 629, 236);
  version->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  FitCaption(version);

  auto* dot = new QLabel(QStringLiteral("."), page);
  dot->setObjectName(QStringLiteral("ExtraLabel"));
  QFont dot_font = font();
  dot_font.setPixelSize(4);
  dot->setFont(dot_font);
  dot->setGeometry(336, 40, 21, 25);
  dot->setAlignment(Qt::AlignCenter);
  dot->setAttribute(Qt::WA_TranslucentBackground);
  dot->setCursor(Qt::CrossCursor);
  dot->raise();
  auto* extra_menu = new QMenu(this);
  extra_menu->setObjectName(QStringLiteral("PopupMenu3"));
  extra_menu->setFont(font());
  extra_action_ = extra_menu->addAction(QStringLiteral("おまけ"));
  extra_action_->setObjectName(QStringLiteral("MenuExtra"));
  extra_action_->setCheckable(true);
  connect(extra_action_, &QAction::triggered, this, [this] { app_.settings().ToggleExtra(); });
  dot->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(dot, &QWidget::customContextMenuRequested, this,
          [dot, extra_menu](const QPoint& at) { extra_menu->popup(dot->mapToGlobal(at)); });

  auto make_link = [this, page](const char* text, const QString& name) {
    auto* field = new LinkField(QString::fromUtf8(text), page);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setFrame(false);
    field->setAttribute(Qt::WA_MacShowFocusRect, false);
    field->setStyleSheet(
        QStringLiteral("QLineEdit { color: #0000ff; background: transparent; border: none;"
                       " }"));
    field->setCursor(Qt::PointingHandCursor);
    field->setCursorPosition(0);
    field->installEventFilter(this);
    return field;
  };
  mail_field_ = make_link(kContactAddress, QStringLiteral("MailField"));
  web_field_ = make_link(kWebPage, QStringLiteral("WebField"));
  // The address is longer than the classic field: the field keeps its right edge and grows
  // to the left, and the author's caption moves along with it.
  const int mail_width = mail_field_->fontMetrics().horizontalAdvance(mail_field_->text()) + 6;
  const int mail_left = std::min(536, 536 + 89 - mail_width);
  mail_field_->setGeometry(mail_left, 183, std::max(89, mail_width), 16);
  web_field_->setGeometry(312, 200, 317, 16);
  const QString author = QStringLiteral("作者Vouk：");
  const int author_width = std::max(54, fontMetrics().horizontalAdvance(author) + 4);
  AddLabel(page, author, QRect(std::min(482, mail_left - author_width), 184, author_width, 16));
  AddCopyMenu(mail_field_, QStringLiteral("PopupMenu2"));
  AddCopyMenu(web_field_, QStringLiteral("PopupMenu4"));
  return page;
}

}  // namespace quillenta
