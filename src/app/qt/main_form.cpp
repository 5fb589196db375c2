#include "app/qt/main_form.h"

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
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>
#include <algorithm>

#include "app/qt/file_chooser.h"
#include "form/form_layout.h"

namespace quillenta {

namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// What a control needs to show its whole caption.
int NeededWidth(const QWidget* control) {
  if (auto* button = qobject_cast<const QPushButton*>(control)) {
    return button->fontMetrics().horizontalAdvance(
               Q(form::PlainCaption(button->text().toStdString()))) +
           6;
  }
  if (auto* group = qobject_cast<const QGroupBox*>(control)) {
    return group->fontMetrics().horizontalAdvance(group->title()) + 16;
  }
  return control->sizeHint().width();
}

}  // namespace

QFont MainForm::UiFont() {
  // The platform theme's font, not QApplication::font(): the window sets that one to its own.
  if (InterfaceLanguage() != Language::kJapanese) {
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  }
  const QStringList families = QFontDatabase::families();
  QString family;
  for (std::string_view preferred : form::Window().font_families) {
    if (families.contains(Q(preferred))) {
      family = Q(preferred);
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
  font.setPixelSize(form::Window().font_pixel_size);
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
      chooser_(chooser),
      logic_(app.core(), *this) {
  if (chooser_ == nullptr) {
    own_chooser_ = std::make_unique<QtFileChooser>(this);
    chooser_ = own_chooser_.get();
  }
  const form::WindowDef& window = form::Window();
  setObjectName(Q(window.name));
  setWindowTitle(Q(window.caption));
  setWindowIcon(tray_.icon().icon());
  setFixedSize(window.client_width, window.client_height);
  tray_.SetMenuFont([] { return UiFont(); });
  language_changed_ = app_.core().language_changed.Subscribe([this](Language) { ShowLanguage(); });

  // Until the contents exist there are no widgets for the hooks to refresh; the build reads
  // the model afresh.
  settings_changed_ = app_.core().settings().changed.Subscribe(
      [this](const SettingChange& change) { OnSettingChanged(change); });
  order_changed_ = app_.core().order_editor().changed.Subscribe([this] {
    for (std::size_t index : logic_.OrderPositions()) Refresh(index);
  });

  tray_line_ = app_.core().tray_line_changed.Subscribe(
      [this](const std::string& line) {
        tray_.ShowLine(line);
        ShowPanelLabel();
      });
  // The tray's menu is drawn by the tray; what its items do is the form's.
  connect(&tray_, &TrayIcon::itemChosen, this,
          [this](const QString& item) { logic_.OnMenuItem(item.toStdString()); });
  connect(&tray_, &TrayIcon::noHost, this, [this] {
    if (isHidden()) ShowCentered();
  });
  // The icon goes with the program rather than lingering in the panel.
  connect(&app_, &Application::closed, this, [this] { tray_.RemoveTrayIcon(); });
}

void MainForm::EnsureBuilt() {
  if (built_) return;
  built_ = true;
  // Frames drawn through their captions, as the layout's positions assume: the caption sits
  // on the top line and the first row starts just below it.
  setStyleSheet(QStringLiteral(
      "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 7px; }"
      "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0px 2px; }"));

  const auto& controls = form::Controls();
  widgets_.assign(controls.size(), nullptr);
  const std::size_t tab_control = std::find_if(controls.begin(), controls.end(), [](auto& c) {
                                    return c.kind == form::Kind::kTabControl;
                                  }) - controls.begin();
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(Q(controls[tab_control].name));
  widgets_[tab_control] = tabs_;

  // A page joins the tab control once its contents are complete, as each page was laid out
  // on its own.
  QWidget* page = nullptr;
  auto close_page = [&] {
    if (page != nullptr) tabs_->addTab(page, QString());
    page = nullptr;
  };
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const form::ControlDef& def = controls[i];
    if (def.kind == form::Kind::kTabControl) continue;
    if (def.kind == form::Kind::kTabPage) {
      close_page();
      page = new QWidget;
      page->setObjectName(Q(def.name));
      widgets_[i] = page;
      continue;
    }
    if (def.page == -1) close_page();
    QWidget* parent = def.group.empty() ? (def.page == -1 ? this : page)
                                         : WidgetNamed(def.group);
    widgets_[i] = BuildControl(def, parent);
  }
  close_page();
  tabs_->setCurrentIndex(0);

  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (!controls[i].buddy.empty()) {
      static_cast<QLabel*>(widgets_[i])->setBuddy(WidgetNamed(controls[i].buddy));
    }
  }
  for (int chain = -1; chain < tabs_->count(); ++chain) {
    std::vector<const form::ControlDef*> focusable;
    for (const form::ControlDef& def : controls) {
      if (def.page == chain && def.tab_order >= 0) focusable.push_back(&def);
    }
    std::sort(focusable.begin(), focusable.end(),
              [](auto* a, auto* b) { return a->tab_order < b->tab_order; });
    for (std::size_t n = 1; n < focusable.size(); ++n) {
      setTabOrder(WidgetNamed(focusable[n - 1]->name), WidgetNamed(focusable[n]->name));
    }
  }
  ShowLanguage();
  for (std::size_t i = 0; i < controls.size(); ++i) Refresh(i);
}

void MainForm::ShowLanguage() {
  tray_.ShowLanguage();
  tray_.SetMenuFont([] { return UiFont(); });
  if (!built_) return;
  const QFont ui_font = UiFont();
  setFont(ui_font);
  // The dialogs the window opens (the file chooser) take the application's font.
  QApplication::setFont(ui_font);
  const auto& controls = form::Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const form::ControlDef& def = controls[i];
    QWidget* control = widgets_[i];
    if (control == nullptr) continue;
    const QString caption = Q(Tr(def.caption));
    switch (def.kind) {
      case form::Kind::kTabPage:
        tabs_->setTabText(tabs_->indexOf(control), caption);
        continue;
      case form::Kind::kGroupBox:
        static_cast<QGroupBox*>(control)->setTitle(caption);
        break;
      case form::Kind::kLabel:
        if (def.binding != form::Binding::kOrderPosition) static_cast<QLabel*>(control)->setText(caption);
        break;
      case form::Kind::kCheckBox:
      case form::Kind::kRadioButton:
      case form::Kind::kPushButton:
        static_cast<QAbstractButton*>(control)->setText(caption);
        break;
      case form::Kind::kLinkField:
        static_cast<QLineEdit*>(control)->setText(caption);
        static_cast<QLineEdit*>(control)->setCursorPosition(0);
        break;
      case form::Kind::kEdit:
      case form::Kind::kTabControl:
        break;
    }
    // Afresh each time, so that a caption narrowed in one language is not in the next. The
    // rest inherit, as the contents of a narrowed group always did.
    if (def.font.pixel_size != 0) {
      QFont face = ui_font;
      face.setPixelSize(def.font.pixel_size);
      face.setItalic(def.font.italic);
      control->setFont(face);
    } else {
      control->setFont(QFont());
    }
  }
  for (auto& [menu, menu_def] : menus_) {
    menu->setFont(ui_font);
    const QList<QAction*> actions = menu->actions();
    for (qsizetype n = 0; n < actions.size(); ++n) {
      actions[n]->setText(Q(Tr(menu_def->items[n].caption)));
    }
  }
  Relayout();
}

