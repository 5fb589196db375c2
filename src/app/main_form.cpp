#include "app/main_form.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>
#include <QUrl>

#include "app/file_chooser.h"

namespace quillenta {

namespace {

// "b52" -> "52": a control's number is its key's.
QString KeyNumber(const char* key_name) { return QString::fromLatin1(key_name + 1); }

QString Caption(const QString& text) {
  QString plain = text;
  plain.remove(QLatin1Char('&'));
  return plain;
}

// What a control needs to show its whole caption.
int NeededWidth(const QWidget* control) {
  if (auto* button = qobject_cast<const QPushButton*>(control)) {
    return button->fontMetrics().horizontalAdvance(Caption(button->text())) + 6;
  }
  if (auto* group = qobject_cast<const QGroupBox*>(control)) {
    return group->fontMetrics().horizontalAdvance(group->title()) + 16;
  }
  return control->sizeHint().width();
}

}  // namespace

QFont MainForm::UiFont() {
  const QStringList families = QFontDatabase::families();
  QString family;
  for (const char* preferred : {"ＭＳ Ｐゴシック", "MS PGothic", "Noto Sans CJK JP", "IPAPGothic",
                                "IPAexGothic", "VL PGothic", "TakaoPGothic"}) {
    if (families.contains(QString::fromUtf8(preferred))) {
      family = QString::fromUtf8(preferred);
      break;
    }
  }
  if (family.isEmpty()) {
    for (const QString& candidate : QFontDatabase::families(QFontDatabase::Japanese)) {
      if (!candidate.contains(QLatin1String("Serif")) &&
          !candidate.contains(QLatin1String("Mono")) &&
          !candidate.contains(QLatin1String("Mincho"))) {
        family = candidate;
        break;
      }
    }
  }
  QFont font(family.isEmpty() ? QApplication::font().family() : family);
  font.setPixelSize(12);
  return font;
}

void MainForm::FitCaption(QWidget* control) {
  if (NeededWidth(control) <= control->width()) return;
  // A narrower face keeps the caption whole and as tall as the rest; spacing is the fallback
  // for fonts the engine cannot stretch.
  QFont font = control->font();
  for (int stretch = 95; stretch >= 70 && NeededWidth(control) > control->width(); stretch -= 5) {
    font.setStretch(stretch);
    control->setFont(font);
  }
  for (double spacing = -0.5; spacing >= -2.0 && NeededWidth(control) > control->width();
       spacing -= 0.5) {
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    control->setFont(font);
  }
}

MainForm::MainForm(Application& app, FileChooser* chooser)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      app_(app),
      chooser_(chooser) {
  if (chooser_ == nullptr) {
    own_chooser_ = std::make_unique<QtFileChooser>(this);
    chooser_ = own_chooser_.get();
  }
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Quillenta"));
  setWindowIcon(tray_.icon().icon());
  setFixedSize(kClientWidth, kClientHeight);
  tray_.SetMenuFont([] { return UiFont(); });

  // Until the contents exist every control pointer is null and the hooks pass them by; the
  // build reads the model afresh.
  QPointer<MainForm> self(this);
  app_.settings().Subscribe([self](const SettingChange& change) {
    if (self) self->OnSettingChanged(change);
  });
  app_.order_editor().on_changed = [this] { RefreshOrderLabels(); };

  connect(&tray_, &TrayIcon::quitChosen, &app_, &Application::FormClose);
  connect(&tray_, &TrayIcon::settingsChosen, this, &MainForm::ShowFromTray);
  connect(&tray_, &TrayIcon::noHost, this, [this] {
    if (isHidden()) ShowCentered();
  });
  // The icon goes with the program rather than lingering in the panel.
  connect(&app_, &Application::closed, this, [this] { tray_.RemoveTrayIcon(); });
}

void MainForm::EnsureBuilt() {
  if (built_) return;
  built_ = true;
  const QFont ui_font = UiFont();
  setFont(ui_font);
  // The dialogs the window opens (the file chooser) take the application's font.
  QApplication::setFont(ui_font);
  // Frames drawn through their captions, as the layout's positions assume: the caption sits
  // on the top line and the first row starts just below it.
  setStyleSheet(QStringLiteral(
      "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 7px; }"
      "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0px 2px; }"));

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("PageControl1"));
  tabs_->setGeometry(1, 0, 641, 249);
  tabs_->addTab(BuildOrderTab(), QStringLiteral("順番"));
  tabs_->addTab(BuildContentTab1(), QStringLiteral("内容1"));
  tabs_->addTab(BuildContentTab2(), QStringLiteral("内容２"));
  tabs_->addTab(BuildWatchTab(), QStringLiteral("時間監視"));
  tabs_->addTab(BuildAboutTab(), QStringLiteral("Quillentaについて"));
  tabs_->setCurrentIndex(0);
  BuildBottomRow();

