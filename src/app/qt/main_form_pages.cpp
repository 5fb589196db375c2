// The widgets of the form description, one control at a time.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "app/qt/main_form.h"

namespace quillenta {

namespace {

const QColor kLinkColor(0, 0, 255);

QString Q(const std::string& text) { return QString::fromStdString(text); }

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

Qt::Alignment AlignmentOf(form::Align align) {
  switch (align) {
    case form::Align::kCenter:
      return Qt::AlignCenter;
    case form::Align::kLeftTop:
      return Qt::AlignLeft | Qt::AlignTop;
    case form::Align::kLeftMiddle:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

Qt::CursorShape CursorOf(form::Cursor cursor) {
  switch (cursor) {
    case form::Cursor::kHand:
      return Qt::PointingHandCursor;
    case form::Cursor::kCross:
      return Qt::CrossCursor;
    case form::Cursor::kArrow:
      break;
  }
  return Qt::ArrowCursor;
}

}  // namespace

QWidget* MainForm::BuildControl(const form::ControlDef& def, QWidget* parent) {
  // Captions, fonts and places are the language's: ShowLanguage gives them.
  QWidget* control = nullptr;
  switch (def.kind) {
    case form::Kind::kGroupBox:
      control = new QGroupBox(parent);
      break;
    case form::Kind::kLabel: {
      auto* label = new QLabel(parent);
      label->setAlignment(AlignmentOf(def.align));
      control = label;
      break;
    }
    case form::Kind::kEdit: {
      auto* edit = new QLineEdit(parent);
      // textEdited, not textChanged: a text the model sets must not echo back as an edit.
      connect(edit, &QLineEdit::textEdited, this, [this, name = def.name](const QString& text) {
        logic_.OnTextEdited(name, text.toStdString());
      });
      control = edit;
      break;
    }
    case form::Kind::kCheckBox:
    case form::Kind::kRadioButton: {
      QAbstractButton* button = def.kind == form::Kind::kCheckBox
                                    ? static_cast<QAbstractButton*>(new QCheckBox(parent))
                                    : new QRadioButton(parent);
      if (def.kind == form::Kind::kCheckBox) button->setChecked(logic_.Checked(def));
      connect(button, &QAbstractButton::toggled, this,
              [this, name = def.name](bool on) { logic_.OnToggled(name, on); });
      control = button;
      break;
    }
    case form::Kind::kPushButton: {
      auto* button = new QPushButton(parent);
      // Enter in a field must press nothing.
      button->setAutoDefault(false);
      button->setDefault(false);
      if (def.tab_order < 0) button->setFocusPolicy(Qt::NoFocus);
      connect(button, &QPushButton::clicked, this,
              [this, name = def.name] { logic_.OnClick(name); });
      control = button;
      break;
    }
    case form::Kind::kLinkField: {
      auto* field = new LinkField(parent);
      field->setReadOnly(true);
      field->setFrame(false);
      field->setAttribute(Qt::WA_MacShowFocusRect, false);
      field->setStyleSheet(
          QStringLiteral("QLineEdit { color: #0000ff; background: transparent; border: none;"
                         " }"));
      field->installEventFilter(this);
      control = field;
      break;
    }
    case form::Kind::kTabControl:
    case form::Kind::kTabPage:
      return nullptr;
  }
  control->setObjectName(Q(def.name));
  if (def.cursor != form::Cursor::kArrow) control->setCursor(CursorOf(def.cursor));
  if (def.transparent) control->setAttribute(Qt::WA_TranslucentBackground);
  for (const form::MenuDef& menu : form::Menus()) {
    if (!menu.owner.empty() && menu.owner == def.name) BuildMenu(menu, control);
  }
  return control;
}

void MainForm::BuildMenu(const form::MenuDef& def, QWidget* owner) {
  auto* menu = new QMenu(this);
  menu->setObjectName(Q(def.name));
  for (const form::MenuItemDef& item : def.items) {
    QAction* action = menu->addAction(QString());
    action->setObjectName(Q(item.name));
    action->setCheckable(item.checkable);
    connect(action, &QAction::triggered, this,
            [this, name = item.name] { logic_.OnMenuItem(name); });
  }
  owner->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(owner, &QWidget::customContextMenuRequested, this,
          [owner, menu](const QPoint& at) { menu->popup(owner->mapToGlobal(at)); });
  menus_.emplace_back(menu, &def);
}

}  // namespace quillenta