int MainForm::CaptionWidth(std::size_t index) const {
  const form::ControlDef& def = form::Controls()[index];
  const QWidget* control = widgets_[index];
  switch (def.kind) {
    case form::Kind::kTabPage:
      return tabs_->tabBar()->tabRect(tabs_->indexOf(const_cast<QWidget*>(control))).width();
    case form::Kind::kEdit:
    case form::Kind::kTabControl:
      return 0;
    case form::Kind::kLinkField:
      return control->fontMetrics().horizontalAdvance(static_cast<const QLineEdit*>(control)->text()) + 6;
    default:
      // A caption in a face of its own (the big version, the tiny dot) is scaled into its
      // room rather than widen the page.
      return def.font.pixel_size != 0 ? 0 : NeededWidth(control);
  }
}

void MainForm::Relayout() {
  const form::Layout layout = form::LayoutFor(
      InterfaceLanguage(), [this](std::size_t index) { return CaptionWidth(index); });
  const auto& controls = form::Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const form::ControlDef& def = controls[i];
    QWidget* control = widgets_[i];
    if (control == nullptr || def.kind == form::Kind::kTabPage) continue;
    const form::Rect& rect = layout.rects[i];
    QRect place(rect.x, rect.y, rect.width, rect.height);
    if (def.grows_left) {
      const int width = CaptionWidth(i);
      const int right = place.x() + place.width();
      place = QRect(std::min(place.x(), right - width), place.y(), std::max(place.width(), width),
                    place.height());
    }
    if (!def.left_of.empty()) {
      // Keeps clear of a neighbour that widened to the left.
      const int width = std::max(place.width(), control->fontMetrics().horizontalAdvance(
                                                    static_cast<QLabel*>(control)->text()) +
                                                    4);
      const QWidget* neighbour = WidgetNamed(def.left_of);
      place = QRect(std::min(place.x(), neighbour->x() - width), place.y(), width, place.height());
    }
    control->setGeometry(place);
    if (def.kind == form::Kind::kEdit || def.kind == form::Kind::kLinkField ||
        def.kind == form::Kind::kTabControl) {
      continue;
    }
    // A translation's display caption (the big version) is drawn in the desktop's face, whose
    // glyphs sit higher in the line than the CJK face's that its place above the page is
    // made for: it starts at the page's top and shrinks into its room; the Japanese one
    // narrows as any caption.
    if (def.font.pixel_size != 0 && InterfaceLanguage() != Language::kJapanese) {
      if (place.y() < 0) place.setTop(0);
      control->setGeometry(place);
      const double scale =
          std::min({1.0, double(place.width()) / NeededWidth(control),
                    double(place.height()) / control->fontMetrics().height()});
      QFont face = control->font();
      face.setPixelSize(std::max(1, int(def.font.pixel_size * scale)));
      control->setFont(face);
    }
    FitCaption(control);
  }
  setFixedSize(layout.client_width, layout.client_height);
}