  SyncByteUnit();
  SyncExtraMode();
  SyncCombined();
  RefreshOrderLabels();
}

void MainForm::setVisible(bool visible) {
  if (visible) EnsureBuilt();
  QWidget::setVisible(visible);
}

MainForm::~MainForm() { app_.order_editor().on_changed = nullptr; }

void MainForm::BuildBottomRow() {
  QPushButton* ok =
      AddButton(this, QStringLiteral("Button51"), QStringLiteral("&OK"), QRect(168, 256, 97, 25));
  QPushButton* reload = AddButton(this, QStringLiteral("Button52"), QStringLiteral("元に戻す(&R)"),
                                  QRect(272, 256, 97, 25));
  QPushButton* quit = AddButton(this, QStringLiteral("Button53"), QStringLiteral("終了(&X)"),
                                QRect(376, 256, 97, 25));
  QCheckBox* at_start =
      AddCheck(this, FlagKey::b49, QStringLiteral("起動ごとに設定"), QRect(488, 253, 113, 25));
  connect(ok, &QPushButton::clicked, this, [this] {
    HideToTray();
    app_.SaveSettings();
  });
  connect(reload, &QPushButton::clicked, this, [this] {
    Guarded([this] { app_.LoadSettings(); });
    RefreshOrderLabels();
  });
  connect(quit, &QPushButton::clicked, this, &QWidget::close);
  setTabOrder(ok, reload);
  setTabOrder(reload, quit);
  setTabOrder(quit, at_start);
  setTabOrder(at_start, tabs_);
}

QGroupBox* MainForm::AddGroup(QWidget* parent, const QString& title, QRect geometry) {
  auto* group = new QGroupBox(title, parent);
  group->setGeometry(geometry);
  FitCaption(group);
  return group;
}

QCheckBox* MainForm::AddCheck(QWidget* parent, FlagKey key, const QString& caption,
                              QRect geometry) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(QStringLiteral("CheckBox") + KeyNumber(Def(key).name));
  box->setGeometry(geometry);
  box->setChecked(app_.settings().Flag(key));
  FitCaption(box);
  checks_[Settings::Index(key)] = box;
  connect(box, &QCheckBox::toggled, this,
          [this, key](bool on) { app_.settings().SetFlag(key, on); });
  return box;
}

QLineEdit* MainForm::AddEdit(QWidget* parent, TextKey key, QRect geometry) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QStringLiteral("Edit") + KeyNumber(Def(key).name));
  edit->setGeometry(geometry);
  edit->setText(QString::fromStdString(app_.settings().Text(key)));
  edit->setCursorPosition(0);
  edits_[Settings::Index(key)] = edit;
  // textEdited, not textChanged: a text the model sets must not echo back as an edit.
  connect(edit, &QLineEdit::textEdited, this,
          [this, key](const QString& text) { app_.settings().SetText(key, text.toStdString()); });
  return edit;
}

QLineEdit* MainForm::AddLabeledEdit(QWidget* parent, TextKey key, const QString& caption, int x,
                                    int y, int caption_width, int edit_width) {
  QLabel* label = AddLabel(parent, caption, QRect(x, y, caption_width, 21));
  QLineEdit* edit = AddEdit(parent, key, QRect(x + caption_width, y, edit_width, 21));
  label->setBuddy(edit);
  return edit;
}

