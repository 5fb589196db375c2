#pragma once
// The one form: the settings window with its five tabs, the owner of the tray icon, and the
// shell that start-up drives. The window is drawn from the form description and hands every
// event to the form's logic; its controls mirror the live settings model both ways.
// The window's contents are built when it is first shown: a program that only sits in the
// tray never pays for its widgets or for the Japanese font they draw with.
#include <QFont>
#include <QWidget>
#include <memory>
#include <vector>

#include "app/qt/application.h"
#include "app/qt/tray.h"
#include "form/form_logic.h"

class QAction;
class QMenu;
class QTabWidget;

namespace quillenta {

class MainForm : public QWidget, public ShellWindows, private form::FormView {
  Q_OBJECT

 public:
  // chooser: the "参照" dialog; null gives the QFileDialog one.
  explicit MainForm(Application& app, FileChooser* chooser = nullptr);
  ~MainForm() override;

  void HideToTray() override;
  void ShowAtStart() override;
  void ShowFromTray() override;

  TrayIcon& tray() { return tray_; }
  // Null until the contents are built.
  QTabWidget* tabs() const { return tabs_; }

  // Builds the contents from the model as it stands now; later calls do nothing. Showing the
  // window builds them first.
  void EnsureBuilt();
  bool Built() const { return built_; }
  void setVisible(bool visible) override;

  // In Japanese the form's face where installed, else a Japanese Gothic of the system; in any
  // other language the desktop's own interface font.
  static QFont UiFont();
  // Narrows a control's font until its caption fits the width the layout gives it.
  static void FitCaption(QWidget* control);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // form::FormView
  void CloseWindow() override;
  void EndProgram() override;
  FileChooser& Chooser() override { return *chooser_; }
  void OpenAddress(const std::string& address) override;
  void CopyField(std::string_view control) override;
  void Refresh(std::size_t control) override;

  // In main_form_pages.cpp: one widget of the description, under its parent.
  QWidget* BuildControl(const form::ControlDef& def, QWidget* parent);
  void BuildMenu(const form::MenuDef& menu, QWidget* owner);
  QWidget* WidgetNamed(std::string_view name) const;

  void OnSettingChanged(const SettingChange& change);
  void ShowPanelLabel();
  void ShowCentered();
  // Captions, fonts, places and the window's size in the interface's language, as it is now.
  void ShowLanguage();
  void Relayout();
  // What the control at this index of form::Controls() needs for its caption.
  int CaptionWidth(std::size_t index) const;

  Application& app_;
  std::unique_ptr<FileChooser> own_chooser_;
  FileChooser* chooser_;
  TrayIcon tray_;
  form::FormLogic logic_;
  QTabWidget* tabs_ = nullptr;
  // Parallel to form::Controls(); empty until the contents are built.
  std::vector<QWidget*> widgets_;
  std::vector<std::pair<QMenu*, const form::MenuDef*>> menus_;
  bool built_ = false;
  // Last: the listening ends before anything it refreshes goes.
  Signal<const SettingChange&>::Subscription settings_changed_;
  Signal<>::Subscription order_changed_;
  Signal<Language>::Subscription language_changed_;
  Signal<const std::string&>::Subscription tray_line_;
};

}  // namespace quillenta
