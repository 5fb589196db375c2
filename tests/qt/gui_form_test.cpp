// The settings window on the live settings model, the tray's menu and the error box.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <memory>

#include "app/qt/app_icon.h"
#include "app/qt/application.h"
#include "app/qt/error_box.h"
#include "app/qt/main_form.h"
#include "form/form_layout.h"
#include "fakes.h"
#include "platform/linux/profile_store_linux.h"

using namespace quillenta;
using namespace quillenta::testing;

// Receives the links the About tab hands to the desktop.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public slots:
  void Open(const QUrl& url) { urls.append(url); }
};

class GuiFormTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString ini_;
  RecordingErrorReport errors_;
  FakeFileChooser* chooser_ = nullptr;
  std::unique_ptr<FakeFileChooser> chooser_owner_;
  FakeLauncher* launcher_ = nullptr;
  FakeWindowSystem* windows_ = nullptr;
  std::unique_ptr<Application> app_;
  std::unique_ptr<MainForm> form_;

  void WriteIni(const QByteArray& body) {
    QFile file(ini_);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Quillenta]\r\n" + body);
  }
  QByteArray ReadIni() {
    QFile file(ini_);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
  }
  // Builds the program as start-up does, with the settings file in a private folder, on a
  // system that asks for `system_language`; `override` as --lang gives it.
  void Start(Language system_language, std::optional<Language> override = std::nullopt) {
    Platform platform;
    platform.system_language = system_language;
    platform.language_override = override;
    auto windows = std::make_unique<FakeWindowSystem>();
    windows_ = windows.get();
    platform.windows = std::move(windows);
    platform.clock = std::make_unique<FakeClock>();
    platform.locale = std::make_unique<FakeLocale>();
    platform.memory = std::make_unique<FakeMemoryProbe>();
    platform.battery = std::make_unique<FakeBatteryProbe>();
    platform.cpu = std::make_unique<FakeCpuUsageSource>();
    platform.links = std::make_unique<FakeDialupLinks>();
    platform.free_resources = std::make_unique<FakeFreeResources>();
    auto launcher = std::make_unique<FakeLauncher>();
    launcher_ = launcher.get();
    platform.launcher = std::move(launcher);
    platform.profile = std::make_unique<LinuxProfileStore>(ini_.toStdString());
    app_ = std::make_unique<Application>(std::move(platform), errors_);
    chooser_owner_ = std::make_unique<FakeFileChooser>();
    chooser_ = chooser_owner_.get();
    form_ = std::make_unique<MainForm>(*app_, chooser_);
    app_->FormCreate(form_.get());
  }
  template <typename T>
  T* Find(const QString& name) {
    T* widget = form_->findChild<T*>(name);
    if (widget == nullptr) qWarning("no control %s", qPrintable(name));
    return widget;
  }
  QLineEdit* EditOf(const char* key) { return Find<QLineEdit>(QStringLiteral("Edit") + (key + 1)); }
  QCheckBox* CheckOf(const char* key) {
    return Find<QCheckBox>(QStringLiteral("CheckBox") + (key + 1));
  }
  // Replaces a field's text the way a user does: select all, type.
  // Japanese text arrives from the input method as a committed string.
  static void Retype(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(edit, &commit);
  }
  // A sample tick and a work tick: the line is composed from the model as it stands.
  std::string NextLine() {
    app_->core().Timer1Timer();
    app_->core().Timer1Timer();
    return app_->core().engine().Line();
  }
  static QString Text(const QRect& r) {
    return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
  }
  QString Label(int code) {
    return Find<QLabel>(QStringLiteral("PositionLabel%1").arg(code))->text();
  }

  // Every caption shows whole, and no control sticks out of its group or covers another.
  void CheckFitAndNoOverlap() {
    QTabBar* bar = form_->tabs()->tabBar();
    QVERIFY2(bar->tabRect(bar->count() - 1).right() < bar->width(), "the tabs need scrolling");
    for (QWidget* control : form_->findChildren<QWidget*>()) {
      int needed = 0;
      QString caption;
      if (qobject_cast<QToolButton*>(control)) continue;  // the tab bar's own scroll arrows
      if (auto* button = qobject_cast<QPushButton*>(control)) {
        caption = button->text().remove('&');
        needed = button->fontMetrics().horizontalAdvance(caption) + 6;
      } else if (auto* box = qobject_cast<QAbstractButton*>(control)) {
        caption = box->text();
        needed = box->sizeHint().width();
      } else if (auto* label = qobject_cast<QLabel*>(control)) {
        caption = label->text();
        if (caption.isEmpty() || label->objectName().startsWith("PositionLabel")) continue;
        needed = label->sizeHint().width();
      } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        caption = group->title();
        needed = group->fontMetrics().horizontalAdvance(caption) + 16;
      } else {
        continue;
      }
      QVERIFY2(needed <= control->width(), qPrintable(QStringLiteral("%1 needs %2, has %3")
                                                          .arg(caption)
                                                          .arg(needed)
                                                          .arg(control->width())));
      // A translation gets the room it needs; only the classic Japanese layout narrows a face.
      if (InterfaceLanguage() != Language::kJapanese) {
        const QFont face = control->font();
        QVERIFY2((face.stretch() == 0 || face.stretch() == 100) && face.letterSpacing() == 0,
                 qPrintable(caption + " squeezed"));
      }
    }
    QList<QWidget*> parents = {form_.get()};
    for (QWidget* widget : form_->findChildren<QWidget*>()) {
      if (qobject_cast<QGroupBox*>(widget) || widget->objectName().startsWith("TabSheet"))
        parents << widget;
    }
    for (QWidget* parent : parents) {
      // The tab control sizes only the page it shows.
      if (parent->objectName().startsWith("TabSheet")) form_->tabs()->setCurrentWidget(parent);
      QList<QWidget*> children;
      for (QObject* object : parent->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        // The big version caption lies under the tiny "." and the links by design.
        if (child == nullptr || child->isWindow() || child->objectName() == "VersionLabel")
          continue;
        // A position label (33 high) reaches one pixel into its button 32 below its top.
        if (child->objectName().startsWith("PositionLabel")) continue;
        QVERIFY2(parent->rect().contains(child->geometry()),
                 qPrintable(QStringLiteral("%1 %2 outside %3 %4")
                                .arg(child->objectName(), Text(child->geometry()),
                                     parent->objectName(), Text(parent->rect()))));
        children << child;
      }
      for (int i = 0; i < children.size(); ++i) {
        for (int j = i + 1; j < children.size(); ++j) {
          QVERIFY2(!children[i]->geometry().intersects(children[j]->geometry()),
                   qPrintable(children[i]->objectName() + Text(children[i]->geometry()) + " / " +
                              children[j]->objectName() + Text(children[j]->geometry()) + " in " +
                              parent->objectName()));
        }
      }
    }
  }

  // Every caption the window and the menus show that a catalogue translates, by the name
  // of its control or menu item.
  QList<QPair<QString, QString>> TranslatedCaptions() {
    QList<QPair<QString, QString>> captions;
    for (const form::ControlDef& def : form::Controls()) {
      if (def.caption.context.empty()) continue;
      const QString name = QString::fromStdString(def.name);
      QString text;
      if (def.kind == form::Kind::kTabPage) {
        text = form_->tabs()->tabText(form_->tabs()->indexOf(Find<QWidget>(name)));
      } else if (auto* group = form_->findChild<QGroupBox*>(name)) {
        text = group->title();
      } else if (auto* label = form_->findChild<QLabel*>(name)) {
        text = label->text();
      } else if (auto* button = form_->findChild<QAbstractButton*>(name)) {
        text = button->text();
      }
      captions.append({name, text});
    }
    QList<QMenu*> menus = form_->findChildren<QMenu*>();
    menus << &form_->tray().menu();
    for (QMenu* menu : menus) {
      for (QAction* action : menu->actions()) captions.append({action->objectName(), action->text()});
    }
    return captions;
  }
  static bool HasJapanese(const QString& text) {
    for (QChar c : text) {
      const char16_t u = c.unicode();
      if ((u >= 0x3000 && u <= 0x30FF) || (u >= 0x3400 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF))
        return true;
    }
    return false;
  }
  void CheckNoJapaneseCaption() {
    const auto captions = TranslatedCaptions();
    QVERIFY(captions.size() > 100);
    for (const auto& [name, text] : captions) {
      QVERIFY2(!text.isEmpty() && !HasJapanese(text), qPrintable(name + ": " + text));
    }
  }
  // Where each control of the window lies, by name.
  QMap<QString, QRect> Geometry() {
    QMap<QString, QRect> places;
    for (const form::ControlDef& def : form::Controls()) {
      if (def.kind == form::Kind::kTabPage) continue;
      const QString name = QString::fromStdString(def.name);
      places[name] = Find<QWidget>(name)->geometry();
    }
    return places;
  }

 private slots:
  void init() {
    QVERIFY(dir_.isValid());
    ini_ = dir_.filePath(QStringLiteral("quillenta.INI"));
    QFile::remove(ini_);
    errors_.messages.clear();
  }
  void cleanup() {
    form_.reset();
    app_.reset();
  }

  // Without b49 the window's contents wait for the first "設定"; what they then show is the
  // model as it stands, with every change made meanwhile, and they are bound both ways.
  void contentsAreBuiltAtFirstShowFromTheModel() {
    WriteIni("b49=0\r\nb48=1\r\ni34=2\r\nb52=0\r\ns52=\"H\"\r\n");
    Start(Language::kEnglish);  // the file without a language keeps Japanese
    QVERIFY(!form_->Built());
    QVERIFY(form_->tabs() == nullptr);
    QVERIFY(form_->findChildren<QWidget*>().isEmpty());
    QVERIFY(form_->tray().Present());
    // Changes while nothing is built: the hooks find no widgets and the model keeps them.
    app_->core().settings().SetText(TextKey::s53, "X");
    app_->core().settings().SetFlag(FlagKey::b58, false);  // the unit text follows in the model
    app_->core().settings().SetCombinedReceived(true);
    app_->core().order_editor().ClearSequence();
    for (int code : {9, 2, 5}) app_->core().order_editor().Click(code);
    QCOMPARE(app_->core().settings().Text(TextKey::s67), std::string("bytes "));
    QVERIFY(!form_->Built());

    form_->tray().menu().actions().at(1)->trigger();  // "設定"
    QVERIFY(form_->Built());
    QVERIFY(form_->isVisible());
    QVERIFY(!form_->tray().Present());
    QCOMPARE(form_->tabs()->currentIndex(), 0);
    for (const FlagDef& def : kFlagTable) {
      if (def.key == FlagKey::b48) continue;
      QVERIFY2(CheckOf(def.name)->isChecked() == app_->core().settings().Flag(def.key), def.name);
    }
    for (const TextDef& def : kTextTable) {
      QCOMPARE(EditOf(def.name)->text(), QString::fromStdString(app_->core().settings().Text(def.key)));
    }
    QCOMPARE(EditOf("s52")->text(), QStringLiteral("H"));
    QCOMPARE(EditOf("s53")->text(), QStringLiteral("X"));
    QCOMPARE(EditOf("s67")->text(), QStringLiteral("bytes "));
    QVERIFY(!CheckOf("b52")->isChecked());
    QVERIFY(!CheckOf("b58")->isChecked());
    QVERIFY(Find<QRadioButton>("RadioButton2")->isChecked());
    QVERIFY(!Find<QRadioButton>("RadioButton1")->isChecked());
    QVERIFY(!Find<QCheckBox>("CheckBox47")->isHidden());
    QVERIFY(Find<QCheckBox>("CheckBox47")->isChecked());
    QVERIFY(!Find<QCheckBox>("CheckBox48")->isChecked());
    QVERIFY(Find<QMenu>("PopupMenu3")->actions().first()->isChecked());
    for (int code = 1; code <= kItemCodeCount; ++code) {
      QCOMPARE(Label(code), QString::fromStdString(app_->core().order_editor().Label(code)));
    }
    QCOMPARE(Label(9) + Label(2) + Label(5), QStringLiteral("123"));

    // Bound both ways from here on.
    CheckOf("b58")->click();
    QCOMPARE(EditOf("s67")->text(), QStringLiteral("% "));
    QVERIFY(app_->core().settings().Flag(FlagKey::b58));
    app_->core().settings().SetText(TextKey::s54, "M");
    QCOMPARE(EditOf("s54")->text(), QStringLiteral("M"));
    app_->core().settings().ToggleExtra();
    QVERIFY(Find<QCheckBox>("CheckBox47")->isHidden());
    app_->core().order_editor().Click(9);
    QCOMPARE(Label(9), QString());
    QCOMPARE(Label(2), QStringLiteral("1"));
    // A second showing builds nothing new.
    const int controls = form_->findChildren<QWidget*>().size();
    Find<QPushButton>("Button51")->click();
    form_->ShowFromTray();
    QCOMPARE(form_->findChildren<QWidget*>().size(), controls);
  }

  // The tray menu opens in its Japanese font with the window still unbuilt.
  void trayMenuNeedsNoWindow() {
    WriteIni("b49=0\r\n");
    Start(Language::kEnglish);  // the file without a language keeps Japanese
    QMenu& menu = form_->tray().menu();
    emit form_->tray().icon().activated(QSystemTrayIcon::Context);
    QVERIFY(menu.isVisible());
    QCOMPARE(menu.font().family(), MainForm::UiFont().family());
    QCOMPARE(menu.font().pixelSize(), 12);
    menu.hide();
    QSignalSpy closed(app_.get(), &Application::closed);
    menu.actions().at(0)->trigger();  // "終了"
    QCOMPARE(closed.count(), 1);
    QVERIFY(!form_->tray().Present());
    QVERIFY(!form_->Built());
    QVERIFY(form_->isHidden());
  }

  void windowFrameAndTabs() {
    Start(Language::kJapanese);
    QCOMPARE(form_->windowTitle(), QStringLiteral("Quillenta"));
    QCOMPARE(form_->size(), QSize(644, 285));
    QCOMPARE(form_->minimumSize(), form_->maximumSize());
    QTabWidget* tabs = form_->tabs();
    QCOMPARE(tabs->geometry(), QRect(1, 0, 641, 249));
    const QStringList names = {"順番", "内容1", "内容２", "時間監視", "Quillentaについて"};
    QCOMPARE(tabs->count(), names.size());
    for (int i = 0; i < names.size(); ++i) QCOMPARE(tabs->tabText(i), names[i]);
    QCOMPARE(tabs->currentIndex(), 0);
    const struct {
      const char* name;
      const char* caption;
      QRect geometry;
    } bottom[] = {{"Button51", "&OK", QRect(168, 256, 97, 25)},
                  {"Button52", "元に戻す(&R)", QRect(272, 256, 97, 25)},
                  {"Button53", "終了(&X)", QRect(376, 256, 97, 25)},
                  {"CheckBox49", "起動ごとに設定", QRect(488, 253, 113, 25)}};
    for (const auto& row : bottom) {
      auto* control = Find<QAbstractButton>(row.name);
      QVERIFY(control != nullptr);
      QCOMPARE(control->text(), QString::fromUtf8(row.caption));
      QCOMPARE(control->geometry(), row.geometry);
    }
    // Tab walks the bottom row, then into the tab control.
    form_->show();
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    Find<QWidget>("Button51")->setFocus();
    for (const char* next : {"Button52", "Button53", "CheckBox49"}) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(next));
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(tabs->isAncestorOf(QApplication::focusWidget()));
    for (auto* button : form_->findChildren<QPushButton*>()) {
      QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
    }
  }

  void controlsShowKeysAndDefaultsAfterLoadWithoutFile() {
    Start(Language::kJapanese);
    for (const FlagDef& def : kFlagTable) {
      if (def.key == FlagKey::b48) continue;  // the "おまけ" menu item
      QCheckBox* box = CheckOf(def.name);
      QVERIFY2(box != nullptr, def.name);
      QVERIFY2(box->isChecked() == def.default_value, def.name);
    }
    for (const TextDef& def : kTextTable) {
      QLineEdit* edit = EditOf(def.name);
      QVERIFY2(edit != nullptr, def.name);
      QCOMPARE(edit->text(), QString::fromUtf8(def.default_value));
    }
    QVERIFY(Find<QRadioButton>("RadioButton1")->isChecked());
    QVERIFY(Find<QCheckBox>("CheckBox47")->isHidden());
    QVERIFY(Find<QCheckBox>("CheckBox48")->isHidden());
    QVERIFY(!Find<QMenu>("PopupMenu3")->actions().first()->isChecked());
    for (int code = 1; code <= kItemCodeCount; ++code) QCOMPARE(Label(code), QString::number(code));
    // The load turned the periodic save on through the model.
    QVERIFY(app_->core().settings().Flag(FlagKey::b76));
    // Every control the window is driven by is there by name.
    QStringList names = {"SpeedButton1", "SpeedButton2", "SpeedButton10", "RadioButton2",
                         "RadioButton3"};
    for (int n = 11; n <= 31; ++n) names << QStringLiteral("SpeedButton%1").arg(n);
    for (int n = 61; n <= 66; ++n) names << QStringLiteral("BitBtn%1").arg(n);
    for (const QString& name : names)
      QVERIFY2(Find<QAbstractButton>(name) != nullptr, qPrintable(name));
    QCOMPARE(Find<QAbstractButton>("SpeedButton10")->text(), QStringLiteral("クリア(C)"));
    QCOMPARE(Find<QAbstractButton>("SpeedButton24")->text(), QStringLiteral("Systemﾘｿｰｽ"));
  }

  void captionsFitAndNothingOverlaps_data() {
    QTest::addColumn<int>("system");
    QTest::addColumn<int>("override");
    QTest::newRow("Japanese") << int(Language::kJapanese) << -1;
    QTest::newRow("English") << int(Language::kEnglish) << -1;
    QTest::newRow("pseudo") << int(Language::kJapanese) << int(Language::kPseudo);
  }
  void captionsFitAndNothingOverlaps() {
    QFETCH(int, system);
    QFETCH(int, override);
    Start(static_cast<Language>(system),
          override < 0 ? std::nullopt : std::optional(static_cast<Language>(override)));
    // Shown, so that the tab control has sized its pages.
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    CheckFitAndNoOverlap();
    if (InterfaceLanguage() == Language::kEnglish) {
      CheckNoJapaneseCaption();
      QCOMPARE(form_->font().family(),
               QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    }
  }

  void newYearPrefixShowsInTheNextLineBeforeOk() {
    Start(Language::kJapanese);
    app_->core().order_editor().ClearSequence();
    app_->core().order_editor().Click(2);
    const std::string before = NextLine();
    QVERIFY(before.rfind("20", 0) == 0);
    Retype(EditOf("s52"), QStringLiteral("令和"));
    QCOMPARE(app_->core().settings().Text(TextKey::s52), std::string("令和"));
    QCOMPARE(NextLine(), "令和" + before.substr(2));
    QVERIFY(ReadIni().isEmpty());
  }

  void percentSwitchReplacesTypedUnit() {
    Start(Language::kJapanese);
    QLineEdit* unit = EditOf("s67");
    Retype(unit, QStringLiteral("MB"));
    QCOMPARE(app_->core().settings().Text(TextKey::s67), std::string("MB"));
    CheckOf("b58")->click();
    QCOMPARE(unit->text(), QStringLiteral("bytes "));
    QCOMPARE(app_->core().settings().Text(TextKey::s67), std::string("bytes "));
    CheckOf("b58")->click();
    QCOMPARE(unit->text(), QStringLiteral("% "));
    // The other memory groups follow their own switches only.
    QCOMPARE(EditOf("s74")->text(), QStringLiteral("% "));
    CheckOf("b64")->click();
    QCOMPARE(EditOf("s76")->text(), QStringLiteral("bytes "));
    QCOMPARE(EditOf("s74")->text(), QStringLiteral("% "));
  }

  void choosingKbTwiceKeepsATypedUnit() {
    Start(Language::kJapanese);
    auto* kb = Find<QRadioButton>("RadioButton2");
    kb->click();
    QCOMPARE(EditOf("s96")->text(), QStringLiteral("KB "));
    QCOMPARE(EditOf("s98")->text(), QStringLiteral("KB "));
    QCOMPARE(app_->core().settings().Unit(), ByteUnit::kKilobytes);
    Retype(EditOf("s96"), QStringLiteral("kilo "));
    kb->click();
    QCOMPARE(EditOf("s96")->text(), QStringLiteral("kilo "));
    QCOMPARE(app_->core().settings().Text(TextKey::s96), std::string("kilo "));
    Find<QRadioButton>("RadioButton3")->click();
    QCOMPARE(EditOf("s96")->text(), QStringLiteral("MB "));
    QVERIFY(!kb->isChecked());
  }

  void reloadSetsExtraModeFromTheFile_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("visible");
    QTest::newRow("b48 off") << QByteArray("b48=0\r\n") << false;
    QTest::newRow("b48 missing") << QByteArray() << false;
    QTest::newRow("b48 on") << QByteArray("b48=1\r\n") << true;
  }
  void reloadSetsExtraModeFromTheFile() {
    QFETCH(QByteArray, stored);
    QFETCH(bool, visible);
    WriteIni(stored);
    Start(Language::kJapanese);
    QAction* extra = Find<QMenu>("PopupMenu3")->actions().first();
    QCOMPARE(extra->text(), QStringLiteral("おまけ"));
    QCOMPARE(!Find<QCheckBox>("CheckBox47")->isHidden(), visible);
    extra->trigger();  // the user flips the extra mode
    QCOMPARE(!Find<QCheckBox>("CheckBox47")->isHidden(), !visible);
    QCOMPARE(!Find<QCheckBox>("CheckBox48")->isHidden(), !visible);
    QCOMPARE(extra->isChecked(), !visible);
    Find<QPushButton>("Button52")->click();
    QCOMPARE(!Find<QCheckBox>("CheckBox47")->isHidden(), visible);
    QCOMPARE(!Find<QCheckBox>("CheckBox48")->isHidden(), visible);
    QCOMPARE(extra->isChecked(), visible);
  }

  void reloadBringsBackFieldsAndOrder() {
    WriteIni("s52=\"H\"\r\nb52=0\r\ni34=3\r\n");
    Start(Language::kJapanese);
    QCOMPARE(EditOf("s52")->text(), QStringLiteral("H"));
    QVERIFY(Find<QRadioButton>("RadioButton3")->isChecked());
    Retype(EditOf("s52"), QStringLiteral("X"));
    CheckOf("b52")->click();
    Find<QRadioButton>("RadioButton1")->click();
    Find<QPushButton>("SpeedButton10")->click();
    QCOMPARE(Label(1), QString());
    Find<QPushButton>("Button52")->click();
    QCOMPARE(EditOf("s52")->text(), QStringLiteral("H"));
    QVERIFY(!CheckOf("b52")->isChecked());
    QVERIFY(Find<QRadioButton>("RadioButton3")->isChecked());
    QCOMPARE(Label(21), QStringLiteral("21"));
  }

  void combinedSwitchesReachTheModel() {
    WriteIni("b48=1\r\n");
    Start(Language::kJapanese);
    Find<QCheckBox>("CheckBox47")->click();
    QVERIFY(app_->core().settings().CombinedReceived());
    QVERIFY(!app_->core().settings().CombinedSent());
    Find<QCheckBox>("CheckBox48")->click();
    QVERIFY(app_->core().settings().CombinedSent());
  }

  void enterAndEscapePressNothing() {
    Start(Language::kJapanese);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QLineEdit* field = EditOf("s52");
    field->setFocus();
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QTest::keyClick(field, static_cast<Qt::Key>(key));
      QTest::keyClick(form_.get(), static_cast<Qt::Key>(key));
    }
    QVERIFY(form_->isVisible());
    QVERIFY(ReadIni().isEmpty());
    QVERIFY(form_->tray().Present());  // the start-up icon stays beside the window
  }

  void tabSurvivesHideAndShow() {
    Start(Language::kJapanese);
    form_->show();
    form_->tabs()->setCurrentIndex(3);
    Find<QPushButton>("Button51")->click();
    QVERIFY(form_->isHidden());
    QVERIFY(form_->tray().Present());
    form_->tray().menu().actions().at(1)->trigger();  // "設定"
    QVERIFY(form_->isVisible());
    QVERIFY(!form_->tray().Present());
    QCOMPARE(form_->tabs()->currentIndex(), 3);
  }

  void shownCentredEachTime() {
    Start(Language::kJapanese);
    form_->ShowFromTray();
    const QPoint centred = form_->pos();
    QVERIFY(centred != QPoint(3, 3));
    form_->move(3, 3);
    Find<QPushButton>("Button51")->click();
    form_->ShowFromTray();
    QCOMPARE(form_->pos(), centred);
  }

  void okHidesThenSavesAndAddsOneIcon() {
    Start(Language::kJapanese);
    form_->ShowFromTray();
    QVERIFY(!form_->tray().icon().isVisible());
    Retype(EditOf("s53"), QStringLiteral("年"));
    auto* ok = Find<QPushButton>("Button51");
    ok->click();
    QVERIFY(form_->isHidden());
    QVERIFY(form_->tray().icon().isVisible());
    QVERIFY(ReadIni().contains("s53=\"年\""));
    ok->click();
    QVERIFY(form_->tray().Present());
    form_->ShowFromTray();
    QVERIFY(!form_->tray().icon().isVisible());  // one removal takes the one icon away
    QVERIFY(errors_.messages.empty());
  }

  void quitEndsWithoutSaving() {
    Start(Language::kJapanese);
    form_->ShowAtStart();
    QSignalSpy closed(app_.get(), &Application::closed);
    Retype(EditOf("s53"), QStringLiteral("x"));
    Find<QPushButton>("Button53")->click();
    QCOMPARE(closed.count(), 1);
    QVERIFY(form_->isHidden());
    QVERIFY(ReadIni().isEmpty());
    QVERIFY(!form_->tray().Present());  // the icon leaves with the program
  }

  void closeBoxAndTrayQuitEndTheProgram() {
    Start(Language::kJapanese);
    form_->show();
    QSignalSpy closed(app_.get(), &Application::closed);
    form_->close();
    QCOMPARE(closed.count(), 1);
    cleanup();
    Start(Language::kJapanese);
    QSignalSpy closed_by_menu(app_.get(), &Application::closed);
    form_->tray().menu().actions().at(0)->trigger();  // "終了"
    QCOMPARE(closed_by_menu.count(), 1);
  }

  void trayPressesOpenTheMenuAtTheCursor_data() {
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("opens");
    QTest::newRow("left press") << int(QSystemTrayIcon::Trigger) << true;
    QTest::newRow("right press") << int(QSystemTrayIcon::Context) << true;
    QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << false;
    QTest::newRow("middle") << int(QSystemTrayIcon::MiddleClick) << false;
  }
  void trayPressesOpenTheMenuAtTheCursor() {
    QFETCH(int, reason);
    QFETCH(bool, opens);
    Start(Language::kJapanese);
    QMenu& menu = form_->tray().menu();
    QCOMPARE(menu.actions().size(), 2);
    QCOMPARE(menu.actions().at(0)->text(), QStringLiteral("終了"));
    QCOMPARE(menu.actions().at(1)->text(), QStringLiteral("設定"));
    QCOMPARE(form_->tray().icon().toolTip(), QStringLiteral("Quillenta"));
    QVERIFY(form_->tray().icon().contextMenu() == nullptr);
    QCursor::setPos(300, 200);
    emit form_->tray().icon().activated(static_cast<QSystemTrayIcon::ActivationReason>(reason));
    QCOMPARE(menu.isVisible(), opens);
    if (opens) QCOMPARE(menu.pos(), QCursor::pos());
    menu.hide();
  }

  void theTooltipIsTheLineOnceASecond() {
    Start(Language::kJapanese);
    for (int n = 1; n < 1000 / ProgramCore::kWakeupMs; ++n) app_->core().Wakeup();
    QCOMPARE(form_->tray().icon().toolTip(), QStringLiteral("Quillenta"));
    app_->core().Wakeup();
    QVERIFY(!app_->core().engine().Line().empty());
    QCOMPARE(form_->tray().icon().toolTip(), QString::fromStdString(app_->core().engine().Line()));
  }

  void menuKeepsACornerAtTheCursorNearScreenEdges() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QSize menu(120, 50);
    const QPoint middle = screen.center();
    const QPoint bottom_right = screen.bottomRight() - QPoint(10, 10);
    QCOMPARE(MenuCornerAt(middle, menu), middle);
    QCOMPARE(MenuCornerAt(bottom_right, menu), bottom_right - QPoint(120, 50));
    const QPoint top_right(screen.right() - 10, screen.top() + 2);
    QCOMPARE(MenuCornerAt(top_right, menu), top_right - QPoint(120, 0));
  }

  void noTrayHostShowsTheWindowOnce() {
    WriteIni("b49=0\r\n");
    Start(Language::kJapanese);
    QVERIFY(form_->isHidden());
    QSignalSpy no_host(&form_->tray(), &TrayIcon::noHost);
    form_->tray().WatchForHost([] { return false; }, 300);
    QVERIFY(no_host.wait(3000));
    QVERIFY(form_->isVisible());
    QTest::qWait(700);
    QCOMPARE(no_host.count(), 1);

    cleanup();
    Start(Language::kJapanese);
    QSignalSpy found(&form_->tray(), &TrayIcon::noHost);
    form_->tray().WatchForHost([] { return true; }, 300);
    QTest::qWait(1000);
    QCOMPARE(found.count(), 0);
  }

  void orderButtonsEditTheSequence() {
    Start(Language::kJapanese);
    Find<QPushButton>("SpeedButton12")->click();  // "年"
    QCOMPARE(Label(2), QString());
    QCOMPARE(Label(3), QStringLiteral("2"));
    QCOMPARE(Label(21), QStringLiteral("20"));
    Find<QPushButton>("SpeedButton10")->click();  // "クリア(C)"
    for (int code = 1; code <= kItemCodeCount; ++code) QCOMPARE(Label(code), QString());
    QVERIFY(NextLine().empty());
    for (int code : {6, 7, 8})
      Find<QPushButton>(QStringLiteral("SpeedButton%1").arg(10 + code))->click();
    QCOMPARE(Label(6) + Label(7) + Label(8), QStringLiteral("123"));
    QCOMPARE(app_->core().sequence().Slot(1), 6);
    QCOMPARE(app_->core().sequence().Slot(3), 8);
    QCOMPARE(app_->core().sequence().Slot(4), 0);
  }

  // The running program, not a test driving the core: its timer refreshes the line and
  // checks the time watches.
  void runningProgramRefreshesAndWatches() {
    const std::string now = TimeWatch::ClockWatchText(FakeClock().Now());
    WriteIni("b49=0\r\nb77=1\r\ns89=" + QByteArray::fromStdString(now) +
             "\r\ns92=/opt/tools/at-start.sh\r\n");
    Start(Language::kJapanese);
    const WindowId editor = windows_->Open("Editor");
    windows_->Focus(editor);
    QTRY_VERIFY_WITH_TIMEOUT(windows_->TitleOf(editor).rfind("Editor ", 0) == 0, 2000);
    QTRY_COMPARE_WITH_TIMEOUT(launcher_->opened,
                              std::vector<std::string>{"/opt/tools/at-start.sh"}, 3000);
  }

  void watchRowsBrowseAndLaunch() {
    Start(Language::kJapanese);
    chooser_->answer = "/opt/tools/dial.sh";
    Find<QPushButton>("BitBtn62")->click();
    QCOMPARE(EditOf("s93")->text(), QStringLiteral("/opt/tools/dial.sh"));
    QCOMPARE(EditOf("s92")->text(), QString());
    chooser_->answer.reset();
    Find<QPushButton>("BitBtn62")->click();  // cancelled: the field stays
    QCOMPARE(EditOf("s93")->text(), QStringLiteral("/opt/tools/dial.sh"));
    Find<QPushButton>("BitBtn65")->click();
    QCOMPARE(launcher_->opened, std::vector<std::string>{"/opt/tools/dial.sh"});
  }

  void aboutLinksOpenAndCopy() {
    Start(Language::kJapanese);
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "Open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
    auto* mail = Find<QLineEdit>("MailField");
    auto* web = Find<QLineEdit>("WebField");
    QVERIFY(mail->isReadOnly() && web->isReadOnly());
    QTest::mouseClick(mail, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(web, Qt::LeftButton, {}, QPoint(5, 5));
    // A double click opens once; a press whose release lands outside opens nothing.
    // As X delivers a double click: press, release, the second press as a double click, release.
    auto send = [](QWidget* to, QEvent::Type type, QPoint at) {
      const Qt::MouseButtons held =
          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
      QMouseEvent event(type, QPointF(at), to->mapToGlobal(QPointF(at)), Qt::LeftButton, held,
                        Qt::NoModifier);
      QApplication::sendEvent(to, &event);
    };
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
      send(web, type, QPoint(5, 5));
    }
    send(mail, QEvent::MouseButtonPress, QPoint(5, 5));
    send(mail, QEvent::MouseButtonRelease, QPoint(5, mail->height() + 20));
    QCOMPARE(catcher.urls.size(), 3);
    catcher.urls.pop_back();
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(catcher.urls.size(), 2);
    QCOMPARE(catcher.urls[0], QUrl("mailto:quillenta@users.noreply.github.com"));
    QCOMPARE(catcher.urls[1], QUrl("https://github.com/quillenta/quillenta"));
    QCOMPARE(web->selectedText(), web->text());
    QCOMPARE(Find<QMenu>("PopupMenu2")->actions().first()->text(), QStringLiteral("コピー"));
    Find<QMenu>("PopupMenu2")->actions().first()->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), mail->text());
    Find<QMenu>("PopupMenu4")->actions().first()->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), web->text());
    auto* version = Find<QLabel>("VersionLabel");
    QCOMPARE(version->text(), QStringLiteral("Version２"));
    QVERIFY(version->font().italic());
    QCOMPARE(version->font().pixelSize(), 160);
    QCOMPARE(Find<QLabel>("ExtraLabel")->geometry(), QRect(336, 40, 21, 25));
    // A right click opens each small menu; only the tiny "." carries "おまけ".
    const struct {
      const char* control;
      const char* menu;
    } right_clicks[] = {
        {"ExtraLabel", "PopupMenu3"}, {"MailField", "PopupMenu2"}, {"WebField", "PopupMenu4"}};
    for (const auto& row : right_clicks) {
      auto* control = Find<QWidget>(row.control);
      auto* menu = Find<QMenu>(row.menu);
      QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(3, 3),
                              control->mapToGlobal(QPoint(3, 3)));
      QApplication::sendEvent(control, &click);
      QVERIFY2(menu->isVisible(), row.menu);
      menu->hide();
    }
    auto* version_label = Find<QLabel>("VersionLabel");
    QContextMenuEvent on_version(QContextMenuEvent::Mouse, QPoint(50, 100),
                                 version_label->mapToGlobal(QPoint(50, 100)));
    QApplication::sendEvent(version_label, &on_version);
    QVERIFY(!Find<QMenu>("PopupMenu3")->isVisible());
  }

  // The classic layout, exactly, except that a field whose text outgrows it widens to its
  // left (and its label keeps left of it), as the Japanese window always did.
  void japaneseGeometryIsTheClassicOne() {
    Start(Language::kJapanese);
    form_->show();
    QCOMPARE(form_->size(), QSize(form::Window().client_width, form::Window().client_height));
    const form::Layout classic = form::ClassicLayout();
    const auto& controls = form::Controls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
      const form::ControlDef& def = controls[i];
      if (def.kind == form::Kind::kTabPage) continue;
      const form::Rect& r = classic.rects[i];
      const QRect expected(r.x, r.y, r.width, r.height);
      const QRect shown = Find<QWidget>(QString::fromStdString(def.name))->geometry();
      if (def.grows_left || !def.left_of.empty()) {
        QVERIFY2(shown.y() == expected.y() && shown.height() == expected.height() &&
                     shown.x() <= expected.x() && shown.width() >= expected.width(),
                 def.name.c_str());
        if (def.grows_left) QCOMPARE(shown.right(), expected.right());
      } else {
        QVERIFY2(shown == expected, qPrintable(QString::fromStdString(def.name) + Text(shown)));
      }
    }
  }

  // The About tab's choice redraws the open window at once, and back.
  void languageChoiceRedrawsTheOpenWindow() {
    Start(Language::kJapanese);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    form_->tabs()->setCurrentIndex(4);
    const QMap<QString, QRect> japanese = Geometry();
    const QString japanese_family = form_->font().family();
    Find<QRadioButton>("LanguageButton3")->click();  // English
    QCOMPARE(app_->core().settings().LanguageChoice(), std::string("en"));
    CheckNoJapaneseCaption();
    if (QTest::currentTestFailed()) return;
    QCOMPARE(form_->tabs()->tabText(0), QStringLiteral("Order"));
    QCOMPARE(form_->tray().menu().actions().at(1)->text(), QStringLiteral("Settings"));
    QCOMPARE(form_->font().family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    QVERIFY(form_->width() >= 644 && form_->height() == 285);
    QVERIFY(Geometry() != japanese);
    CheckFitAndNoOverlap();
    if (QTest::currentTestFailed()) return;
    QVERIFY(Find<QRadioButton>("LanguageButton3")->isChecked());

    Find<QRadioButton>("LanguageButton2")->click();  // 日本語
    QCOMPARE(form_->tabs()->tabText(0), QStringLiteral("順番"));
    QCOMPARE(Find<QPushButton>("Button52")->text(), QStringLiteral("元に戻す(&R)"));
    QCOMPARE(form_->tray().menu().actions().at(1)->text(), QStringLiteral("設定"));
    QCOMPARE(form_->font().family(), japanese_family);
    QCOMPARE(form_->size(), QSize(644, 285));
    QCOMPARE(Geometry(), japanese);
  }

  void iconReadsAtSmallSizes() {
    for (int size : {16, 22, 32, 48}) {
      QImage image = PaintAppIcon(size);
      int opaque = 0, light = 0, dark = 0;
      for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
          QColor pixel = image.pixelColor(x, y);
          if (pixel.alpha() < 200) continue;
          ++opaque;
          (pixel.lightness() > 170 ? light : dark) += 1;
        }
      }
      // Mostly filled, with a light glyph that stands out of a dark ground.
      QVERIFY2(opaque > size * size * 2 / 3, qPrintable(QString::number(size)));
      QVERIFY2(light > size * size / 12 && dark > size * size / 3,
               qPrintable(QString::number(size)));
    }
    QCOMPARE(MakeAppIcon().availableSizes().size(), 4);
  }

  void errorBoxShowsOneAtATimeWithoutBlocking() {
    ErrorBox shower;
    OneErrorBoxAtATime box(shower);
    QFont font(QStringLiteral("Quillenta Test Face"));
    font.setPixelSize(17);
    shower.SetFont([font] { return font; });
    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start(20);
    box.Report("Faild to call User.exe");
    box.Report("a second failure");
    auto shown = [] {
      QList<QMessageBox*> boxes;
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* message = qobject_cast<QMessageBox*>(widget); message && message->isVisible())
          boxes << message;
      }
      return boxes;
    };
    QTRY_COMPARE(shown().size(), 1);
    QMessageBox* message = shown().first();
    QCOMPARE(message->windowTitle(), QStringLiteral("Quillenta"));
    QCOMPARE(message->icon(), QMessageBox::Critical);
    QCOMPARE(message->text(), QStringLiteral("Faild to call User.exe."));
    QCOMPARE(message->font().pixelSize(), 17);
    QTRY_VERIFY(ticks > 3);  // the loop, and with it the tick, goes on under the box
    message->button(QMessageBox::Ok)->click();
    QCOMPARE(shown().size(), 0);
    // At once, before the closed box is deleted: the next error has its own box.
    box.Report("/home/u/quillenta.INI に書き込めません");
    QTRY_COMPARE(shown().size(), 1);
    QCOMPARE(shown().first()->text(), QStringLiteral("/home/u/quillenta.INI に書き込めません."));
    shown().first()->close();
  }

  void closingPeriod_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Faild to call User.exe"
                            << "Faild to call User.exe.";
    QTest::newRow("period") << "done."
                            << "done.";
    QTest::newRow("comma sorts before") << "a,"
                                        << "a,";
    QTest::newRow("slash sorts after") << "a/"
                                       << "a/.";
    QTest::newRow("japanese") << "書き込めません"
                              << "書き込めません.";
    QTest::newRow("empty") << ""
                           << "";
  }
  void closingPeriod() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(QString::fromStdString(WithClosingPeriod(message.toStdString())), shown);
  }
};

// Qt makes /tmp/runtime-<user> for a session that names no runtime folder, and leaves it
// there: the test gets a folder of its own, removed when it ends.
const struct PrivateRuntimeFolder {
  QTemporaryDir folder;
  PrivateRuntimeFolder() { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path())); }
} kRuntimeFolder;

QTEST_MAIN(GuiFormTest)
#include "gui_form_test.moc"