void MainForm::setVisible(bool visible) {
  if (visible) EnsureBuilt();
  QWidget::setVisible(visible);
}

MainForm::~MainForm() = default;

QWidget* MainForm::WidgetNamed(std::string_view name) const {
  const std::size_t index = form::IndexOf(name);
  return index < widgets_.size() ? widgets_[index] : nullptr;
}

void MainForm::ShowPanelLabel() {
  tray_.ShowLabel(app_.core().settings().PanelLabel() ? app_.core().TrayLabel() : std::string());
}

void MainForm::OnSettingChanged(const SettingChange& change) {
  if (change.kind == SettingChange::Kind::kPanelLabel) ShowPanelLabel();
  for (std::size_t index : logic_.ShownBy(change)) Refresh(index);
}

void MainForm::Refresh(std::size_t index) {
  if (index >= widgets_.size() || widgets_[index] == nullptr) return;
  const form::ControlDef& def = form::Controls()[index];
  QWidget* widget = widgets_[index];
  switch (def.kind) {
    case form::Kind::kCheckBox: {
      auto* box = static_cast<QCheckBox*>(widget);
      QSignalBlocker block(box);
      box->setChecked(logic_.Checked(def));
      break;
    }
    case form::Kind::kRadioButton: {
      // Turning one on turns its siblings off; turning the chosen one off is not a choice.
      auto* radio = static_cast<QRadioButton*>(widget);
      if (logic_.Checked(def) && !radio->isChecked()) {
        QSignalBlocker block(radio);
        radio->setChecked(true);
      }
      break;
    }
    case form::Kind::kEdit: {
      auto* edit = static_cast<QLineEdit*>(widget);
      const QString text = QString::fromStdString(logic_.Text(def));
      if (edit->text() != text) {
        edit->setText(text);
        edit->setCursorPosition(0);
      }
      break;
    }
    case form::Kind::kLabel:
      if (def.binding == form::Binding::kOrderPosition) {
        static_cast<QLabel*>(widget)->setText(QString::fromStdString(logic_.Text(def)));
      }
      break;
    default:
      break;
  }
  if (def.extra_only) widget->setVisible(logic_.Visible(def));
  if (!def.popup_menu.empty()) {
    for (auto& [menu, menu_def] : menus_) {
      if (menu_def->owner != def.name) continue;
      const QList<QAction*> actions = menu->actions();
      for (qsizetype n = 0; n < actions.size(); ++n) {
        if (!menu_def->items[n].checkable) continue;
        QSignalBlocker block(actions[n]);
        actions[n]->setChecked(logic_.MenuChecked(menu_def->items[n].name));
      }
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

void MainForm::CloseWindow() { close(); }

void MainForm::EndProgram() { app_.FormClose(); }

void MainForm::ShowCentered() {
  // Each time it is shown, wherever the user moved it before.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
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
  const bool press = event->type() == QEvent::MouseButtonPress;
  // A double click's second press arrives as MouseButtonDblClick: no new press.
  if (field == nullptr || !(press || event->type() == QEvent::MouseButtonRelease) ||
      static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) {
    return QWidget::eventFilter(watched, event);
  }
  const std::string name = field->objectName().toStdString();
  const form::ControlDef* def = form::FindControl(name);
  if (def == nullptr || def->kind != form::Kind::kLinkField) {
    return QWidget::eventFilter(watched, event);
  }
  if (press) {
    logic_.OnLinkPressed(name);
  } else {
    field->setFocus(Qt::MouseFocusReason);
    field->selectAll();
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    logic_.OnLinkReleased(name, field->rect().contains(at));
  }
  return QWidget::eventFilter(watched, event);
}

void MainForm::OpenAddress(const std::string& address) {
  // Hands the link to the desktop (xdg-open) and does not wait for it.
  QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

void MainForm::CopyField(std::string_view control) {
  if (auto* field = qobject_cast<QLineEdit*>(WidgetNamed(control))) {
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    field->copy();
  }
}

}  // namespace quillenta