QLabel* MainForm::AddLabel(QWidget* parent, const QString& text, QRect geometry) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(geometry);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  FitCaption(label);
  return label;
}

QPushButton* MainForm::AddButton(QWidget* parent, const QString& name, const QString& caption,
                                 QRect geometry) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setGeometry(geometry);
  // Enter in a field must press nothing.
  button->setAutoDefault(false);
  button->setDefault(false);
  FitCaption(button);
  return button;
}

void MainForm::Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    app_.errors().Report(error.what());
  }
}

void MainForm::OnSettingChanged(const SettingChange& change) {
  switch (change.kind) {
    case SettingChange::Kind::kFlag:
      if (QCheckBox* box = checks_[Settings::Index(change.flag)]) {
        QSignalBlocker block(box);
        box->setChecked(app_.settings().Flag(change.flag));
      }
      break;
    case SettingChange::Kind::kText:
      if (QLineEdit* edit = edits_[Settings::Index(change.text)]) {
        const QString text = QString::fromStdString(app_.settings().Text(change.text));
        if (edit->text() != text) {
          edit->setText(text);
          edit->setCursorPosition(0);
        }
      }
      break;
    case SettingChange::Kind::kByteUnit:
      SyncByteUnit();
      break;
    case SettingChange::Kind::kExtraMode:
      SyncExtraMode();
      break;
    case SettingChange::Kind::kCombined:
      SyncCombined();
      break;
  }
}

void MainForm::SyncByteUnit() {
  QRadioButton* chosen = unit_buttons_[static_cast<int>(app_.settings().Unit()) - 1];
  if (chosen == nullptr || chosen->isChecked()) return;
  QSignalBlocker block(chosen);
  chosen->setChecked(true);
}

void MainForm::SyncExtraMode() {
  const bool on = app_.settings().ExtraMode();
  if (extra_action_ != nullptr) {
    QSignalBlocker block(extra_action_);
    extra_action_->setChecked(on);
  }
  if (combined_received_ != nullptr) combined_received_->setVisible(on);
  if (combined_sent_ != nullptr) combined_sent_->setVisible(on);
}

void MainForm::SyncCombined() {
  for (auto [box, on] : {std::pair{combined_received_, app_.settings().CombinedReceived()},
                         std::pair{combined_sent_, app_.settings().CombinedSent()}}) {
    if (box == nullptr) continue;
    QSignalBlocker block(box);
    box->setChecked(on);
  }
}

void MainForm::RefreshOrderLabels() {
  for (int code = 1; code <= kItemCodeCount; ++code) {
    if (QLabel* label = position_labels_[code]) {
      label->setText(QString::fromStdString(app_.order_editor().Label(code)));
    }
  }
}

void MainForm::HideToTray() {
  tray_.AddTrayIcon();
  hide();
}

void MainForm::ShowAtStart() { ShowCentered(); }

void MainForm::ShowFromTray() {
  tray_.RemoveTrayIcon();
  ShowCentered();
  raise();
  activateWindow();
}

void MainForm::ShowCentered() {
  if (!placed_) {
    placed_ = true;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect area = screen->availableGeometry();
      move(area.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }
  }
  show();
}

void MainForm::closeEvent(QCloseEvent* event) {
  event->accept();
  app_.FormClose();
}

void MainForm::keyPressEvent(QKeyEvent* event) {
  // Neither Enter nor Escape is a shortcut of this window.
  event->accept();
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
  auto* field = qobject_cast<QLineEdit*>(watched);
  if (field != nullptr && (field == mail_field_ || field == web_field_) &&
      event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    OpenLink(field);
  }
  return QWidget::eventFilter(watched, event);
}

void MainForm::OpenLink(QLineEdit* field) {
  field->setFocus(Qt::MouseFocusReason);
  field->selectAll();
  QUrl url =
      field == mail_field_ ? QUrl(QStringLiteral("mailto:") + field->text()) : QUrl(field->text());
  // Hands the link to the desktop (xdg-open) and does not wait for it.
  QDesktopServices::openUrl(url);
}

}  // namespace quillenta
